#!/usr/bin/env bash
# Presence across a private LAN: instances on three hosts learn of each other,
# a start-up announces "%" before the auto-answer state, and an instance that
# ends says farewell and leaves every other list. A fourth host listens.
# Usage: test_presence.sh ZAVOLIN ZVNETFORM ZVPROBE
set -u

here=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")" && pwd)
LAN_EXEC_TIMEOUT=${LAN_EXEC_TIMEOUT:-20}
# shellcheck source=lan.sh
source "$here/lan.sh"

lan_programs zavolin zvnetform zvprobe -- "$@"


lan_up pc-a pc-b pc-c pc-d
logs=$LAN_DIR/logs

lan_bg pc-d "$logs/d-udp.log" "$zvprobe" listen-udp 40
listener=$LAN_LAST_PID
lan_wait_line "$logs/d-udp.log" '^READY' 30 "$listener" || lan_fail "listener on pc-d never became ready"

lan_bg pc-a "$logs/a.log" "$zvnetform" "$LAN_DIR/a-home" 40
a=$LAN_LAST_PID
lan_bg pc-b "$logs/b.log" "$zvnetform" "$LAN_DIR/b-home" 40
b=$LAN_LAST_PID
lan_wait_line "$logs/a.log" '^READY' 30 "$a" || lan_fail "pc-a never started"
lan_wait_line "$logs/b.log" '^READY' 30 "$b" || lan_fail "pc-b never started"

# The real program on C.
lan_bg pc-c "$logs/c.log" "$zavolin" --home "$LAN_DIR/c-home"
c=$LAN_LAST_PID

if lan_wait_line "$logs/a.log" '^CONTACTS PC-B,PC-C$' 30 "$a" \
    && lan_wait_line "$logs/b.log" '^CONTACTS PC-A,PC-C$' 30 "$b"; then
    lan_pass "pc-a and pc-b each list the other two"
else
    lan_fail "contact lists did not converge"
    lan_show "$logs/a.log" "$logs/b.log" "$logs/c.log"
fi

c_ip=$(lan_ip pc-c)
# The auto-answer state comes right after the start-up presence, then the key announcement ("$1", name, port, fingerprint).
first_three=$(grep "^UDP $c_ip " "$logs/d-udp.log" | head -n 3 | cut -d' ' -f3 | cut -c1-2 | tr '\n' ' ')
first_two=$(grep "^UDP $c_ip " "$logs/d-udp.log" | grep -v "^UDP $c_ip \\$" | head -n 2 | cut -d' ' -f3 | tr '\n' ' ')
if [[ $first_two == "%PC-C )PC-C " && $first_three == '%P )P $1 ' ]]; then
    lan_pass "pc-c announced itself with %PC-C, then )PC-C, then its key"
else
    lan_fail "start-up datagrams of pc-c were: '$first_two'"
    lan_show "$logs/d-udp.log"
fi

kill -TERM "$c"
lan_wait_exit "$c" 30
rc=$?
if lan_wait_line "$logs/a.log" '^CONTACTS PC-B$' 30 "$a" && lan_wait_line "$logs/b.log" '^CONTACTS PC-A$' 30 "$b"; then
    lan_pass "after SIGTERM pc-c left both lists (exit $rc)"
else
    lan_fail "pc-c still listed after its end (exit $rc)"
    lan_show "$logs/a.log" "$logs/b.log" "$logs/c.log"
fi
if lan_wait_line "$logs/d-udp.log" "^UDP $c_ip #PC-C\$" 30 "$listener"; then
    lan_pass "pc-c said farewell"
else
    lan_fail "no farewell from pc-c"
fi
if grep -q '^Top=' "$LAN_DIR/c-home/Zavolin.ini" 2>/dev/null; then
    lan_pass "pc-c saved its settings on SIGTERM"
else
    lan_fail "pc-c did not save its settings"
fi

lan_finish
