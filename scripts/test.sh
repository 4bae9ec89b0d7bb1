#!/usr/bin/env bash
# Installs, builds and runs every test: unit, engine and end-to-end (each e2e test brings its own Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
cd build
ctest -j2 --output-on-failure --timeout 900
