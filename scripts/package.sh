#!/usr/bin/env bash
# Installs what is missing, builds, and makes the game's Debian package in build/package/.
# A game maker's own game: pass its settings to CMake first, for example
#   cmake -S . -B build -DTQ_GAME_SOURCE=$HOME/mygame -DTQ_PACKAGE_NAME=mygame -DTQ_TITLE="My Game" \
#         -DTQ_VERSION=1.0 -DTQ_MAINTAINER="Me <me@example.org>"
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr
cmake --build build -j"$(nproc)" --target tarnel-quibbo game_resources game_cursor package_files
rm -rf build/package
(cd build && cpack -G DEB)
deb=$(ls build/package/*.deb)
echo "Package: $deb"
if command -v lintian > /dev/null; then
  # Errors fail the package; warnings are printed.
  lintian --fail-on error "$deb"
fi
