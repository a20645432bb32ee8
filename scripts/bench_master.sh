#!/usr/bin/env bash
# Drives the master server over loopback with its load generator: 1,000 clients, 5,000 (at
# the same line rate, and at the same fan-out as 1,000), 1,000 beside 200 slowloris
# connections and 50 flooders, then the default limit of connections from one address.
# Every run is bounded in time (about a minute at most) and ends by itself.
# Usage: bash scripts/bench_master.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" -j2 --target bench_master_load >/dev/null
bench="$build/bench_master_load"
echo "load average $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
"$bench" --clients 1000
"$bench" --clients 5000
"$bench" --clients 5000 --chat-rate 4
# Long enough for the slowloris connections to meet the 10-second login limit and come back.
"$bench" --clients 1000 --attack --seconds 25
"$bench" --limit-check
