#!/usr/bin/env bash
# The group chat across a private LAN between three real main windows: joins
# with their paced datagrams, one "Z" reply per pair, lines with their time in
# every joined log, two users with one nick, closing the window while joined,
# and the end of the program while joined (leave before the farewell). A
# fourth host listens and stamps what it hears.
# Usage: test_chat.sh ZVNETFORM ZVPROBE
set -u

here=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")" && pwd)
LAN_EXEC_TIMEOUT=${LAN_EXEC_TIMEOUT:-20}
# shellcheck source=lan.sh
source "$here/lan.sh"

lan_programs zvnetform zvprobe -- "$@"


lan_up pc-a pc-b pc-c pc-d
logs=$LAN_DIR/logs

lan_bg pc-d "$logs/d-udp.log" "$zvprobe" listen-udp 80 stamped
listener=$LAN_LAST_PID
lan_wait_line "$logs/d-udp.log" '^READY' 5 "$listener" || lan_fail "listener on pc-d never became ready"

declare -A pid=()
for h in a b c; do
    mkfifo "$LAN_DIR/$h.fifo"
    lan_bg "pc-$h" "$logs/$h.log" "$zvnetform" "$LAN_DIR/$h-home" 80 "$LAN_DIR/$h.fifo"
    pid[$h]=$LAN_LAST_PID
    lan_wait_line "$logs/$h.log" '^READY' 10 "${pid[$h]}" || lan_fail "pc-$h never started"
done

