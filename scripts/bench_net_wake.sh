#!/usr/bin/env bash
# Measures how fast socket data reaches its handler while the game window sleeps between
# frames, and the idle window loop's CPU with and without an open connection, in a private X
# server. Loopback only. Usage: bash scripts/bench_net_wake.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target bench_net_wake >/dev/null
source tests/window/private_x.sh
"$build/bench_net_wake"
