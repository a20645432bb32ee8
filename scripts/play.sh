#!/usr/bin/env bash
# Installs what is needed, builds the game and starts it. Extra arguments go to the game.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target lavarumble
exec ./build/lavarumble "$@"
