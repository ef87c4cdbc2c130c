#!/usr/bin/env bash
# Three hosts on a private LAN: a message from A reaches B, a broadcast from A
# reaches A, B and C, and a post to a host where nothing listens fails.
# Usage: test_foundation.sh ZAVOLIN ZVPROBE
set -u

here=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")" && pwd)
# Every step hung at once must still end inside ctest's 120 s.
LAN_EXEC_TIMEOUT=${LAN_EXEC_TIMEOUT:-20}
# shellcheck source=lan.sh
source "$here/lan.sh"

lan_programs zavolin zvprobe -- "$@"


lan_up pc-a pc-b pc-c
logs=$LAN_DIR/logs

# 1. A message from A, addressed by host name, is acknowledged and delivered on B.
lan_bg pc-b "$logs/b-serve.log" "$zvprobe" serve-msg 10 1
serve=$LAN_LAST_PID
if ! lan_wait_line "$logs/b-serve.log" '^READY' 30 "$serve"; then
    lan_fail "message: serve-msg on pc-b never became ready"
    lan_show "$logs/b-serve.log"
else
    lan_exec pc-a "$zavolin" --send pc-b 'Привет' >"$logs/a-send.out" 2>"$logs/a-send.err"
    rc=$?
    lan_wait_exit "$serve" 12
    src=$?
    expected=$'MSG PC-A\tПривет'
    if ((rc != 0)); then
        lan_fail "message: zavolin --send pc-b exited $rc"
        lan_show "$logs/a-send.out" "$logs/a-send.err" "$logs/b-serve.log"
    elif ! LC_ALL=C grep -qxF -- "$expected" "$logs/b-serve.log"; then
        lan_fail "message: pc-b did not log '$expected' (serve-msg exited $src)"
        lan_show "$logs/a-send.err" "$logs/b-serve.log"
    else
        lan_pass "message from pc-a acknowledged and delivered on pc-b"
    fi
fi

# 2. A broadcast from A reaches every host, A included.
declare -A listen=()
ready=1
for h in pc-a pc-b pc-c; do
    lan_bg "$h" "$logs/$h-udp.log" "$zvprobe" listen-udp 5
    listen[$h]=$LAN_LAST_PID
done
for h in pc-a pc-b pc-c; do
    if ! lan_wait_line "$logs/$h-udp.log" '^READY' 30 "${listen[$h]}"; then
        lan_fail "broadcast: listen-udp on $h never became ready"
        lan_show "$logs/$h-udp.log"
        ready=0
    fi
done
if ((ready)); then
    lan_exec pc-a "$zvprobe" send-udp %PING >"$logs/a-sendudp.log" 2>&1
    rc=$?
    if ((rc != 0)); then
        lan_fail "broadcast: send-udp on pc-a exited $rc"
        lan_show "$logs/a-sendudp.log"
    else
        line="UDP $(lan_ip pc-a) %PING"
        for h in pc-a pc-b pc-c; do
            lan_wait_exit "${listen[$h]}" 8
            lrc=$?
            if ! LC_ALL=C grep -qxF -- "$line" "$logs/$h-udp.log"; then
                lan_fail "broadcast: $h did not log '$line'"
                lan_show "$logs/$h-udp.log"
            elif ((lrc != 0)); then
                lan_fail "broadcast: listen-udp on $h exited $lrc"
                lan_show "$logs/$h-udp.log"
            else
                lan_pass "broadcast from pc-a received on $h"
            fi
        done
    fi
fi

# 3. Nothing listens on C: the post fails with a reason.
lan_exec pc-a "$zavolin" --send pc-c x >"$logs/a-fail.out" 2>"$logs/a-fail.err"
rc=$?
if ((rc == 124 || rc == 137)); then
    lan_fail "refused: zavolin --send pc-c did not finish within ${LAN_EXEC_TIMEOUT} s"
elif ((rc == 0)); then
    lan_fail "refused: zavolin --send pc-c exited 0 with no server on pc-c"
    lan_show "$logs/a-fail.out" "$logs/a-fail.err"
elif [[ ! -s $logs/a-fail.err ]]; then
    lan_fail "refused: zavolin --send pc-c exited $rc but wrote no error text"
else
    lan_pass "post to pc-c with no server fails ($rc): $(head -n 1 "$logs/a-fail.err")"
fi

lan_finish
