#!/usr/bin/env bash
# The real program under a backlog of costly but valid messages: a message
# from another computer is still acknowledged within a second, and SIGTERM
# in the middle of a backlog ends the program within 5 s with every
# acknowledged message in the history.
# Usage: test_backlog.sh ZAVOLIN ZVPROBE
set -u

here=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")" && pwd)
LAN_EXEC_TIMEOUT=${LAN_EXEC_TIMEOUT:-70}
LAN_BG_TIMEOUT=${LAN_BG_TIMEOUT:-100}
# shellcheck source=lan.sh
source "$here/lan.sh"

lan_programs zavolin zvprobe -- "$@"


lan_up pc-a pc-b pc-c
logs=$LAN_DIR/logs
home=$LAN_DIR/a-home
mkdir -p "$home"

lan_bg pc-a "$logs/a.log" "$zavolin" --home "$home"
zv=$LAN_LAST_PID

# Up once it acknowledges a message.
up=0
for ((i = 0; i < 50; i++)); do
    if lan_exec pc-c "$zvprobe" time-msg pc-a PC-C ping >"$logs/ping.log" 2>&1; then
        up=1
        break
    fi
    kill -0 "$zv" 2>/dev/null || break
    sleep 0.2
done
((up)) || { lan_fail "zavolin on pc-a never acknowledged a message"; lan_show "$logs/a.log" "$logs/ping.log"; lan_finish; exit; }

entries_from() { # FROM: history entries of that sender
    iconv -f CP1251 -t UTF-8 "$home/Log.txt" 2>/dev/null | tr -d '\r' | grep -c -- "] $1 --> PC-A\$"
}

# 1. Three messages full of links, then one from another computer.
if lan_exec pc-b "$zvprobe" flood-msg pc-a PC-B 3 links >"$logs/flood3.log" 2>&1 \
    && lan_exec pc-c "$zvprobe" time-msg pc-a PC-C after >"$logs/after.log" 2>&1; then
    ms=$(sed -n 's/^ACK //p' "$logs/after.log")
    if ((ms <= 1000)); then
        lan_pass "a message behind three link-heavy ones was acknowledged in $ms ms"
    else
        lan_fail "a message behind three link-heavy ones took $ms ms to be acknowledged"
    fi
else
    lan_fail "three link-heavy messages and one more"
    lan_show "$logs/flood3.log" "$logs/after.log"
fi

# 2. SIGTERM in the middle of a flood of 300 (links and smileys): every
# message a sender saw acknowledged must be in the history.
# Counted once part 1's entries are there: received entries reach the
# history up to a frame after their acknowledgement.
for ((i = 0; i < 100; i++)); do
    (($(entries_from PC-B) >= 3 && $(entries_from PC-C) >= 2)) && break
    sleep 0.05
done
before_b=$(entries_from PC-B)
before_c=$(entries_from PC-C)
lan_bg pc-b "$logs/flood-links.log" "$zvprobe" flood-msg pc-a PC-B 200 links
links=$LAN_LAST_PID
lan_bg pc-c "$logs/flood-smileys.log" "$zvprobe" flood-msg pc-a PC-C 100 smileys
smileys=$LAN_LAST_PID
for ((i = 0; i < 200; i++)); do
    (($(entries_from PC-B) > before_b)) && break
    kill -0 "$links" 2>/dev/null || break
    sleep 0.05
done
if ! kill -0 "$zv" 2>/dev/null; then
    lan_fail "zavolin ended before SIGTERM"
    lan_show "$logs/a.log"
fi
kill -TERM "$zv"
lan_wait_exit "$zv" 5
rc=$?
if ((rc == 0)); then
    lan_pass "zavolin ended within 5 s of SIGTERM during a flood"
else
    lan_fail "zavolin did not end cleanly within 5 s of SIGTERM during a flood ($rc)"
fi
lan_wait_exit "$links" 70
lan_wait_exit "$smileys" 70
acked_b=$(sed -n 's/^ACKED //p' "$logs/flood-links.log")
acked_c=$(sed -n 's/^ACKED //p' "$logs/flood-smileys.log")
b=$(($(entries_from PC-B) - before_b))
c=$(($(entries_from PC-C) - before_c))
if [[ -n $acked_b && -n $acked_c ]] && ((b == acked_b && c == acked_c)); then
    lan_pass "every acknowledged message is in the history ($b from pc-b, $c from pc-c)"
else
    lan_fail "history holds $b of ${acked_b:-?} acknowledged messages from pc-b and $c of ${acked_c:-?} from pc-c"
    lan_show "$logs/a.log" "$logs/flood-links.log" "$logs/flood-smileys.log"
fi

lan_finish
