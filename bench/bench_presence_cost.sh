#!/usr/bin/env bash
# What a presence datagram costs a running zavolin (its own home, the window
# shown: Ch18=0), offscreen and under Xvfb, with 10 and with 1,000 contacts
# listed. raw_presence sends to it, RATE per second: COUNT "%" from new names
# (one host, as a flood would come), COUNT "%" repeated by listed names, and
# COUNT "(" / ")" turning listed names' auto-answer on and off. For each, the
# program's CPU time per datagram (/proc/PID/stat, every thread, counted until
# it has gone quiet, less its idle rate) and apart its GUI thread's; then, in
# the same round, the same sender to raw_presence's bare recvfrom loop. Prints
# each round, and the median and range of each figure over ROUNDS; datagrams
# the kernel dropped for a full socket buffer are counted and shown.
#   bench/bench_presence_cost.sh BUILD_DIR [COUNT] [ROUNDS] [RATE] [PLATFORMS]
# PLATFORMS: "offscreen xvfb" unless told.
# Runs itself inside `unshare -rn` (loopback only).
set -u
source "$(dirname -- "${BASH_SOURCE[0]}")/private_loopback.sh" "$@"

build=$(realpath -- "${1:?usage: bench_presence_cost.sh BUILD_DIR [COUNT] [ROUNDS] [RATE]}")
count=${2:-2000}
rounds=${3:-3}
rate=${4:-2000}
platforms=${5:-offscreen xvfb}
raw=$build/bench/raw_presence
((count >= 100 && count <= 3000)) || { echo "COUNT from 100 to 3000: the list takes 4,096 names" >&2; exit 64; }

data=$(mktemp -d "${TMPDIR:-/tmp}/zvpresence.XXXXXX") || exit 1
app='' xvfb=''
stop_app() {
    [[ -n $app ]] && kill -TERM "$app" 2>/dev/null && wait "$app" 2>/dev/null
    app=
}
cleanup() {
    stop_app
    [[ -n $xvfb ]] && kill -TERM "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    rm -rf -- "$data"
}
trap cleanup EXIT

hz=$(getconf CLK_TCK)
ticks() { awk '{sub(/.*\) /, ""); print $12 + $13}' "/proc/$zpid/stat"; }
gui_ns() { cut -d' ' -f1 "/proc/$zpid/schedstat"; }
drops() { awk '/^Udp:/ && ++n == 2 {print $6}' /proc/net/snmp; } # RcvbufErrors
now_ns() { date +%s%N; }

# Until the program's CPU time has stood still for 1.5 s (its replies go
# 20-300 ms late, the key announcement after a second), at most 30 s.
settle() {
    local last same=0 t
    last=$(ticks)
    for ((i = 0; i < 300 && same < 15; i++)); do
        sleep 0.1
        t=$(ticks)
        if ((t == last)); then same=$((same + 1)); else same=0 last=$t; fi
    done
}

start_app() { # PLATFORM
    rm -rf -- "${data:?}/home" && mkdir -p "$data/home"
    printf '[Form]\r\nCh18=0\r\n' >"$data/home/Zavolin.ini"
    if [[ $1 == xvfb ]]; then
        # A server of its own each time: one that served several starts before
        # now and then leaves the next client waiting for it.
        rm -f "$data/display"
        Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$data/display" >"$data/xvfb.log" 2>&1 &
        xvfb=$!
        for ((i = 0; i < 100; i++)); do
            [[ -s $data/display ]] && break
            sleep 0.1
        done
        display=:$(head -n 1 "$data/display")
        env QT_QPA_PLATFORM=xcb DISPLAY="$display" timeout 600 "$build/zavolin" --home "$data/home" >"$data/zavolin.log" 2>&1 &
    else
        env QT_QPA_PLATFORM=offscreen timeout 600 "$build/zavolin" --home "$data/home" >"$data/zavolin.log" 2>&1 &
    fi
    app=$!
    for ((i = 0; i < 200; i++)); do
        [[ -n $(ss -Hlun 'sport = :6711') ]] && break
        sleep 0.1
    done
    zpid=$(pgrep -P "$app" | head -n 1) # timeout's child is the program
    [[ -n $zpid && -n $(ss -Hlun 'sport = :6711') ]] || { echo "zavolin did not start (pid ${zpid:-none}, timeout wrapper $(kill -0 "$app" 2>&1 && echo alive || echo gone))"; ss -Hlun; cat "$data/zavolin.log"; exit 1; }
    sleep 4 # past the start-up hide and the check for our own echo
    settle
}

