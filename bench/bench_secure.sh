#!/usr/bin/env bash
# The secure channel against the open one, measured on a running zavolin
# (offscreen, its own home, received files saved into a folder) in a private
# network namespace, both driven by the same C client (raw_tls) in the same
# run: MESSAGES message exchanges one after another in the open (a connection
# per message) and over TLS (one connection; and a tenth as many with a
# handshake each), and one file of FILE_MIB MiB in the open and over TLS,
# ROUNDS times, the order of the two swapped every round. Prints each rate,
# the ratios secure/open, the receiver's CPU time for each part and its
# memory (VmRSS before the files, VmHWM after the messages and at the end).
# Then, as references: the same C client to raw_tls's own receiver (what TLS
# costs with no program on either end), and the program's stream client
# sending the file to that C receiver (bench_secure_send).
#   bench/bench_secure.sh BUILD_DIR [MESSAGES] [FILE_MIB] [ROUNDS]
# Runs itself inside `unshare -rn` (loopback only); files live under
# BENCH_DIR (default /var/tmp).
set -u
source "$(dirname -- "${BASH_SOURCE[0]}")/private_loopback.sh" "$@"

build=$(realpath -- "${1:?usage: bench_secure.sh BUILD_DIR [MESSAGES] [FILE_MIB] [ROUNDS]}")
messages=${2:-3000}
size_mib=${3:-1024}
rounds=${4:-3}
raw_tls=$build/bench/raw_tls
fresh=$((messages / 10 > 0 ? messages / 10 : 1))

data=$(mktemp -d "${BENCH_DIR:-/var/tmp}/zvsecure.XXXXXX") || exit 1
app=
cleanup() {
    [[ -n $app ]] && kill -TERM "$app" 2>/dev/null && wait "$app" 2>/dev/null
    rm -rf -- "$data"
}
trap cleanup EXIT
mkdir -p "$data/in" "$data/home"
printf '[Form]\r\nCh20=1\r\nSaveFileDir=%s\r\nCh18=0\r\n' "$data/in" >"$data/home/Zavolin.ini"

echo "machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1), kernel $(uname -r)"
echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
head -c "$((size_mib * 1048576))" /dev/urandom >"$data/source.bin"
bytes=$((size_mib * 1048576))

QT_QPA_PLATFORM=offscreen timeout 1800 "$build/zavolin" --home "$data/home" >"$data/zavolin.log" 2>&1 &
app=$!
for ((i = 0; i < 100; i++)); do
    [[ -n $(ss -Hltn 'sport = :6712') && -n $(ss -Hltn 'sport = :711') ]] && break
    sleep 0.1
done
zpid=$(pgrep -P "$app" | head -n 1) # timeout's child is the program
[[ -n $zpid ]] || { echo "zavolin did not start"; cat "$data/zavolin.log"; exit 1; }

