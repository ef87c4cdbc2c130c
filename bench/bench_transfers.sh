#!/usr/bin/env bash
# Transfer queue figures on a private two-host LAN, against raw_copy moving
# the same number of bytes between the same hosts in the same round:
#  1. 100 files of 1 MiB, and 1,000 files of 16 KiB, from pc-a, each as its
#     own stream, to a running zavolin on pc-b that saves into a folder
#     (reference: raw_copy making the same exchange per file, one connection
#     after another; one raw stream of the same bytes is shown beside it);
#  2. a folder of 1,000 small files (1-32 KiB), packed into a ZIP archive off
#     the GUI thread and sent (reference: one raw copy of the folder's bytes);
#  3. packing alone, with the longest gap of a 10 ms timer on the GUI thread.
# Also prints the sender's peak memory for 10 and for 100 files and the
# receiver's peak memory growth, to show memory does not follow the sizes.
#   bench/bench_transfers.sh BUILD_DIR [ROUNDS]
set -u
here=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../tests/lan/lan.sh
source "$here/../tests/lan/lan.sh"
build=$(realpath -- "${1:?usage: bench_transfers.sh BUILD_DIR [ROUNDS]}")
rounds=${2:-3}
LAN_BG_TIMEOUT=900
LAN_EXEC_TIMEOUT=300
lan_require "$@"

data=$(mktemp -d "${BENCH_DIR:-/var/tmp}/zvbench.XXXXXX") || exit 1
trap 'rm -rf -- "$data"; lan_down' EXIT
lan_up pc-a pc-b
logs=$LAN_DIR/logs
b_ip=$(lan_ip pc-b)
mkdir -p "$data/in" "$data/home" "$data/files" "$data/Folder"
printf '[Form]\r\nCh20=1\r\nSaveFileDir=%s\r\nCh18=0\r\n' "$data/in" >"$data/home/Zavolin.ini"

echo "machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1), kernel $(uname -r)"
for ((i = 1; i <= 100; i++)); do
    head -c 1048576 /dev/urandom >"$data/files/f$(printf %03d "$i").bin"
done
mkdir -p "$data/small"
for ((i = 1; i <= 1000; i++)); do
    head -c 16384 /dev/urandom >"$data/small/s$(printf %04d "$i").bin"
done
cat "$data"/files/f*.bin >"$data/hundred.bin"
RANDOM=7
for ((i = 0; i < 1000; i++)); do
    sub=$data/Folder/d$((i % 20))
    mkdir -p "$sub"
    head -c $((1024 + RANDOM % 31744)) /dev/urandom >"$sub/файл$i.dat"
done
folder_bytes=$(find "$data/Folder" -type f -printf '%s\n' | awk '{s += $1} END {print s}')
head -c "$folder_bytes" /dev/urandom >"$data/folder-equivalent.bin"
echo "folder: 1000 files in 20 subfolders, $folder_bytes bytes"

lan_bg pc-b "$logs/zavolin.log" "$build/zavolin" --home "$data/home"
app=$LAN_LAST_PID
sleep 3 # let start-up settle
zpid=$(pgrep -P "$app" | head -n 1) # the timeout wrapper's child is the program
status_kib() { awk -v key="$1:" '$1 == key {print $2}' "/proc/$zpid/status"; }
rate_of() { sed -n 's/.*= \([0-9.]*\) MiB\/s.*/\1/p'; }
raw_copy() { # FILE TAG: one raw stream of FILE to pc-b (TAG names its log)
    local copies=$2
    lan_bg pc-b "$logs/raw-serve$copies.log" "$build/bench/raw_copy" serve 7711 "$data/raw.out"
    local serve=$LAN_LAST_PID
    lan_wait_line "$logs/raw-serve$copies.log" '^READY' 5 "$serve" || { echo "raw_copy did not start"; exit 1; }
    sync
    lan_exec pc-a "$build/bench/raw_copy" send "$b_ip" 7711 "$1"
    lan_wait_exit "$serve" 30 >/dev/null
    rm -f "$data/raw.out"
}
raw_many() { # FILE...: each on its own connection to pc-b, as the queue sends them
    mkdir -p "$data/raw.many"
    lan_bg pc-b "$logs/raw-many.log" "$build/bench/raw_copy" serve-many 7711 "$data/raw.many" $#
    local serve=$LAN_LAST_PID
    lan_wait_line "$logs/raw-many.log" '^READY' 5 "$serve" || { echo "raw_copy did not start"; exit 1; }
    sync
    lan_exec pc-a "$build/bench/raw_copy" send-many "$b_ip" 7711 "$@"
    lan_wait_exit "$serve" 60 >/dev/null
    rm -rf "$data/raw.many"
}
wait_files() { # COUNT: files in the receiver's folder
    for ((i = 0; i < 1200 && $(find "$data/in" -type f | wc -l) < $1; i++)); do sleep 0.05; done
}