# Sends COMMANDS FIRST NAMES COUNT; prints "CPU_US GUI_US DROPS" per datagram.
measure() {
    local t0 g0 i0 t1 g1 d0 idle elapsed start
    t0=$(ticks) && g0=$(gui_ns) && i0=$(now_ns)
    sleep 1
    idle=$(awk -v t="$(($(ticks) - t0))" -v hz="$hz" -v ns="$(($(now_ns) - i0))" 'BEGIN {print t / hz / (ns / 1e9)}')
    t0=$(ticks) && g0=$(gui_ns) && d0=$(drops) && start=$(now_ns)
    "$raw" send 6711 "$1" "$2" "$3" "$4" "$rate" >/dev/null || { echo "raw_presence send failed" >&2; exit 1; }
    settle
    t1=$(ticks) && g1=$(gui_ns)
    elapsed=$(($(now_ns) - start))
    awk -v t="$((t1 - t0))" -v g="$((g1 - g0))" -v hz="$hz" -v idle="$idle" -v s="$elapsed" -v n="$4" \
        -v d="$(($(drops) - d0))" 'BEGIN {
        cpu = t / hz - idle * s / 1e9
        printf "%.0f %.0f %d\n", (cpu > 0 ? cpu : 0) * 1e6 / n, g / 1e3 / n, d
    }'
}

# The bare receiver, fed the same way: its CPU per datagram.
raw_reference() {
    : >"$data/raw.out"
    "$raw" recv 6799 "$count" 5 >"$data/raw.out" &
    local receiver=$!
    for ((i = 0; i < 100; i++)); do
        grep -q READY "$data/raw.out" && break
        sleep 0.05
    done
    "$raw" send 6799 % 200000 "$count" "$count" "$rate" >/dev/null
    wait "$receiver"
    awk -v n="$count" '/^received/ {gsub(/,/, ""); printf "%.1f\n", $4 / n}' "$data/raw.out"
}

echo "machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1), kernel $(uname -r)"
echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "$count datagrams per run at $rate/s, $rounds rounds; figures are us of CPU per datagram (GUI thread apart)"

declare -A figures
for platform in $platforms; do
    for listed in 10 1000; do
        for ((r = 1; r <= rounds; r++)); do
            start_app "$platform"
            "$raw" send 6711 % 0 "$listed" "$listed" "$rate" >/dev/null
            settle
            line="$platform, $listed listed, round $r (load $(cut -d' ' -f1 /proc/loadavg)):"
            for run in new known status; do
                case $run in
                new) read -r cpu gui dropped < <(measure % 100000 "$count" "$count") ;;
                known) read -r cpu gui dropped < <(measure % 0 "$listed" "$count") ;;
                status) read -r cpu gui dropped < <(measure '()' 0 "$listed" "$count") ;;
                esac
                line="$line $run $cpu ($gui)"
                [[ $dropped != 0 ]] && line="$line [$dropped dropped]"
                figures[$platform,$listed,$run]+="$cpu "
            done
            stop_app
            reference=$(raw_reference)
            figures[raw]+="$reference "
            echo "$line; raw recvfrom $reference"
        done
    done
done

summary() { # VALUES...
    printf '%s\n' "$@" | sort -n | awk '{v[NR] = $1} END {printf "median %s (%s-%s)", v[int((NR + 1) / 2)], v[1], v[NR]}'
}
echo "summary, us of CPU per datagram:"
for platform in $platforms; do
    for listed in 10 1000; do
        line="  $platform, $listed listed:"
        for run in new known status; do
            # shellcheck disable=SC2086
            line="$line $run $(summary ${figures[$platform,$listed,$run]});"
        done
        echo "$line"
    done
done
# shellcheck disable=SC2086
echo "  raw recvfrom loop: $(summary ${figures[raw]})"
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
