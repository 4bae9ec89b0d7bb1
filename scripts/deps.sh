#!/usr/bin/env bash
# Installs every Debian package the engine, its tools and its tests need. Safe to run again:
# packages already present are skipped, and nothing is asked.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  libogre-1.12-dev ogre-1.12-tools
  libois-dev liblua5.1-0-dev libode-dev libassimp-dev
  libopenal-dev libsndfile1-dev libcurl4-openssl-dev libssl-dev
  nlohmann-json3-dev libx11-dev libxcursor-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-dejavu-core
  xvfb xauth xdotool x11-utils
  chromium
  python3 python3-pil python3-xlib
  file lintian
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "deps: all ${#packages[@]} packages present"
  exit 0
fi

echo "deps: installing ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
