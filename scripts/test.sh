#!/usr/bin/env bash
# Installs, builds and runs every test: unit, engine and end-to-end (each e2e test brings its own Xvfb).
# Then all three again on a sanitizer build in build-asan (ASan, UBSan, leak checks), where any
# report fails its test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
(cd build && ctest -j2 --output-on-failure --timeout 900)
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTQ_SANITIZE=ON -DTQ_BUILD_BENCH=OFF
cmake --build build-asan -j"$(nproc)"
cd build-asan
ctest -j2 --output-on-failure --timeout 900