say() { # HOST COMMAND...
    local h=$1
    shift
    printf '%s\n' "$*" >"$LAN_DIR/$h.fifo"
}
# Datagrams from HOST that pc-d heard, without the stamps.
heard_from() {
    grep "^UDP $(lan_ip "pc-$1") " "$logs/d-udp.log" | sed -e 's/^UDP [^ ]* //' -e 's/ @[0-9]*$//'
}
# The stamps of the first datagrams from HOST equal to each TEXT, in order.
stamps_of() { # HOST TEXT...
    local h=$1 t
    shift
    for t in "$@"; do
        grep -m1 -F "UDP $(lan_ip "pc-$h") $t @" "$logs/d-udp.log" | sed 's/.* @//'
    done
}
# Each gap between consecutive stamps is at least MS milliseconds.
paced() { # MS STAMP...
    local min=$1 prev=
    shift
    (($# > 1)) || return 1
    for s in "$@"; do
        [[ -z $prev ]] || (((s - prev) >= min)) || return 1
        prev=$s
    done
}
last_line() { # LOGFILE PREFIX
    grep "^$2" "$1" | tail -n 1
}

lan_wait_line "$logs/a.log" '^CONTACTS PC-B,PC-C$' 10 "${pid[a]}" || lan_fail "pc-a did not list its peers"

# 1. A and B join.
say a CHAT
say a NICK Аня
say a JOIN
say b CHAT
say b NICK Боря
say b JOIN
if lan_wait_line "$logs/a.log" '^PARTICIPANTS Боря$' 10 "${pid[a]}" \
    && lan_wait_line "$logs/b.log" '^PARTICIPANTS Аня$' 10 "${pid[b]}" \
    && lan_wait_line "$logs/a.log" '^CHATLOG <--- Боря в чате! --->$' 10 "${pid[a]}" \
    && lan_wait_line "$logs/a.log" '^CHATLOG <--- Аня в чате! --->$' 10 "${pid[a]}"; then
    lan_pass "pc-a and pc-b joined, list each other and show both join notices"
else
    lan_fail "joining of pc-a and pc-b"
    lan_show "$logs/a.log" "$logs/b.log"
fi
a_join=$(stamps_of a "ZАня" "CPC-A" "&<--- Аня в чате! --->" | tr '\n' ' ')
# Arrival times wobble a little around the sender's 500 ms.
# shellcheck disable=SC2086
if paced 450 $a_join && [[ $(echo $a_join | wc -w) == 3 ]]; then
    lan_pass "pc-a's join went out as Z, C, notice with pauses (arrivals at ms $a_join)"
else
    lan_fail "pc-a's join datagrams were not paced: '$a_join'"
    lan_show "$logs/d-udp.log"
fi
if lan_wait_line "$logs/c.log" '^INCHAT .*PC-A' 5 "${pid[c]}" && lan_wait_line "$logs/c.log" '^INCHAT .*PC-B' 5 "${pid[c]}"; then
    lan_pass "pc-c, without the chat open, marks pc-a and pc-b as in the chat"
else
    lan_fail "in-chat marks on pc-c"
    lan_show "$logs/c.log"
fi

# 2. C joins: A and B each answer with one Z, C learns both. C answers each
#    answer in turn (their nicks are new to it); A and B know C by then.
count_z() { # HOST NICK
    heard_from "$1" | grep -c "^Z$2\$"
}
za0=$(count_z a Аня) zb0=$(count_z b Боря) zc0=$(count_z c Катя)
say c CHAT
say c NICK Катя
say c JOIN
if lan_wait_line "$logs/c.log" '^PARTICIPANTS (Аня,Боря|Боря,Аня)$' 10 "${pid[c]}" \
    && lan_wait_line "$logs/a.log" '^PARTICIPANTS Боря,Катя$' 10 "${pid[a]}" \
    && lan_wait_line "$logs/b.log" '^PARTICIPANTS Аня,Катя$' 10 "${pid[b]}" \
    && lan_wait_line "$logs/b.log" '^CHATLOG <--- Катя в чате! --->$' 10 "${pid[b]}"; then
    lan_pass "pc-c joined and learned both nicks from their replies"
else
    lan_fail "joining of pc-c"
    lan_show "$logs/a.log" "$logs/b.log" "$logs/c.log"
fi
# pc-c's join notice comes 1 s after its Z: the replies have long been handled.
lan_wait_line "$logs/d-udp.log" "^UDP $(lan_ip pc-c) &<--- Катя в чате! ---> " 5 "$listener"
za=$(($(count_z a Аня) - za0)) zb=$(($(count_z b Боря) - zb0)) zc=$(($(count_z c Катя) - zc0))
if [[ $za == 1 && $zb == 1 && $zc == 3 ]]; then
    lan_pass "pc-a and pc-b answered pc-c's join once each; pc-c sent its Z and one answer to each"
else
    lan_fail "Z datagrams for pc-c's join: pc-a $za, pc-b $zb, pc-c $zc (1, 1, 3 expected)"
    lan_show "$logs/d-udp.log"
fi

# 3. A line shows, with its time, in every joined log; the sender's only on its way back.
say a SAY Привет всем!
line_re='^CHATLOG \[[0-9][^]]*[0-9][^]]*\] Аня: Привет всем!$'
if lan_wait_line "$logs/a.log" "$line_re" 10 "${pid[a]}" && lan_wait_line "$logs/b.log" "$line_re" 10 "${pid[b]}" \
    && lan_wait_line "$logs/c.log" "$line_re" 10 "${pid[c]}"; then
    la=$(last_line "$logs/a.log" 'CHATLOG \[') lb=$(last_line "$logs/b.log" 'CHATLOG \[') lc=$(last_line "$logs/c.log" 'CHATLOG \[')
    sent=$(heard_from a | grep '^&\[' | tail -n 1)
    if [[ $la == "$lb" && $lb == "$lc" && "CHATLOG ${sent#&}" == "$la" ]]; then
        lan_pass "the line shows as sent, time included, in all three logs: ${la#CHATLOG }"
    else
        lan_fail "the logs differ: '$la' / '$lb' / '$lc' (sent '$sent')"
    fi
else
    lan_fail "the line from pc-a"
    lan_show "$logs/a.log" "$logs/b.log" "$logs/c.log"
fi

# 4. B leaves and comes back under A's nick: the two never list each other,
#    and both their lines reach every joined log.
say b LEAVE
lan_wait_line "$logs/a.log" '^PARTICIPANTS Катя$' 10 "${pid[a]}" || lan_fail "pc-a kept Боря after the leave"
say b NICK Аня
say b JOIN
# pc-b's notice leaves 1 s after its Z: answers to that Z would be in by then.
if lan_wait_line "$logs/d-udp.log" "^UDP $(lan_ip pc-b) &<--- Аня в чате! ---> " 10 "$listener"; then
    pa=$(last_line "$logs/a.log" PARTICIPANTS) pb=$(last_line "$logs/b.log" PARTICIPANTS)
    if [[ $pa == "PARTICIPANTS Катя" && $pb != *Аня* ]]; then
        lan_pass "the two users called Аня do not list each other ($pa / $pb)"
    else
        lan_fail "same-nick lists: '$pa' / '$pb'"
    fi
else
    lan_fail "pc-b's second join"
fi
say a SAY от первой Ани
say b SAY от второй Ани
ok=1
for h in a b c; do
    lan_wait_line "$logs/$h.log" '^CHATLOG \[.*\] Аня: от первой Ани$' 10 "${pid[$h]}" || ok=0
    lan_wait_line "$logs/$h.log" '^CHATLOG \[.*\] Аня: от второй Ани$' 10 "${pid[$h]}" || ok=0
done
if ((ok)); then
    lan_pass "both Аня's lines reach all three logs"
else
    lan_fail "same-nick lines"
    lan_show "$logs/a.log" "$logs/b.log" "$logs/c.log"
fi

# 5. C closes its window while joined: leave with pauses, then the window goes.
say c CLOSECHAT
if lan_wait_line "$logs/c.log" '^CHAT CLOSED$' 10 "${pid[c]}" \
    && lan_wait_line "$logs/a.log" '^PARTICIPANTS $' 10 "${pid[a]}" \
    && lan_wait_line "$logs/a.log" '^CHATLOG <--- Катя вышел из чата! --->$' 10 "${pid[a]}"; then
    c_leave=$(stamps_of c "XКатя" "VPC-C" "&<--- Катя вышел из чата! --->" | tr '\n' ' ')
    # shellcheck disable=SC2086
    if paced 450 $c_leave && [[ $(echo $c_leave | wc -w) == 3 ]] \
        && grep -q '^Login=Катя' <(iconv -f CP1251 -t UTF-8 "$LAN_DIR/c-home/Zavolin.ini"); then
        lan_pass "closing pc-c's window sent X, V, notice with pauses and saved the nick"
    else
        lan_fail "pc-c's close: stamps '$c_leave'"
        lan_show "$logs/d-udp.log" "$LAN_DIR/c-home/Zavolin.ini"
    fi
else
    lan_fail "closing the chat window on pc-c"
    lan_show "$logs/a.log" "$logs/c.log"
fi

# 6. A ends while joined: it leaves before its farewell and saves the nick.
kill -TERM "${pid[a]}"
lan_wait_exit "${pid[a]}" 10
rc=$?
lan_wait_line "$logs/d-udp.log" "^UDP $(lan_ip pc-a) #PC-A " 5 "$listener"
tail_a=$(heard_from a | tail -n 4 | tr '\n' '|')
if [[ $tail_a == "XАня|VPC-A|&<--- Аня вышел из чата! --->|#PC-A|" ]] \
    && lan_wait_line "$logs/b.log" '^CHATLOG <--- Аня вышел из чата! --->$' 5 "${pid[b]}" \
    && grep -q '^Login=Аня' <(iconv -f CP1251 -t UTF-8 "$LAN_DIR/a-home/Zavolin.ini"); then
    lan_pass "pc-a left the chat before its farewell and saved its nick (exit $rc)"
else
    lan_fail "end of pc-a while joined: last datagrams '$tail_a' (exit $rc)"
    lan_show "$logs/d-udp.log" "$logs/b.log"
fi
if lan_wait_line "$logs/b.log" '^INCHAT PC-B$' 5 "${pid[b]}"; then
    lan_pass "pc-b no longer marks pc-a (or pc-c) as in the chat"
else
    lan_fail "in-chat marks on pc-b after the others left"
    lan_show "$logs/b.log"
fi

lan_finish