rss_before=$(status_kib VmRSS)
ratios_files=() ratios_small=() ratios_folder=()
ratio() { awk -v raw="$(rate_of <<<"$1")" -v zv="$(rate_of <<<"$2")" 'BEGIN {printf "%.0f", 100 * zv / raw}'; }
# FOLDER SAMPLE: every file of FOLDER, each its own stream, by raw_copy and by
# the queue; prints both results and the ratio in percent as the last word.
many_files() {
    local files=("$1"/*) raw zv
    raw=$(raw_many "${files[@]}")
    sync
    zv=$(lan_exec pc-a "$build/bench/bench_transfers" send "$b_ip" 711 "${files[@]}")
    wait_files ${#files[@]}
    cmp -s "$1/$2" "$data/in/$2" || { echo "received file differs" >&2; exit 1; }
    rm -f "$data"/in/*
    echo "per-file $raw | $zv $(ratio "$raw" "$zv")"
}
for ((r = 1; r <= rounds; r++)); do
    stream=$(raw_copy "$data/hundred.bin" "files$r")
    many=$(many_files "$data/files" f050.bin)
    ratios_files+=("${many##* }")
    echo "round $r, 100 x 1 MiB: ${many% *} | one stream $stream | ratio ${ratios_files[-1]}%"
    many=$(many_files "$data/small" s0500.bin)
    ratios_small+=("${many##* }")
    echo "round $r, 1000 x 16 KiB: ${many% *} | ratio ${ratios_small[-1]}%"

    raw=$(raw_copy "$data/folder-equivalent.bin" "folder$r")
    sync
    zv=$(lan_exec pc-a "$build/bench/bench_transfers" send "$b_ip" 711 "$data/Folder")
    wait_files 1
    [[ -s $data/in/Folder.zip ]] || { echo "no archive arrived"; exit 1; }
    rm -f "$data"/in/*
    ratios_folder+=("$(awk -v raw="$(rate_of <<<"$raw")" -v zv="$(rate_of <<<"$zv")" 'BEGIN {printf "%.0f", 100 * zv / raw}')")
    echo "round $r, folder of 1000: $raw | $zv | ratio ${ratios_folder[-1]}% (zavolin's time includes packing)"
done
hwm_after=$(status_kib VmHWM)
ten=$(lan_exec pc-a "$build/bench/bench_transfers" send "$b_ip" 711 "$data"/files/f00*.bin "$data/files/f010.bin")
echo "10 x 1 MiB for comparison: $ten"
rm -f "$data"/in/*
echo "pack only: $(lan_exec pc-a "$build/bench/bench_transfers" pack "$data/Folder")"
kill -TERM "$app"
lan_wait_exit "$app" 10 >/dev/null
median() { printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"; }
echo "median ratio zavolin/raw per-file exchange, 100 files of 1 MiB: $(median "${ratios_files[@]}")%"
echo "median ratio zavolin/raw per-file exchange, 1000 files of 16 KiB: $(median "${ratios_small[@]}")%"
echo "median ratio zavolin/raw, folder of 1000 files (packing included): $(median "${ratios_folder[@]}")%"
echo "receiver peak memory growth over all rounds: $(((hwm_after - rss_before) / 1024)) MiB"
