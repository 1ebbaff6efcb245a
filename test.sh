#!/usr/bin/env bash
# Installs what is missing, builds the game and its tests, and runs every test. Unit tests that
# draw get a private Xvfb; the end-to-end tests start their own.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh --tests
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_TESTS=ON >/dev/null
cmake --build build -j"$(nproc)"
scripts/with-xvfb.sh ctest --test-dir build --no-tests=error --output-on-failure -j"$(nproc)" "$@"
