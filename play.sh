#!/usr/bin/env bash
# Installs what is missing, builds the game and starts it from this folder (Media/, settings.ini).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build-play -DCMAKE_BUILD_TYPE=Release -DVELMORA_TESTS=OFF >/dev/null
cmake --build build-play --target velmora -j"$(nproc)" >/dev/null
exec build-play/velmora
