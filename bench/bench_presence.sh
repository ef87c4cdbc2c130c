#!/usr/bin/env bash
# Presence at scale: N instances of the messenger without a window (zvpeer)
# started together, each on a host of its own on one bridge, with what
# crosses the bridge captured. For each N it prints:
#  - the datagrams (UDP 6711) by kind, against N²+N (every instance's
#    announcement and every other's answer to it) and the target 1.3 × (N²+N);
#  - when everyone listed everyone, and when it went quiet: the last datagram
#    that is not a start-up `%` broadcast (those repeat at 1, 3, 7 and 15 s
#    by design), and the last of any kind;
#  - CPU: the instances' user and system time, and per datagram received
#    after taking off, for each instance, what one instance alone on the
#    bridge spent (start, repeats, end), measured first in the same run.
# Every instance ends after BOUND seconds (90) at most.
#   bench/bench_presence.sh BUILD_DIR [N...]       (default: 60 200)
# LOSS=P makes the bridge drop P % of the copies it delivers; KEEP=DIR keeps
# each run's capture and logs in DIR/N.
set -u
here=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")" && pwd)
readonly BOUND=${BOUND:-90}

if [[ ${1:-} != --one ]]; then
    build=$(realpath -- "${1:?usage: bench_presence.sh BUILD_DIR [N...]}") || exit 1
    shift
    counts=("$@")
    ((${#counts[@]})) || counts=(60 200)
    echo "machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)," \
        "$(awk '/MemTotal/ {printf "%.0f GiB", $2 / 1048576}' /proc/meminfo), kernel $(uname -r)"
    for n in "${counts[@]}"; do
        ((n >= 2 && n <= 200)) || { echo "N must be 2 to 200, not $n" >&2; exit 2; }
        bash "$0" --one "$n" "$build" || exit
    done
    exit 0
fi

readonly N=$2
build=$3
LAN_BG_TIMEOUT=$((BOUND + 10))
# shellcheck source=../tests/lan/lan.sh
source "$here/../tests/lan/lan.sh"
zvpeer=$build/tests/lan/zvpeer
[[ -x $zvpeer ]] || { echo "build zvpeer first: cmake --build $build --target zvpeer" >&2; exit 1; }
lan_require "$@"
lan_need python3

hosts=()
for ((i = 1; i <= N; i++)); do hosts+=("$(printf 'p%03d' "$i")"); done
lan_up "${hosts[@]}"
lan_neighbours
((${LOSS:-0} > 0)) && lan_loss "$LOSS"
logs=$LAN_DIR/logs
capture=$LAN_DIR/bridge.cap

listing_all() {
    awk -v want=$((N - 1)) '/^CONTACTS / { c[FILENAME] = $2 } END { for (f in c) n += c[f] == want; print n + 0 }' "$logs"/p*.log
}
bridge_frames() { ip -s -o link show "$LAN_BRIDGE" | awk '{ for (i = 1; i <= NF; i++) if ($i == "RX:") { print $(i + 9); exit } }'; }
sum_field() { sed -n "s/^DATAGRAMS .* $1 \\([0-9]*\\).*/\\1/p" "${@:2}" | paste -sd+ | bc; }

# The reference: one instance alone, through its start-up repeats.
lan_bg "${hosts[0]}" "$logs/alone.log" "$zvpeer" "$LAN_DIR/home-alone" 17
lan_wait_exit "$LAN_LAST_PID" 30 >/dev/null
alone_cpu=$(sum_field cpu "$logs/alone.log")

python3 "$here/../tests/lan/bridge_capture.py" --stamped-udp 6711 "$LAN_BRIDGE" "$capture" 2>"$logs/capture.log" &
capture_pid=$!
LAN_PIDS+=("$capture_pid")
lan_wait_line "$logs/capture.log" 'listening on' 10 "$capture_pid" || { echo "the capture did not start"; exit 1; }

load=$(cut -d' ' -f1-3 /proc/loadavg)
start=$(date +%s%N)
for h in "${hosts[@]}"; do
    lan_bg "$h" "$logs/$h.log" "$zvpeer" "$LAN_DIR/home-$h" "$BOUND"
done
started_ms=$((($(date +%s%N) - start) / 1000000))

# Everyone lists everyone; then quiet: nothing on the bridge for 3 s, and
# past the last start-up repeat.
listed_ms=
last_frames=-1
still_since=$(date +%s%N)
while (($(date +%s%N) - start < BOUND * 1000000000)); do
    if [[ -z $listed_ms ]]; then
        (($(listing_all) == N)) && listed_ms=$((($(date +%s%N) - start) / 1000000))
    fi
    frames=$(bridge_frames)
    now=$(date +%s%N)
    [[ $frames != "$last_frames" ]] && still_since=$now
    last_frames=$frames
    if [[ -n $listed_ms ]] && ((now - still_since >= 3000000000 && now - start >= (started_ms + 16000) * 1000000)); then
        break
    fi
    sleep 0.5
done
cpu_load=$(cut -d' ' -f1-3 /proc/loadavg)
kill -INT "$capture_pid"
lan_wait_exit "$capture_pid" 30 >/dev/null
for pid in "${LAN_PIDS[@]}"; do kill -TERM "$pid" 2>/dev/null; done
for pid in "${LAN_PIDS[@]}"; do lan_wait_exit "$pid" 30 >/dev/null; done

echo "== $N instances (load before $load, at the end $cpu_load); starting them took $started_ms ms"
if [[ -n $listed_ms ]]; then
    echo "everyone lists everyone after $listed_ms ms"
else
    echo "after $BOUND s only $(listing_all) of $N list everyone"
fi
summary=$(python3 "$here/../tests/lan/bridge_capture.py" --udp-summary 6711 "$start" "$capture")
echo "$summary" | sed 's/^KIND /  /'
total=$(echo "$summary" | sed -n 's/^TOTAL //p')
sent=$(sed -n 's/^DATAGRAMS sent \([0-9]*\) .*/\1/p' "$logs"/p*.log | paste -sd+ | bc)
echo "$(grep -h 'capture dropped' "$logs/capture.log"); the instances counted $sent datagrams sent"
# The instances' count is exact; the capture's only when it dropped nothing.
((sent > total)) && total=$sent
((${LOSS:-0} > 0)) && echo "the bridge dropped $(lan_loss_counted | cut -d' ' -f2) of $(lan_loss_counted | cut -d' ' -f1) copies"
awk -v t="$total" -v n="$N" 'BEGIN {
    printf "datagrams %d against N²+N = %d: %.2f (target at most 1.30, %d)\n", t, n * n + n, t / (n * n + n), 1.3 * (n * n + n) }'
echo "$summary" | awk '/^KIND/ { if (!($2 == "%" && $3 == "broadcast")) q = ($6 > q ? $6 : q); a = ($6 > a ? $6 : a) }
    END { printf "quiet after %.1f s but for the start-up repeats; the last datagram at %.1f s\n", q, a }'
received=$(sum_field received "$logs"/p*.log)
cpu=$(sum_field cpu "$logs"/p*.log)
reported=$(grep -c '^DATAGRAMS' "$logs"/p*.log | grep -c ':1$')
if [[ -n ${KEEP:-} ]]; then
    mkdir -p "$KEEP/$N" && cp -r "$logs" "$capture" "$KEEP/$N/" && echo "$start" >"$KEEP/$N/start"
fi
awk -v c="$cpu" -v a="$alone_cpu" -v r="$received" -v n="$N" -v k="$reported" 'BEGIN {
    printf "CPU %.0f ms per instance (%d reported), one alone %d ms; %.1f µs per datagram received (%d received) beyond that\n",
        c / k, k, a, (c - k * a) * 1000 / r, r }'