status_kib() { awk -v key="$1:" '$1 == key {print $2}' "/proc/$zpid/status"; }
cpu_ticks() { awk '{sub(/.*\) /, ""); print $12, $13}' "/proc/$zpid/stat"; }
faults() { awk '{sub(/.*\) /, ""); print $8}' "/proc/$zpid/stat"; }
tick=$(getconf CLK_TCK)
rate_of() { sed -n 's/.*= \([0-9.]*\) .*/\1/p'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", (b > 0 ? a / b : 0)}'; }

# Runs raw_tls with its arguments; prints its line and the receiver's CPU seconds for it.
measured() {
    local before after out faults0 user system
    faults0=$(faults)
    before=$(cpu_ticks)
    out=$( { TIMEFORMAT="sender CPU %U+%S s"; time timeout 600 "$raw_tls" "$@"; } 2>&1) || { echo "raw_tls $* failed" >&2; exit 1; }
    out=${out//$'\n'/; }
    after=$(cpu_ticks)
    user=$(($(cut -d' ' -f1 <<<"$after") - $(cut -d' ' -f1 <<<"$before")))
    system=$(($(cut -d' ' -f2 <<<"$after") - $(cut -d' ' -f2 <<<"$before")))
    printf '%s; receiver CPU %.2f+%.2f s, %d page faults\n' "$out" "$(awk -v t="$user" -v hz="$tick" 'BEGIN {print t / hz}')" \
        "$(awk -v t="$system" -v hz="$tick" 'BEGIN {print t / hz}')" "$(($(faults) - faults0))"
}

# Waits until the received file stands whole under its name, checks and removes it.
received_whole() {
    for ((i = 0; i < 600; i++)); do
        [[ $(stat -c %s "$data/in/source.bin" 2>/dev/null || echo 0) == "$bytes" ]] && break
        sleep 0.05
    done
    cmp -s "$data/source.bin" "$data/in/source.bin" || { echo "received file differs" >&2; exit 1; }
    rm -f "$data/in/source.bin"
}

file_round() {
    sync
    local line
    line=$(measured file "$1" "$2" "$data/source.bin")
    received_whole
    echo "$line"
}

# Warm-up, not counted: the first key is pinned, caches are filled.
"$raw_tls" msg open 6711 100 >/dev/null && "$raw_tls" msg tls 6712 100 >/dev/null || exit 1

msg_ratios=() fresh_ratios=() file_ratios=() program_tls=()
for ((r = 1; r <= rounds; r++)); do
    open=$(measured msg open 6711 "$messages")
    tls=$(measured msg tls 6712 "$messages")
    hs=$(measured msg fresh 6712 "$fresh")
    echo "round $r: $open"
    echo "round $r: $tls"
    echo "round $r: $hs"
    msg_ratios+=("$(ratio "$(rate_of <<<"${tls%%;*}")" "$(rate_of <<<"${open%%;*}")")")
    fresh_ratios+=("$(ratio "$(rate_of <<<"${hs%%;*}")" "$(rate_of <<<"${open%%;*}")")")
    echo "round $r: messages secure/open ${msg_ratios[-1]} (target >= 0.5), with a handshake each ${fresh_ratios[-1]}"
    ((r == 1)) && hwm_msgs=$(status_kib VmHWM) && rss_files=$(status_kib VmRSS)
    if ((r % 2)); then
        fopen=$(file_round open 711)
        ftls=$(file_round tls 6712)
    else
        ftls=$(file_round tls 6712)
        fopen=$(file_round open 711)
    fi
    echo "round $r: $fopen"
    echo "round $r: $ftls"
    file_ratios+=("$(ratio "$(rate_of <<<"${ftls%%;*}")" "$(rate_of <<<"${fopen%%;*}")")")
    program_tls+=("$(rate_of <<<"${ftls%%;*}")")
    echo "round $r: file secure/open ${file_ratios[-1]} (target >= 0.7)"
done

# What TLS itself costs here, with no program on either end: the same C
# client to raw_tls's own receiver, which drops the bytes (no disk).
c_ratios=() against_c=()
for ((r = 1; r <= rounds; r++)); do
    line="round $r, C to C:"
    for mode in open tls; do
        timeout 300 "$raw_tls" serve "$mode" 7714 300 >"$data/serve.out" &
        serve=$!
        for ((i = 0; i < 100; i++)); do
            grep -q READY "$data/serve.out" && break
            sleep 0.05
        done
        out=$("$raw_tls" file "$mode" 7714 "$data/source.bin") || { echo "raw_tls to raw_tls failed" >&2; exit 1; }
        wait "$serve"
        line="$line $out;"
        [[ $mode == open ]] && c_open=$(rate_of <<<"$out") || c_tls=$(rate_of <<<"$out")
    done
    c_ratios+=("$(ratio "$c_tls" "$c_open")")
    against_c+=("$(ratio "${program_tls[r - 1]}" "$c_tls")")
    echo "$line secure/open ${c_ratios[-1]}; the program over TLS against this C receiver over TLS ${against_c[-1]}"
done

# The program's sending: its stream client to raw_tls's receiver.
"$build/bench/bench_secure_send" "$raw_tls" "$data/source.bin" "$rounds" || echo "bench_secure_send failed"

echo "messages secure/open: ${msg_ratios[*]}; with a handshake each: ${fresh_ratios[*]}"
echo "file of $size_mib MiB secure/open: ${file_ratios[*]}; C to C without the program: ${c_ratios[*]}"
echo "the program receiving over TLS against the C receiver over TLS: ${against_c[*]}"
echo "receiver memory: VmHWM $((hwm_msgs / 1024)) MiB after the first messages, VmRSS $((rss_files / 1024)) MiB before the files, VmHWM $(($(status_kib VmHWM) / 1024)) MiB at the end"
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
