#!/usr/bin/env bash
# The network comes and goes, and a computer has more than one:
#  1. the program starts with its interface down, shows no error and
#     announces itself once the interface comes up;
#  2. the host's address changes: the new "%" comes from the new address and
#     a peer that knows no names reaches the program there;
#  3. a host on two networks: each network hears its "%" once, and a chat
#     line it says is shown once on each network and by itself.
# Prints the measured times from the change to the announcement.
# Usage: test_network.sh ZAVOLIN ZVNETFORM ZVPROBE
set -u

here=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")" && pwd)
LAN_EXEC_TIMEOUT=${LAN_EXEC_TIMEOUT:-20}
LAN_BG_TIMEOUT=${LAN_BG_TIMEOUT:-100}
# shellcheck source=lan.sh
source "$here/lan.sh"

lan_programs zavolin zvnetform zvprobe -- "$@"


lan_up pc-a pc-b --no-names pc-c
logs=$LAN_DIR/logs

now_ms() { date +%s%3N; }
# Waits for ERE in FILE for at most SECS and prints the milliseconds it took from START.
took() { # FILE ERE SECS START [PID]
    lan_wait_line "$1" "$2" "$3" "${5:-}" || return 1
    echo $(($(now_ms) - $4))
}
say() { # HOST COMMAND...
    local h=$1
    shift
    printf '%s\n' "$*" >"$LAN_DIR/$h.fifo"
}
start_form() { # HOST LOGNAME
    mkfifo "$LAN_DIR/$2.fifo"
    lan_bg "$1" "$logs/$2.log" "$zvnetform" "$LAN_DIR/$2-home" 90 "$LAN_DIR/$2.fifo"
    pid[$2]=$LAN_LAST_PID
    lan_wait_line "$logs/$2.log" '^READY' 15 "${pid[$2]}" || lan_fail "$1 never started"
}
declare -A pid=()

lan_bg pc-b "$logs/b-udp.log" "$zvprobe" listen-udp 90
lan_wait_line "$logs/b-udp.log" '^READY' 10 "$LAN_LAST_PID" || lan_fail "listener on pc-b never became ready"

# 1. Login before the network.
lan_link pc-a down
lan_bg pc-a "$logs/a.log" env QT_LOGGING_RULES="zavolin*.info=true" "$zavolin" --home "$LAN_DIR/a-home"
pid[a]=$LAN_LAST_PID
if lan_wait_line "$logs/a.log" 'waiting for one to announce' 15 "${pid[a]}"; then
    lan_pass "pc-a started without a network and says it waits for one"
else
    lan_fail "pc-a did not say it waits for a network"
    lan_show "$logs/a.log"
fi
a_ip=$(lan_ip pc-a)
start=$(now_ms)
lan_link pc-a up
if ms=$(took "$logs/b-udp.log" "^UDP $a_ip %PC-A\$" 3 "$start"); then
    lan_pass "pc-a announced itself ${ms} ms after its interface came up"
    echo "MEASURED up-to-announcement ${ms} ms"
else
    lan_fail "no %PC-A within 3 s of the interface coming up"
    lan_show "$logs/a.log" "$logs/b-udp.log"
fi
if lan_wait_line "$logs/b-udp.log" "^UDP $a_ip \\)PC-A\$" 3; then
    lan_pass "the auto-answer state followed the announcement"
else
    lan_fail "no )PC-A after the announcement"
fi
if grep -q 'Socket Error' "$logs/a.log"; then
    lan_fail "pc-a reported a socket error"
    lan_show "$logs/a.log"
elif (($(grep -c 'waiting for one to announce' "$logs/a.log") != 1)); then
    lan_fail "pc-a said more than once that it waits"
else
    lan_pass "no socket error was raised, and the wait was logged once"
fi

# 2. A new address (DHCP gave another one).
start_form pc-c c
if ! lan_wait_line "$logs/c.log" '^CONTACTS PC-A' 10 "${pid[c]}"; then
    lan_fail "pc-c does not list pc-a"
    lan_show "$logs/c.log"
fi
new_ip=$LAN_PREFIX.99
start=$(now_ms)
lan_readdr pc-a "$new_ip"
if ms=$(took "$logs/b-udp.log" "^UDP $new_ip %PC-A\$" 3 "$start"); then
    lan_pass "pc-a announced itself from its new address ${ms} ms after the change"
    echo "MEASURED address-change-to-announcement ${ms} ms"
else
    lan_fail "no %PC-A from $new_ip within 3 s"
    lan_show "$logs/a.log" "$logs/b-udp.log"
