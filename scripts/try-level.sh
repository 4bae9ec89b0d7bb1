#!/usr/bin/env bash
# Runs one level of the built game for a game maker's own checks (tools/try_level.py):
#   bash scripts/try-level.sh LEVEL.lua [--seconds N] [--shot FILE.png]
# Prints the level's log lines, script errors with their tracebacks among them, and exits 0 only
# when the run ended cleanly without a script error. TQ_GAME_DIR names another built game folder.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
game="${TQ_GAME_DIR:-$here/build/game}"
if [ ! -x "$game/Bin/tarnel-quibbo" ]; then
  bash "$here/scripts/build.sh" >&2
fi
# The system interpreter, which has the Debian packages the tool uses (PIL, Xlib).
python=/usr/bin/python3
[ -x "$python" ] || python=python3
exec "$python" "$here/tools/try_level.py" "$game" "$@"
