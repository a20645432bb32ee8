#!/usr/bin/env bash
# Installs what is needed, then builds and runs every test twice: once as the game ships
# (warnings as errors), once under AddressSanitizer and UndefinedBehaviorSanitizer; then runs
# every fuzz target for a short bounded time (clang and libFuzzer, scripts/fuzz.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=$(nproc)

# ccache, where installed, keeps what earlier builds in any checkout beside this one compiled:
# paths below the parent folder are taken as relative, so another clone hits the same entries.
launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$PWD")} CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

run() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DLR_WERROR=ON "${launcher[@]}" "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  (cd "$dir" && ctest --output-on-failure -j "$jobs" --timeout 600)
}

echo "== release build =="
run build -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== sanitizer build =="
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLR_SANITIZE=ON -DLR_BENCH=OFF
echo "== fuzzing =="
LR_FUZZ_SEED=${LR_FUZZ_SEED:-1} bash scripts/fuzz.sh "${LR_FUZZ_SECONDS:-20}"