fi
say c SEND PC-A по новому адресу
if lan_wait_line "$LAN_DIR/a-home/Log.txt" 'PC-C --> PC-A' 10 && lan_wait_line "$LAN_DIR/c-home/Log.txt" 'PC-C --> PC-A' 10 \
    && ! grep -q '^BOX' "$logs/c.log"; then
    lan_pass "pc-c's message reached pc-a at its new address and was acknowledged"
else
    lan_fail "pc-c could not reach pc-a at its new address"
    lan_show "$logs/c.log" "$logs/a.log"
fi

# 3. A computer on two networks. The others leave first, so that pc-m's
# start-up is the only "%" it sends.
kill -TERM "${pid[a]}" "${pid[c]}"
lan_wait_exit "${pid[a]}" 20
lan_wait_exit "${pid[c]}" 20
lan_up pc-m pc-p
lan_up2 pc-m pc-q2 --no-names pc-q
lan_bg pc-q2 "$logs/q2-udp.log" "$zvprobe" listen-udp 80
lan_wait_line "$logs/q2-udp.log" '^READY' 10 "$LAN_LAST_PID" || lan_fail "listener on pc-q2 never became ready"

start_form pc-m m
m_ip=$(lan_ip pc-m)
m_ip2=$(lan_ip2 pc-m)
if lan_wait_line "$logs/b-udp.log" "^UDP $m_ip \\)PC-M\$" 10 && lan_wait_line "$logs/q2-udp.log" "^UDP $m_ip2 \\)PC-M\$" 10 \
    && (($(grep -c ' %PC-M$' "$logs/b-udp.log") == 1)) && (($(grep -c ' %PC-M$' "$logs/q2-udp.log") == 1)); then
    lan_pass "each network heard pc-m's %PC-M once, from pc-m's address there"
else
    lan_fail "pc-m's start-up on the two networks"
    lan_show "$logs/b-udp.log" "$logs/q2-udp.log"
fi

start_form pc-p p
start_form pc-q q
if lan_wait_line "$logs/m.log" '^CONTACTS PC-P,PC-Q$' 10 "${pid[m]}" && lan_wait_line "$logs/p.log" '^CONTACTS PC-M$' 10 "${pid[p]}" \
    && lan_wait_line "$logs/q.log" '^CONTACTS PC-M$' 10 "${pid[q]}"; then
    lan_pass "pc-m lists the peers of both networks, and each of them lists pc-m"
else
    lan_fail "contact lists across two networks"
    lan_show "$logs/m.log" "$logs/p.log" "$logs/q.log"
fi

declare -A nick=([m]=Мира [p]=Петя [q]=Катя)
for h in m p q; do
    say "$h" CHAT
    say "$h" NICK "${nick[$h]}"
    say "$h" JOIN
done
for h in m p q; do
    lan_wait_line "$logs/$h.log" "^CHATLOG <--- ${nick[$h]} в чате! --->\$" 10 "${pid[$h]}" || lan_fail "pc-$h did not join"
done
say m SAY строка для всех
say m SAY последняя
shown_once=1
for h in m p q; do
    if ! lan_wait_line "$logs/$h.log" '^CHATLOG .*Мира: последняя$' 10 "${pid[$h]}" \
        || (($(grep -c '^CHATLOG .*Мира: строка для всех$' "$logs/$h.log") != 1)); then
        shown_once=0
        lan_show "$logs/$h.log"
    fi
done
if ((shown_once)); then
    lan_pass "pc-m's chat line was shown once on each network and by pc-m itself"
else
    lan_fail "pc-m's chat line was not shown exactly once everywhere"
fi

# Keys are pinned once each side's handshake proved the other's.
for _ in {1..100}; do
    grep -q '^PC-P	' "$LAN_DIR/m-home/pins.txt" && grep -q '^PC-Q	' "$LAN_DIR/m-home/pins.txt" \
        && grep -q '^PC-M	' "$LAN_DIR/p-home/pins.txt" && grep -q '^PC-M	' "$LAN_DIR/q-home/pins.txt" && break
    sleep 0.1
done 2>/dev/null
say q SEND PC-M со второй сети
say p SEND PC-M с первой сети
if lan_wait_line "$logs/m.log" 'VIEW .*>>Сообщение от  PC-Q  \[зашифровано; ключ не сверен\] \| со второй сети' 10 "${pid[m]}" \
    && lan_wait_line "$logs/m.log" 'VIEW .*>>Сообщение от  PC-P  \[зашифровано; ключ не сверен\] \| с первой сети' 10 "${pid[m]}"; then
    lan_pass "peers on both networks message pc-m"
else
    lan_fail "messages to pc-m from its two networks"
    lan_show "$logs/m.log" "$logs/p.log" "$logs/q.log"
fi

lan_finish
