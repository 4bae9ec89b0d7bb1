#!/usr/bin/env bash
# Installs, builds and starts the game. Without a display it runs under a private Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
cd build/game/Bin
if [ -z "${DISPLAY:-}" ]; then
  echo "No display: running under Xvfb on :77 (watch it with a VNC viewer on that display, or set DISPLAY)."
  Xvfb :77 -screen 0 1280x1024x24 -nolisten tcp &
  xvfb=$!
  trap 'kill $xvfb' EXIT
  sleep 1
  export DISPLAY=:77
fi
./tarnel-quibbo
echo "Log: $(pwd)/Tarnel Quibbo.log"
