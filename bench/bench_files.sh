#!/usr/bin/env bash
# File transfer figures on a private two-host LAN: pc-a sends one file of
# SIZE MiB (default 1024) to a running zavolin on pc-b that saves received
# files into a folder, against raw_copy moving the same bytes between the same
# hosts with plain blocking sockets, one right after the other, ROUNDS times
# (default 5). Prints each pair of rates and their ratio, the median ratio
# (the machine's load varies between rounds, less within one), the best rate
# of each, and the receiver's peak
# memory growth over the transfer (peak RSS after minus RSS before). The files
# live on disk under BENCH_DIR (default /var/tmp), not in memory; dirty pages
# are flushed before each transfer so that neither pays for the other's writes.
# The sender is the transfer queue the program sends with (bench_transfers send).
#   bench/bench_files.sh BUILD_DIR [SIZE_MIB] [ROUNDS]
set -u
here=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../tests/lan/lan.sh
source "$here/../tests/lan/lan.sh"
build=$(realpath -- "${1:?usage: bench_files.sh BUILD_DIR [SIZE_MIB] [ROUNDS]}")
size_mib=${2:-1024}
rounds=${3:-5}
LAN_BG_TIMEOUT=600
LAN_EXEC_TIMEOUT=300
lan_require "$@"

data=$(mktemp -d "${BENCH_DIR:-/var/tmp}/zvbench.XXXXXX") || exit 1
trap 'rm -rf -- "$data"; lan_down' EXIT
lan_up pc-a pc-b
logs=$LAN_DIR/logs
b_ip=$(lan_ip pc-b)
mkdir -p "$data/in" "$data/home"
printf '[Form]\r\nCh20=1\r\nSaveFileDir=%s\r\nCh18=0\r\n' "$data/in" >"$data/home/Zavolin.ini"

echo "machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1), kernel $(uname -r)"
echo "making $size_mib MiB of random data..."
head -c "$((size_mib * 1048576))" /dev/urandom >"$data/source.bin"
bytes=$((size_mib * 1048576))

lan_bg pc-b "$logs/zavolin.log" "$build/zavolin" --home "$data/home"
app=$LAN_LAST_PID
sleep 3 # let start-up settle
zpid=$(pgrep -P "$app" | head -n 1) # the timeout wrapper's child is the program
status_kib() { awk -v key="$1:" '$1 == key {print $2}' "/proc/$zpid/status"; }

best_raw=0 best_zv=0 growth=0 ratios=()
rate_of() { sed -n 's/.*= \([0-9.]*\) MiB\/s.*/\1/p'; }
# Round 0 only warms the path and the page cache, and is not counted.
for ((r = 0; r <= rounds; r++)); do
    lan_bg pc-b "$logs/raw-serve$r.log" "$build/bench/raw_copy" serve 7711 "$data/in/raw.bin"
    serve=$LAN_LAST_PID
    lan_wait_line "$logs/raw-serve$r.log" '^READY' 5 "$serve" || { echo "raw_copy did not start"; exit 1; }
    sync
    raw=$(lan_exec pc-a "$build/bench/raw_copy" send "$b_ip" 7711 "$data/source.bin")
    lan_wait_exit "$serve" 30 >/dev/null
    cmp -s "$data/source.bin" "$data/in/raw.bin" || { echo "raw copy differs"; exit 1; }
    rm -f "$data/in/raw.bin"
    ((r == 0)) && continue
    echo "round $r: $raw"

    sync
    rss_before=$(status_kib VmRSS)
    zv=$(lan_exec pc-a "$build/bench/bench_transfers" send "$b_ip" 711 "$data/source.bin")
    for ((i = 0; i < 200 && $(stat -c %s "$data/in/source.bin" 2>/dev/null || echo 0) != bytes; i++)); do
        sleep 0.05
    done
    hwm_after=$(status_kib VmHWM)
    cmp -s "$data/source.bin" "$data/in/source.bin" || { echo "received file differs"; exit 1; }
    rm -f "$data/in/source.bin"
    echo "round $r: $zv; receiver RSS before $((rss_before / 1024)) MiB, peak after $((hwm_after / 1024)) MiB"

    ratios+=("$(awk -v raw="$(rate_of <<<"$raw")" -v zv="$(rate_of <<<"$zv")" 'BEGIN {printf "%.0f", 100 * zv / raw}')")
    echo "round $r: ratio ${ratios[-1]}%"
    growth=$((hwm_after - rss_before > growth ? hwm_after - rss_before : growth))
    best_raw=$(awk -v a="$best_raw" -v b="$(rate_of <<<"$raw")" 'BEGIN {print (b > a ? b : a)}')
    best_zv=$(awk -v a="$best_zv" -v b="$(rate_of <<<"$zv")" 'BEGIN {print (b > a ? b : a)}')
done
kill -TERM "$app"
lan_wait_exit "$app" 10 >/dev/null
median=$(printf '%s\n' "${ratios[@]}" | sort -n | sed -n "$(((${#ratios[@]} + 1) / 2))p")
echo "median ratio zavolin/raw over $rounds rounds: $median%"
awk -v raw="$best_raw" -v zv="$best_zv" -v g="$growth" -v mib="$size_mib" 'BEGIN {
    printf "best of each: raw %.0f MiB/s, zavolin %.0f MiB/s\n", raw, zv
    printf "receiver peak memory growth for %d MiB: %.1f MiB\n", mib, g / 1024
}'
