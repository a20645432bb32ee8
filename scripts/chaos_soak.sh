#!/usr/bin/env bash
# A chaos soak campaign under AddressSanitizer and UndefinedBehaviorSanitizer: every seed from
# FIRST to LAST runs FRAMES headless frames twice with random keys, bubbles, placements, mouse
# and Escapes, and must end cleanly with complete, identical traces and finite positions.
#   bash scripts/chaos_soak.sh [FIRST LAST FRAMES JOBS]      (default: 1 20 30000 2)
# Failing seeds keep their folder (script, traces, output) and print the command that reruns them.
set -euo pipefail
cd "$(dirname "$0")/.."
first=${1:-1} last=${2:-20} frames=${3:-30000} jobs=${4:-2}
bash scripts/setup.sh
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLR_SANITIZE=ON -DLR_BENCH=OFF >/dev/null
cmake --build build-asan -j "$(nproc)" --target lavarumble chaos_soak
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
exec build-asan/chaos_soak --binary build-asan/lavarumble --first-seed "$first" --last-seed "$last" \
  --frames "$frames" --jobs "$jobs"
