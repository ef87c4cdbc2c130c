#!/usr/bin/env bash
# The receiver's CPU per message with its window on a real X server: zavolin
# under Xvfb with the default options (its window shown by the first message),
# raw_msg's C client posting one exchange after another and from 8 senders,
# and right before each, the same client posting to raw_msg's own C receiver
# in the same run. Runs itself in a private network namespace.
#   bench/bench_receive.sh BUILD_DIR [COUNT] [ROUNDS]
# Prints per round the rates, the ratio, the receiver's CPU per message (from
# /proc/PID/stat, once it has gone quiet after the last acknowledgement: the
# layout and painting belong to the messages) against the C receiver's, and
# the receiver's VmRSS at start and at the end.
set -euo pipefail
source "$(dirname -- "${BASH_SOURCE[0]}")/private_loopback.sh" "$@"
build=$(realpath -- "${1:?usage: bench_receive.sh BUILD_DIR [COUNT] [ROUNDS]}")
count=${2:-20000}
rounds=${3:-3}
zavolin=$build/zavolin
raw=$build/bench/raw_msg
hz=$(getconf CLK_TCK)
port=6711
separator='^//---------------------------------------------------------------------'

work=$(mktemp -d)
xvfb=
app=
cleanup() {
    [[ -n $app ]] && kill "$app" 2>/dev/null && wait "$app" 2>/dev/null
    [[ -n $xvfb ]] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

mkfifo "$work/display"
Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 3>"$work/display" 2>/dev/null &
xvfb=$!
read -r -t 20 display <"$work/display" || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=:$display QT_QPA_PLATFORM=xcb
# No desktop session: no session bus, no accessibility bus.
unset DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS

ticks() { # "utime stime" of a process, in clock ticks
    local stat
    stat=$(<"/proc/$1/stat")
    stat=${stat##*) }
    read -r -a f <<<"$stat"
    echo "${f[11]} ${f[12]}"
}
settled_ticks() { # once the process has gone quiet
    local last now
    last=$(ticks "$1")
    for _ in $(seq 50); do
        sleep 0.2
        now=$(ticks "$1")
        [[ $now == "$last" ]] && break
        last=$now
    done
    echo "$now"
}
rss() { awk -v f="$2:" '$1 == f {printf "%.1f", $2 / 1024}' "/proc/$1/status"; }
entries() { grep -c -a "$separator" "$1" 2>/dev/null || true; }

for ((round = 1; round <= rounds; round++)); do
    for senders in 1 8; do
        load=$(cut -d' ' -f1 /proc/loadavg)
        ref=$("$raw" 7412 "$count" "$senders" 1)
        ref_rate=$(sed -n 's/^raw: .*= \([0-9]*\) msg\/s/\1/p' <<<"$ref")
        ref_cpu=$(sed -n 's/^raw server CPU: \([0-9.]*\) us.*/\1/p' <<<"$ref")

        home=$work/home$round-$senders
        mkdir -p "$home"
        "$zavolin" --home "$home" >"$work/app.log" 2>&1 &
        app=$!
        # Up once it acknowledges; the first messages show the window.
        up=0
        for _ in $(seq 100); do
            if "$raw" --post "$port" 1 >/dev/null 2>&1; then up=1; break; fi
            sleep 0.1
        done
        ((up)) || { echo "zavolin did not answer"; cat "$work/app.log"; exit 1; }
        start_rss=$(rss "$app" VmRSS)
        "$raw" --post "$port" 200 >/dev/null
        sleep 1.5 # past the start-up hide; every message meets the window shown
        log=$home/Log.txt
        before=$(entries "$log")
        read -r u0 s0 < <(settled_ticks "$app")
        begin=$(date +%s%N)
        post=$("$raw" --post "$port" "$count" "$senders")
        for _ in $(seq 600); do
            (($(entries "$log") >= before + count)) && break
            sleep 0.1
        done
        end=$(date +%s%N)
        read -r u1 s1 < <(settled_ticks "$app")
        recorded=$(($(entries "$log") - before))
        end_rss=$(rss "$app" VmRSS)
        kill -TERM "$app"
        wait "$app" 2>/dev/null || true
        app=
        grep -q '^post:' <<<"$post" || { echo "posting failed: $post"; exit 1; }
        awk -v n="$count" -v rec="$recorded" -v u="$((u1 - u0))" -v sy="$((s1 - s0))" -v hz="$hz" -v ns="$((end - begin))" \
            -v rr="$ref_rate" -v rc="$ref_cpu" -v s="$senders" -v r="$round" -v load="$load" \
            -v rs="$start_rss" -v re="$end_rss" 'BEGIN {
            rate = rec / (ns / 1e9)
            t = u + sy
            printf "round %d, %d sender(s), load %s: zavolin %d of %d recorded, %.0f msg/s, %.0f us CPU per message (user %.0f, system %.0f); " \
                   "C receiver %s msg/s, %s us per message; ratio %.2f; VmRSS %s MiB at start, %s MiB at the end\n",
                   r, s, load, rec, n, rate, t / hz * 1e6 / n, u / hz * 1e6 / n, sy / hz * 1e6 / n, rr, rc, rate / rr, rs, re
        }'
    done
done
