#!/usr/bin/env bash
# The outbox across a private LAN: messages to a known contact whose message
# port refuses wait in the outbox, survive a restart of the program, and are
# delivered once each, in the order written, when that contact announces
# itself; the history then holds both.
# Usage: test_outbox.sh ZVNETFORM
set -u

here=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")" && pwd)
LAN_EXEC_TIMEOUT=${LAN_EXEC_TIMEOUT:-20}
# shellcheck source=lan.sh
source "$here/lan.sh"

lan_programs zvnetform -- "$@"


lan_up pc-a pc-b
logs=$LAN_DIR/logs
b_ip=$(lan_ip pc-b)

start() { # HOST LOG: starts zvnetform on pc-HOST, sets started_pid
    mkfifo "$LAN_DIR/$1.fifo" 2>/dev/null
    lan_bg "pc-$1" "$logs/$2" "$zvnetform" "$LAN_DIR/$1-home" 60 "$LAN_DIR/$1.fifo"
    started_pid=$LAN_LAST_PID
    lan_wait_line "$logs/$2" '^READY' 30 "$started_pid" || lan_fail "pc-$1 never started"
}
say() { # HOST COMMAND...
    local h=$1
    shift
    printf '%s\n' "$*" >"$LAN_DIR/$h.fifo"
}
history_count() { # HOST TEXT: how many history lines hold TEXT
    [[ -f $LAN_DIR/$1-home/Log.txt ]] || { echo 0; return; }
    iconv -f CP1251 -t UTF-8 "$LAN_DIR/$1-home/Log.txt" | grep -cF -- "$2"
}

# pc-b is up but runs no program: its message port refuses.
start a a1.log
a=$started_pid
say a ADDCONTACT "$b_ip"
lan_wait_line "$logs/a1.log" "^CONTACTS $b_ip\$" 5 "$a"
say a LATER
say a SEND "$b_ip" первое ожидающее
lan_wait_line "$logs/a1.log" '^OUTBOX 1$' 30 "$a"
say a LATER
say a SEND "$b_ip" второе ожидающее
if lan_wait_line "$logs/a1.log" '^OUTBOX 2$' 30 "$a" && grep -q '^BOX Ошибка|Ошибка отправки сообщения!' "$logs/a1.log" \
    && [[ $(history_count a ожидающее) == 0 ]]; then
    lan_pass "two messages to the refusing pc-b wait in pc-a's outbox"
else
    lan_fail "messages to the refusing pc-b were not queued"
    lan_show "$logs/a1.log"
fi

# The program restarts: the outbox is read back.
kill -TERM "$a"
lan_wait_exit "$a" 10
start a a2.log
a=$started_pid
if lan_wait_line "$logs/a2.log" '^OUTBOX 2$' 5 "$a"; then
    lan_pass "the outbox survives a restart of pc-a"
else
    lan_fail "the outbox was lost in the restart"
    lan_show "$logs/a2.log"
fi

# pc-b comes: its presence brings both, in order, once each.
start b b.log
b=$started_pid
if lan_wait_line "$logs/b.log" 'VIEW .*первое ожидающее.*второе ожидающее' 20 "$b" \
    && lan_wait_line "$logs/a2.log" '^OUTBOX 0$' 10 "$a"; then
    # Presence again, then a later message: anything sent twice would come before it.
    say b REFRESH
    say a REFRESH
    lan_wait_line "$logs/a2.log" '^CONTACTS .*PC-B' 10 "$a"
    say a SEND PC-B метка после
    lan_wait_line "$logs/b.log" 'VIEW .*метка после' 10 "$b"
    last=$(grep '^VIEW' "$logs/b.log" | tail -n 1)
    firsts=$(grep -o 'первое ожидающее' <<<"$last" | wc -l)
    seconds=$(grep -o 'второе ожидающее' <<<"$last" | wc -l)
    if ((firsts == 1 && seconds == 1)); then
        lan_pass "pc-b received both waiting messages once, in order"
    else
        lan_fail "pc-b received the waiting messages $firsts and $seconds times"
        lan_show "$logs/b.log"
    fi
else
    lan_fail "the waiting messages did not reach pc-b"
    lan_show "$logs/a2.log" "$logs/b.log"
fi
first_line=$(iconv -f CP1251 -t UTF-8 "$LAN_DIR/a-home/Log.txt" 2>/dev/null | grep -n 'первое ожидающее' | cut -d: -f1)
second_line=$(iconv -f CP1251 -t UTF-8 "$LAN_DIR/a-home/Log.txt" 2>/dev/null | grep -n 'второе ожидающее' | cut -d: -f1)
if [[ $(history_count a "PC-A --> $b_ip") == 2 && -n $first_line && -n $second_line ]] && ((first_line < second_line)); then
    lan_pass "pc-a's history holds both, as sent when delivered"
else
    lan_fail "pc-a's history does not hold both delivered messages"
    iconv -f CP1251 -t UTF-8 "$LAN_DIR/a-home/Log.txt" >&2
fi

lan_finish
