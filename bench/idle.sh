#!/usr/bin/env bash
# Idle cost of a running instance: CPU time and wake-ups (context switches)
# over a quiet interval, and resident memory. Runs the program offscreen in a
# private network namespace with a throw-away home folder.
#   bench/idle.sh BUILD/zavolin [SECONDS]
set -euo pipefail
source "$(dirname -- "${BASH_SOURCE[0]}")/private_loopback.sh" "$@"
program=$1
seconds=${2:-10}
home=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$home"' EXIT

QT_QPA_PLATFORM=offscreen "$program" --home "$home" >/dev/null 2>&1 &
pid=$!
sleep 3 # let start-up settle

sample() {
    local stat ticks switches
    read -r -a stat <"/proc/$pid/stat"
    ticks=$((stat[13] + stat[14]))
    switches=$(cat /proc/$pid/task/*/status | awk '/ctxt_switches/ {s += $2} END {print s}')  # every thread
    echo "$ticks $switches"
}
read -r t0 s0 < <(sample)
sleep "$seconds"
read -r t1 s1 < <(sample)
hz=$(getconf CLK_TCK)
rss=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status")
awk -v t=$((t1 - t0)) -v hz="$hz" -v s=$((s1 - s0)) -v secs="$seconds" -v rss="$rss" 'BEGIN {
    printf "idle over %d s: CPU %.2f%%, %.1f wake-ups/s, RSS %.1f MiB\n", secs, 100 * t / hz / secs, s / secs, rss / 1024
}'
kill -TERM "$pid"
wait "$pid" || true
