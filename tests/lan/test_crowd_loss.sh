#!/usr/bin/env bash
# Instances started together on one bridge that drops 5 % of the datagrams it
# delivers to each host (nft on the bridge, each port's copy on its own):
# every instance lists every other within 15 s. The datagrams sent are
# counted against N² + N. CROWD=N for another crowd, LOSS=P another share.
# Usage: test_crowd_loss.sh ZVPEER
set -u
here=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")" && pwd)
LAN_BG_TIMEOUT=${LAN_BG_TIMEOUT:-90}
# shellcheck source=lan.sh
source "$here/lan.sh"
lan_programs zvpeer -- "$@"

readonly N=${CROWD:-40} LOSS=${LOSS:-5} WITHIN=15
lan_need nft
hosts=()
for ((i = 1; i <= N; i++)); do hosts+=("$(printf 'p%02d' "$i")"); done
lan_up "${hosts[@]}"
lan_neighbours
lan_loss "$LOSS"
logs=$LAN_DIR/logs
echo "load before the start: $(cut -d' ' -f1-3 /proc/loadavg)"
# Times since boot on both sides: the instances stamp each contact they add.
start=$(cut -d' ' -f1 /proc/uptime)
for h in "${hosts[@]}"; do
    lan_bg "$h" "$logs/$h.log" env QT_LOGGING_RULES="zavolin.presence.debug=true;zavolin.net.debug=true" \
        QT_MESSAGE_PATTERN="%{time boot} %{category}: %{message}" "$zvpeer" "$LAN_DIR/home-$h" 60
done
started=$(awk -v s="$start" -v n="$(cut -d' ' -f1 /proc/uptime)" 'BEGIN { printf "%d", (n - s) * 1000 }')
# Everyone listed everyone, or well past the bound: a busy machine may be
# slow to tell, the verdict goes by the stamps.
complete=0
for ((i = 0; i < 4 * WITHIN && complete < N; i++)); do
    complete=$(awk -v want=$((N - 1)) '/^CONTACTS / { c[FILENAME] = $2 } END { for (f in c) n += c[f] == want; print n + 0 }' "$logs"/*.log)
    sleep 0.5
done
took_ms=$(grep -h ' zavolin.presence: contact added: ' "$logs"/*.log |
    awk -v s="$start" '$1 > last { last = $1 } END { printf "%d", (last - s) * 1000 }')
if ((complete == N && took_ms <= WITHIN * 1000)); then
    lan_pass "with $LOSS % loss all $N instances list all others after $took_ms ms (starting them took $started ms)"
else
    lan_fail "after ${WITHIN} s only $complete of $N instances list all others (the last was added after $took_ms ms)"
    for h in "${hosts[@]}"; do
        missing=$(for o in "${hosts[@]}"; do
            [[ $o != "$h" ]] && ! grep -q "contact added: ${o^^} " "$logs/$h.log" && echo "$o"
        done | paste -sd,)
        [[ -n $missing ]] && echo "$h misses $missing"
    done
    [[ -n ${ZV_KEEP_LOGS:-} ]] && cp -r "$logs" "$ZV_KEEP_LOGS"
fi
sleep 3 # the last repeats and replies
for pid in "${LAN_PIDS[@]}"; do kill -TERM "$pid" 2>/dev/null; done
for pid in "${LAN_PIDS[@]}"; do lan_wait_exit "$pid" 20 >/dev/null; done
sent=$(cat "$logs"/p*.log | sed -n 's/^DATAGRAMS sent \([0-9]*\) .*/\1/p' | paste -sd+ | bc)
read -r copies dropped <<<"$(lan_loss_counted)"
# Figures, not a verdict: the traffic target belongs to the scale benchmark.
echo "DATAGRAMS sent by all: ${sent:-?} (N²+N = $((N * N + N))); the bridge dropped ${dropped:-?} of ${copies:-?} copies"
echo "load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
lan_finish
