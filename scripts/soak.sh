#!/usr/bin/env bash
# The online soak: the master server and four headless games paced in real time, all under
# AddressSanitizer and UndefinedBehaviorSanitizer on loopback, playing cycles of lobby visits,
# hosting, joins, a leave, a match and the way back, for MINUTES (default 30). Every process's
# memory (VmRSS) and open descriptors are sampled every 10 seconds.
#   bash scripts/soak.sh [MINUTES [FOLDER]]
# It fails on any sanitizer report, a crash or a program that ended early or badly, cycles that
# did not happen, or growth beyond the bounds below, and keeps its folder (scripts, logs,
# samples.tsv) to look at. The figures are in FOLDER/summary.txt. LR_SOAK_TRACE=1 makes every
# game write its trace (t.jsonl, large) to see what went wrong in a short run.
set -euo pipefail
# Read whole before it runs, so that editing the file meanwhile does not change a soak under way.
{
cd "$(dirname "$0")/.."
root=$PWD
# Growth, from a folder's samples.tsv: the figures from 10% to 30% of the time (after the
# first cycle) against those of the last 20%, each window a cycle or more long. Memory: the
# highest of each window; descriptors: the lowest, where a game is between its rooms and lobby
# visits (a host with three guests holds four more for a while; a leak raises the lowest).
check_growth() {
  local file=$1 duration
  duration=$(tail -1 "$file" | cut -f1)
  awk -v duration="$duration" -v growth="$rss_growth_kib" -v percent="$rss_growth_percent" '
  NR == 1 { for (i = 2; i <= NF; i++) name[i] = $i; n = NF; next }
  {
    at = $1 / duration
    if (at >= 0.1 && at < 0.3) win = "early"; else if (at >= 0.8) win = "late"; else next
    for (i = 2; i <= n; i++) {
      if ($i == "-") continue
      key = win SUBSEP i
      lowest = name[i] ~ /fds$/
      if (!(key in v) || (lowest ? $i < v[key] : $i > v[key])) v[key] = $i
    }
  }
  END {
    bad = 0
    for (i = 2; i <= n; i++) {
      e = v["early" SUBSEP i]; l = v["late" SUBSEP i]
      if (e == "" || l == "") { printf "%s: too few samples\n", name[i]; bad = 1; continue }
      if (name[i] ~ /fds$/) limit = e
      else limit = e + growth + e * percent / 100
      printf "%-16s early %8d  late %8d  bound %8d%s\n", name[i], e, l, limit, (l > limit ? "  GROWN" : "")
      if (l > limit) bad = 1
    }
    exit bad
  }' "$file"
}
minutes=${1:-30}
out=${2:-$(mktemp -d /tmp/lr-soak.XXXXXX)}
mkdir -p "$out"
out=$(cd "$out" && pwd)

# Bounds, between the figures from 10% to 30% of the time (once warm) and those of the last
# 20% (see check_growth): resident memory may grow by this much, descriptors not at all.
rss_growth_kib=${LR_SOAK_RSS_GROWTH_KIB:-16384}
rss_growth_percent=${LR_SOAK_RSS_GROWTH_PERCENT:-10}

# `soak.sh --check FOLDER` checks a finished soak's samples again.
if [[ ${1:-} == --check ]]; then
  check_growth "$2/samples.tsv"
  exit
fi

if [[ -z ${LR_SOAK_NO_BUILD:-} ]]; then
  bash scripts/setup.sh
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLR_SANITIZE=ON -DLR_BENCH=OFF >/dev/null
  cmake --build build-asan -j2 --target lavarumble lavarumble-master
fi
# LR_SOAK_BUILD (with LR_SOAK_NO_BUILD) soaks another build folder's programs, e.g. the release
# build, whose memory has no sanitizer quarantine or shadow in it.
game=$root/${LR_SOAK_BUILD:-build-asan}/lavarumble
master_bin=$root/${LR_SOAK_BUILD:-build-asan}/lavarumble-master

# A small quarantine, so that freed memory held for use-after-free checks does not read as
# growth; leaks are still looked for when each program ends.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:quarantine_size_mb=16
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

readonly cycle=4500  # frames (75 s at 60 a second)
# Scripts for more cycles than the time holds at full pace: the soak ends the games.
cycles=$(( (minutes * 3600 + cycle - 1) / cycle + 2 ))
frames=$(( cycles * cycle ))
names=("Soak Ann" "Soak Bob" "Soak Cy" "Soak Dee")

# Options.dat with a player's name and the built-in settings (little-endian, as the game writes it).
options_file() {
  local name=$1 file=$2
  {
    printf '\x50\0\0\0\x0a\0\0\0'                              # platform and rope density 80, 10
    printf '\xcd\xcc\xcc\x3f\0\0\xa0\xc0\x9a\x99\xd9\x3f\xae\x47\x61\x3e'  # 1.6 -5 1.7 0.22
    printf '\x01\x01\x01\x01\x01\x01\x01\x01\x01'              # all nine powerups
    printf '\x06\0\0\0\x03\0\0\0\x0a\0\0\0\0'                  # delay 6, 3 rounds, 10 s, windowed
    printf "\\x$(printf %02x ${#name})%s" "$name"; head -c $((15 - ${#name})) /dev/zero
    printf '\xc8\0\0\0\x32\0\0\0\x32\0\0\0'                    # red
    printf '\x09Green Man\0\0\0\0\0\0'
    printf '\x32\0\0\0\xc8\0\0\0\x32\0\0\0'
  } >"$file"
}

# One game's script: per cycle its role turns (the host moves on by one each cycle; of the
# three others two join and play, the third joins, talks and leaves before the launch).
write_script() {
  local me=$1 file=$2 k b role j
  RANDOM=$((me * 7919 + 17))
  : >"$file"
  for ((k = 0; k < cycles; k++)); do
    b=$((k * cycle + 140))  # the title's menu takes clicks from frame 150 on
    role=$(( (me - k % 4 + 4) % 4 ))  # 0 host, 1 and 2 play, 3 leaves
    {
      echo "$((b + 10)) mouse 300 230"
      echo "$((b + 11)) click"
      case $role in
        0)
          echo "$((b + 100)) lobby chat hello from ${names[me]}, cycle $k"
          echo "$((b + 130)) lobby host 4 Soak game $k"
          echo "$((b + 160)) room ready"
          echo "$((b + 180)) room chat the host says hello"
          echo "$((b + 1700)) room launch"
          ;;
        *)
          j=$role
          echo "$((b + 660)) lobby refresh"
          echo "$((b + 670 + 30 * j)) lobby join 1"
          if ((role == 3)); then
            echo "$((b + 900)) room chat leaving before the match"
            echo "$((b + 950)) room leave"
            echo "$((b + 1000)) lobby exit"
          else
            echo "$((b + 820 + 30 * j)) room ready"
          fi
          ;;
      esac
      if ((role != 3)); then
        # In the match: jumps and crouches in place, so that nobody falls and every round goes on
        # until Escape, which must find the match in play (on the title screen it would end the
        # program). Each event has a wide margin: four games on a loaded machine drift apart by
        # some hundreds of frames.
        local f=$((b + 2000))
        while ((f < b + 2600)); do
          if ((RANDOM % 2)); then
            echo "$f key Up down"; echo "$((f + 3)) key Up up"
          else
            echo "$f key Down down"; echo "$((f + 6)) key Down up"
          fi
          f=$((f + 20 + RANDOM % 40))
        done
        echo "$((b + 2900)) key Escape down"
        echo "$((b + 2902)) key Escape up"
        echo "$((b + 3050 + 100 * (role == 0))) room leave"
        echo "$((b + 3300)) lobby exit"
      fi
    } >>"$file"
  done
}

# The room port: one the system picks, free now, shared by whoever hosts.
room_port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')

pids=() labels=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

nice -n 10 "$master_bin" --bind 127.0.0.1 --port 0 >"$out/master.out" 2>"$out/master.err" &
pids+=($!) labels+=(master)
port=
for _ in $(seq 1 200); do
  port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$out/master.err" | head -1)
  [[ -n $port ]] && break
  sleep 0.1
done
[[ -n $port ]] || { echo "soak: the master server did not start"; cat "$out/master.err"; exit 1; }

for i in 0 1 2 3; do
  dir=$out/game$i
  mkdir -p "$dir"
  options_file "${names[i]}" "$dir/Options.dat"
  write_script "$i" "$dir/in.txt"
  (cd "$dir" && exec nice -n 10 "$game" --headless --realtime --frames "$frames" --seed $((1000 + i)) \
    --master "127.0.0.1:$port" --room-port "$room_port" --input in.txt ${LR_SOAK_TRACE:+--trace t.jsonl} >out 2>err) &
  pids+=($!) labels+=("game$i")
done
echo "soak: $minutes minutes, cycles of $cycle frames; master on $port, rooms on $room_port; folder $out"

# Samples: seconds since start, then per process VmRSS (KiB) and descriptors.
sample() {
  local t=$1 line=$1 pid rss fds
  for pid in "${pids[@]}"; do
    rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo -)
    fds=$(ls "/proc/$pid/fd" 2>/dev/null | wc -l)
    line+=$'\t'"${rss:--}"$'\t'"$fds"
  done
  echo "$line" >>"$out/samples.tsv"
}
{
  printf 'seconds'
  for l in "${labels[@]}"; do printf '\t%s_rss_kib\t%s_fds' "$l" "$l"; done
  echo
} >"$out/samples.tsv"

start=$(date +%s)
duration=$(( minutes * 60 ))
sample 0
status=0
# The games' frames would outlast the soak on a machine that keeps pace; a loaded one plays
# fewer cycles in the time. Either way they are told to end (SIGTERM: after the frame under
# way, cleanly) when the time is up.
while :; do
  sleep 10
  now=$(( $(date +%s) - start ))
  alive=0
  for pid in "${pids[@]:1}"; do kill -0 "$pid" 2>/dev/null && alive=$((alive + 1)); done
  if ((alive < 4)); then echo "soak: a game ended after $now of $duration seconds"; status=1; break; fi
  sample "$now"
  ((now < duration)) || break
done

for i in 1 2 3 4; do kill -TERM "${pids[i]}" 2>/dev/null || true; done
for i in 1 2 3 4; do
  if ! wait "${pids[i]}"; then echo "soak: ${labels[i]} ended badly"; status=1; fi
done
kill -TERM "${pids[0]}"
if ! wait "${pids[0]}"; then echo "soak: the master server ended badly"; status=1; fi
pids=()

# Sanitizer reports and crashes in any output.
for f in "$out/master.err" "$out"/game*/err; do
  if grep -qE 'AddressSanitizer|LeakSanitizer|runtime error:|UndefinedBehaviorSanitizer|Segmentation|Aborted' "$f"; then
    echo "soak: a finding in $f"; status=1
  fi
done

# The cycles happened: games hosted, three joins to each, and the hosts closed them again.
hosted=$(grep -c '" hosts game ' "$out/master.err" || true)
joined=$(grep -cE '" joins game [0-9]+ at ' "$out/master.err" || true)
closed=$(grep -c '" closes game ' "$out/master.err" || true)
echo "soak: the master saw $hosted games hosted, $joined joins and $closed games closed by their hosts"
if ((hosted < 2 || joined < 3 * (hosted - 1) || closed < hosted - 1)); then echo "soak: cycles went missing"; status=1; fi

check_growth "$out/samples.tsv" >"$out/growth.txt" || status=1

{
  echo "soak of $minutes minutes, status $status"
  first=$(sed -n 3p "$out/samples.tsv"); last=$(tail -1 "$out/samples.tsv")
  echo "at $(cut -f1 <<<"$first") s and at $(cut -f1 <<<"$last") s:"
  echo "process       start rss KiB  start fds    end rss KiB    end fds"
  for i in "${!labels[@]}"; do
    c=$((2 + 2 * i))
    printf '%-12s %12s %10s %14s %10s\n' "${labels[i]}" "$(cut -f$c <<<"$first")" "$(cut -f$((c + 1)) <<<"$first")" \
      "$(cut -f$c <<<"$last")" "$(cut -f$((c + 1)) <<<"$last")"
  done
  echo "from 10% to 30% of the time against the last 20% (memory: the highest; descriptors: the lowest):"
  cat "$out/growth.txt"
} | tee "$out/summary.txt"
trap - EXIT
exit "$status"
}
