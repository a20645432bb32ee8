#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer (AddressSanitizer, UndefinedBehaviorSanitizer)
# in build-fuzz, then runs each target in turn for SECONDS (default 60), at low priority, from
# its seed corpus and past findings. Prints per target the executions per second and the
# coverage reached (libFuzzer's cov: and ft:). A target that finds something leaves the input
# in build-fuzz/findings/TARGET/ and the script fails at the end; copy the input into
# fuzz/regressions/TARGET/ once it is fixed.
# LR_FUZZ_SEED fixes libFuzzer's random seed (the test script's short run does, so a finding
# there is repeatable and no unrelated change turns the gate red by chance); unset, every run
# draws its own and explores further.
#   bash scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
((${#targets[@]})) || targets=(lobby_client room_host room_client master_server settings input_script)

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DLR_FUZZ=ON -DLR_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target fuzz_targets

seed=()
[[ -n ${LR_FUZZ_SEED:-} ]] && seed=(-seed="$LR_FUZZ_SEED")

summary=()
failed=()
for t in "${targets[@]}"; do
  corpus=build-fuzz/corpus/$t findings=build-fuzz/findings/$t
  mkdir -p "$corpus" "$findings"
  log=build-fuzz/fuzz-$t.log
  echo "== $t: $seconds s"
  status=0
  # New inputs go to the build's corpus; the repository's seeds and regressions are read only.
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    nice -n 10 "build-fuzz/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
    -max_len=8192 -print_final_stats=1 "${seed[@]}" -artifact_prefix="$findings/" \
    "$corpus" "fuzz/corpus/$t" "fuzz/regressions/$t" >"$log" 2>&1 || status=$?
  last=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
  cov=$(sed -nE 's/.* cov: ([0-9]+).*/\1/p' <<<"$last")
  ft=$(sed -nE 's/.* ft: ([0-9]+).*/\1/p' <<<"$last")
  execs=$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+)/\1/p' "$log" | tail -1)
  rate=$(sed -nE 's/^stat::average_exec_per_sec: *([0-9]+)/\1/p' "$log" | tail -1)
  line=$(printf '%-14s %8s exec/s %10s runs  cov: %-6s ft: %-6s' "$t" "${rate:-?}" "${execs:-?}" "${cov:-?}" "${ft:-?}")
  if ((status != 0)); then
    line+="  FINDING (see $log, input in $findings/)"
    failed+=("$t")
    grep -E 'ERROR|invariant|SUMMARY|Test unit written' "$log" | head -5 || true
  fi
  summary+=("$line")
done

echo "== fuzzing: $seconds s per target"
printf '%s\n' "${summary[@]}"
((${#failed[@]} == 0)) || echo "findings in ${failed[*]}"
echo "fuzz: $((${#targets[@]} - ${#failed[@]})) passed, ${#failed[@]} failed"
((${#failed[@]} == 0))
