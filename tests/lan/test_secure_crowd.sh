#!/usr/bin/env bash
# The program on pc-a, limited to 2,048 descriptors, while pc-x holds 64 silent
# TLS connections from each of 40 addresses: it holds a bounded number, an open
# message from pc-b is acknowledged within 1 s all the while, and its memory
# comes back near idle afterwards.
# Usage: test_secure_crowd.sh ZAVOLIN ZVPROBE
set -u
here=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")" && pwd)
LAN_BG_TIMEOUT=${LAN_BG_TIMEOUT:-90}
# shellcheck source=lan.sh
source "$here/lan.sh"
for tool in python3 openssl; do
    command -v "$tool" >/dev/null 2>&1 || _lan_skip "'$tool' is not installed"
done
lan_programs zavolin zvprobe -- "$@"

# Handshakes and established connections it may hold; what the allocator may keep.
readonly MOST_HELD=512 NEAR_IDLE_KB=$((16 * 1024))
lan_up pc-a pc-b pc-x
logs=$LAN_DIR/logs
sources=$(for ((i = 100; i < 140; i++)); do
    ip -n lan-pc-x addr add "$LAN_PREFIX.$i/24" dev eth0 && echo "$LAN_PREFIX.$i"
done | paste -sd,)
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2 -subj /CN=crowd \
    -keyout "$LAN_DIR/crowd.key" -out "$LAN_DIR/crowd.pem" >"$logs/openssl.log" 2>&1
# shellcheck disable=SC2016  # expanded by the inner shell
lan_bg pc-a "$logs/a.log" bash -c 'ulimit -n 2048 && exec "$0" --home "$1"' "$zavolin" "$LAN_DIR/a-home"
zv=$LAN_LAST_PID
ack_ms() { # TEXT: how long pc-a took to acknowledge it
    lan_exec pc-b "$zvprobe" time-msg "$(lan_ip pc-a)" PC-B "$1" >"$logs/ping.log" 2>&1 &&
        sed -n 's/^ACK //p' "$logs/ping.log"
}
for ((i = 0; i < 50; i++)); do
    ack_ms ping >/dev/null || { kill -0 "$zv" 2>/dev/null && sleep 0.2 && continue; }
    break
done
pid=$(pidof zavolin) || { lan_fail "zavolin never started"; lan_show "$logs/a.log"; lan_finish; exit; }
rss_kb() { awk '$1 == "VmRSS:" { print $2 }' "/proc/$pid/status"; }
idle=$(rss_kb)

lan_bg pc-x "$logs/crowd.log" python3 "$here/tls_crowd.py" "$(lan_ip pc-a)" 6712 "$LAN_DIR/crowd.pem" \
    "$LAN_DIR/crowd.key" "$sources" 64 25
crowd=$LAN_LAST_PID
lan_wait_line "$logs/crowd.log" '^STARTED' 10 "$crowd"
worst=0 lost=0 peak=0
for ((n = 1; n <= 10; n++)); do
    sleep 1.5 # spreads the messages over the crowd
    ms=$(ack_ms "в толпе $n") && ((ms > worst)) && worst=$ms
    [[ -n $ms ]] || lost=$((lost + 1))
    rss=$(rss_kb) && ((rss > peak)) && peak=$rss
done
lan_wait_exit "$crowd" 40
((lost == 0 && worst <= 1000)) && lan_pass "10 open messages in the crowd, each acknowledged within $worst ms" ||
    lan_fail "open messages in the crowd: $lost unanswered, the slowest $worst ms"
read -r held of < <(sed -n 's/^HELD \([0-9]*\) OF \([0-9]*\)$/\1 \2/p' "$logs/crowd.log")
[[ ${of:-} == 2560 ]] && ((held <= MOST_HELD)) && lan_pass "at most $held of 2560 crowding connections held" ||
    { lan_fail "crowding connections held: ${held:-?} of ${of:-?}"; lan_show "$logs/crowd.log"; }
for ((i = 0; i < 50; i++)); do
    after=$(rss_kb) && ((after <= idle + NEAR_IDLE_KB)) && break
    sleep 0.2
done
echo "RSS: idle $idle kB, during the crowd up to $peak kB, after $after kB"
if ((after <= idle + NEAR_IDLE_KB)) && ms=$(ack_ms "после толпы") && [[ -n $ms ]]; then
    lan_pass "after the crowd the program answers and its memory is back near idle"
else
    lan_fail "after the crowd: RSS $after kB against $idle kB idle; answering: ${ms:-no}"
    lan_show "$logs/a.log"
fi
lan_finish
