#!/usr/bin/env bash
# Installs what is needed, then builds and runs every test twice: once as the game ships
# (warnings as errors), once under AddressSanitizer and UndefinedBehaviorSanitizer; then runs
# every fuzz target for a short bounded time (clang and libFuzzer, scripts/fuzz.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=$(nproc)

run() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DLR_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  (cd "$dir" && ctest --output-on-failure -j "$jobs" --timeout 600)
}

echo "== release build =="
run build -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== sanitizer build =="
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLR_SANITIZE=ON -DLR_BENCH=OFF
echo "== fuzzing =="
bash scripts/fuzz.sh "${LR_FUZZ_SECONDS:-20}"
