#!/usr/bin/env bash
# Messaging across a private LAN between real main windows: a message shows in
# the receiver's view and in both histories; a send to three contacts with one
# of them offline reaches the other two; auto-answer replies; a blacklisted
# sender is dropped; an alias shows in the header and the history; a host that
# cannot resolve the others' names still reaches them. The instances pin each
# other's keys once their handshakes prove them, so every message here,
# auto-answer replies included, comes over the secure channel and is marked so.
# Usage: test_messaging.sh ZVNETFORM
set -u

here=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")" && pwd)
LAN_EXEC_TIMEOUT=${LAN_EXEC_TIMEOUT:-20}
# shellcheck source=lan.sh
source "$here/lan.sh"

lan_programs zvnetform -- "$@"


lan_up pc-a pc-b pc-c pc-d --no-names pc-e
logs=$LAN_DIR/logs

declare -A pid=()
for h in a b c e; do
    mkfifo "$LAN_DIR/$h.fifo"
    lan_bg "pc-$h" "$logs/$h.log" "$zvnetform" "$LAN_DIR/$h-home" 60 "$LAN_DIR/$h.fifo"
    pid[$h]=$LAN_LAST_PID
    lan_wait_line "$logs/$h.log" '^READY' 30 "${pid[$h]}" || lan_fail "pc-$h never started"
done

say() { # HOST COMMAND...
    local h=$1
    shift
    printf '%s\n' "$*" >"$LAN_DIR/$h.fifo"
}
# The history file is code page 1251; compare in UTF-8.
history_has() { # HOST TEXT
    [[ -f $LAN_DIR/$1-home/Log.txt ]] && iconv -f CP1251 -t UTF-8 "$LAN_DIR/$1-home/Log.txt" | grep -qF -- "$2"
}
wait_history() { # HOST TEXT SECONDS
    local i
    for ((i = 0; i < $3 * 10; i++)); do
        history_has "$1" "$2" && return 0
        sleep 0.1
    done
    return 1
}

# Keys are pinned a moment after presence, once a handshake proved them.
pinned_all() {
    local h n
    for h in a b c e; do
        for n in a b c e; do
            [[ $h == "$n" ]] || grep -q "^PC-${n^^}	" "$LAN_DIR/$h-home/pins.txt" 2>/dev/null || return 1
        done
    done
}
if lan_wait_line "$logs/a.log" '^CONTACTS PC-B,PC-C,PC-E$' 10 "${pid[a]}"; then
    lan_pass "pc-a lists pc-b, pc-c and pc-e"
else
    lan_fail "pc-a did not list its peers"
    lan_show "$logs/a.log"
fi

for _ in {1..100}; do
    pinned_all && break
    sleep 0.1
done
pinned_all || lan_fail "the instances did not pin each other's keys"

# 1. One message, both histories.
say a SEND PC-B Привет, Б!
if lan_wait_line "$logs/b.log" '^VIEW >>Сообщение от  PC-A  \[зашифровано; ключ не сверен\] \| Привет, Б!' 10 "${pid[b]}" \
    && wait_history a "PC-A --> PC-B" 5 && wait_history b "PC-A --> PC-B" 5; then
    lan_pass "message from pc-a shown on pc-b and written to both histories"
else
    lan_fail "message from pc-a to pc-b"
    lan_show "$logs/a.log" "$logs/b.log"
fi

# 2. Three recipients, one of them with no instance running.
d_ip=$(lan_ip pc-d)
say a ADDCONTACT "$d_ip"
say a SEND "PC-B,PC-C,$d_ip" Всем троим
if lan_wait_line "$logs/c.log" 'Всем троим' 10 "${pid[c]}" && lan_wait_line "$logs/b.log" 'Всем троим' 10 "${pid[b]}" \
    && wait_history a "PC-A --> PC-C" 10; then
    sleep 0.5
    if history_has a "PC-A --> $d_ip"; then
        lan_fail "a history entry was written for the offline pc-d"
    else
        lan_pass "send to three with pc-d offline reached pc-b and pc-c"
    fi
else
    lan_fail "send to three contacts"
    lan_show "$logs/a.log" "$logs/b.log" "$logs/c.log"
fi

# 3. Auto-answer round trip.
say b OPTION 6 1
say a SEND PC-B Ты тут?
if lan_wait_line "$logs/a.log" 'VIEW .*>>Сообщение от  PC-B  \[зашифровано; ключ не сверен\] \| Автоответчик: Абонент временно отсутствует!' 10 "${pid[a]}" \
    && lan_wait_line "$logs/b.log" 'VIEW .*Было сообщение от  "PC-A"\. Время: ' 10 "${pid[b]}" \
    && ! grep -q 'НЕ ПОДТВЕРЖДЕНО' "$logs/a.log"; then
    lan_pass "auto-answer on pc-b replied to pc-a and only noted the message"
else
    lan_fail "auto-answer round trip"
    lan_show "$logs/a.log" "$logs/b.log"
fi
say b OPTION 6 0

# 4. Blacklist: pc-c drops pc-a but not pc-b.
say c BLACKLIST PC-A
lan_wait_line "$logs/c.log" '^DONE BLACKLIST' 5 "${pid[c]}"
say a SEND PC-C спам
say b SEND PC-C после спама
if lan_wait_line "$logs/c.log" 'после спама' 10 "${pid[c]}" && ! grep -q 'спам |\|спам$' <(grep '^VIEW' "$logs/c.log" | sed 's/после спама//g'); then
    lan_pass "pc-c dropped the blacklisted pc-a and received pc-b"
else
    lan_fail "blacklist on pc-c"
    lan_show "$logs/c.log"
fi

# 5. An alias shows in the header and the history.
say b ALIAS PC-A Начальник
lan_wait_line "$logs/b.log" '^DONE ALIAS' 5 "${pid[b]}"
say a SEND PC-B от начальника
if lan_wait_line "$logs/b.log" 'VIEW .*>>Сообщение от  Начальник  \[зашифровано; ключ не сверен\] \| от начальника' 10 "${pid[b]}" \
    && wait_history b "Начальник --> PC-B" 5; then
    lan_pass "pc-b shows and records pc-a under its alias"
else
    lan_fail "alias on pc-b"
    lan_show "$logs/b.log"
fi

# 6. pc-e knows no other host's name: it reaches pc-a at the address pc-a announced itself from.
if lan_exec pc-e getent hosts pc-a >/dev/null; then
    lan_fail "pc-e was expected not to resolve pc-a"
fi
say e SEND PC-A через адрес
if lan_wait_line "$logs/a.log" 'VIEW .*>>Сообщение от  PC-E  \[зашифровано; ключ не сверен\] \| через адрес' 10 "${pid[a]}"; then
    lan_pass "pc-e reached pc-a without name resolution"
else
    lan_fail "pc-e could not reach pc-a"
    lan_show "$logs/e.log" "$logs/a.log"
fi

lan_finish
