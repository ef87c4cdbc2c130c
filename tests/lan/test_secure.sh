#!/usr/bin/env bash
# The secure channel across a private LAN between two real main windows and
# other hosts: the instances pin each other's keys once their own handshakes
# prove the keys announced, and a message between them never shows its text on
# the wire (captured on the bridge); a third host writing in the open under a
# pinned name is marked unverified and logged; a plain-only peer (no key) still
# exchanges messages both ways; a third host announcing another key for a
# pinned name changes nothing: no box, no pin, secure sends go on.
# Usage: test_secure.sh ZVNETFORM ZVPROBE
set -u

here=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")" && pwd)
LAN_EXEC_TIMEOUT=${LAN_EXEC_TIMEOUT:-20}
# shellcheck source=lan.sh
source "$here/lan.sh"

lan_programs zvnetform zvprobe -- "$@"

lan_up pc-a pc-b pc-c pc-w
logs=$LAN_DIR/logs
# shellcheck source=capture.sh
source "$here/capture.sh"

declare -A pid=()
for h in a b; do
    mkfifo "$LAN_DIR/$h.fifo"
    lan_bg "pc-$h" "$logs/$h.log" "$zvnetform" "$LAN_DIR/$h-home" 70 "$LAN_DIR/$h.fifo"
    pid[$h]=$LAN_LAST_PID
    lan_wait_line "$logs/$h.log" '^READY' 30 "${pid[$h]}" || lan_fail "pc-$h never started"
done

say() { # HOST COMMAND...
    local h=$1
    shift
    printf '%s\n' "$*" >"$LAN_DIR/$h.fifo"
}
pinned() { # HOST NAME: the host's pins file holds a key for NAME
    [[ -f $LAN_DIR/$1-home/pins.txt ]] && grep -q "^$2	" "$LAN_DIR/$1-home/pins.txt"
}
wait_pinned() { # HOST NAME SECONDS
    local i
    for ((i = 0; i < $3 * 10; i++)); do
        pinned "$1" "$2" && return 0
        sleep 0.1
    done
    return 1
}

if wait_pinned a PC-B 10 && wait_pinned b PC-A 10; then
    lan_pass "pc-a and pc-b pinned each other's keys, proven by their own handshakes"
else
    lan_fail "keys were not pinned"
    lan_show "$logs/a.log" "$logs/b.log"
fi

# 1. A message between the instances: shown as secure, its text nowhere on the bridge.
capture_start
secret='Секретный пароль склада 7731'
say a SEND PC-B "$secret"
if lan_wait_line "$logs/b.log" "^VIEW .*>>Сообщение от  PC-A  \[зашифровано; ключ не сверен\] \| $secret" 10 "${pid[b]}"; then
    lan_pass "pc-b shows pc-a's message as having come over the secure channel"
else
    lan_fail "secure message from pc-a to pc-b"
    lan_show "$logs/a.log" "$logs/b.log"
fi
# The same capture must see open text: the third host writes in the open.
capture_stop pc-c "$(lan_ip pc-b)" "$logs/b.log" "${pid[b]}"
capture_seen=$?
secure_packets=$(python3 "$capture_tool" --count-port 6712 "$capture" 2>/dev/null || echo 0)
if ((capture_seen != 0)); then
    :
elif ((secure_packets == 0)); then
    lan_fail "no packets on the secure port were captured"
elif holds_bytes "$capture" "$secret"; then
    lan_fail "the secure message's text is on the wire"
else
    lan_pass "the secure message's text is not on the wire ($secure_packets packets on port 6712; open text seen)"
fi

# 2. The third host writes in the open under pc-b's name to pc-a.
lan_exec pc-c "$zvprobe" time-msg "$(lan_ip pc-a)" PC-B 'Переведи деньги срочно' >/dev/null 2>&1
if lan_wait_line "$logs/a.log" '^VIEW .*!!! НЕ ПОДТВЕРЖДЕНО: .*>>Сообщение от  PC-B \| Переведи деньги срочно' 10 "${pid[a]}" \
    && lan_wait_line "$logs/a.log" "zavolin.security.*claims the name PC-B.*$(lan_ip pc-c)|claims the name PC-B, which has a pinned key; sent from $(lan_ip pc-c)" 5 "${pid[a]}"; then
    lan_pass "an open message under pc-b's name is marked unverified on pc-a and logged with pc-c's address"
else
    lan_fail "open claim of a pinned name"
    lan_show "$logs/a.log"
fi

# 3. A plain-only peer: no key announced, messages go in the open both ways.
lan_bg pc-w "$logs/w.log" "$zvprobe" serve-msg 30 1
wpid=$LAN_LAST_PID
lan_wait_line "$logs/w.log" '^READY' 10 "$wpid" || lan_fail "pc-w's message server never started"
lan_exec pc-w "$zvprobe" send-udp '%PC-W' >/dev/null 2>&1
if lan_wait_line "$logs/a.log" '^CONTACTS .*PC-W' 10 "${pid[a]}"; then
    say a SEND PC-W Привет без ключа
    if lan_wait_line "$logs/w.log" $'^MSG PC-A\tПривет без ключа$' 10 "$wpid"; then
        lan_pass "pc-a reaches the plain-only pc-w in the open"
    else
        lan_fail "pc-a to pc-w"
        lan_show "$logs/a.log" "$logs/w.log"
    fi
else
    lan_fail "pc-a never listed pc-w"
    lan_show "$logs/a.log"
fi
lan_exec pc-w "$zvprobe" time-msg "$(lan_ip pc-a)" PC-W 'Ответ без ключа' >/dev/null 2>&1
if lan_wait_line "$logs/a.log" '^VIEW .*>>Сообщение от  PC-W \| Ответ без ключа' 10 "${pid[a]}" \
    && ! grep -q 'НЕ ПОДТВЕРЖДЕНО: [^|]*| >>Сообщение от  PC-W' "$logs/a.log"; then
    lan_pass "pc-w's open message is shown on pc-a without a warning"
else
    lan_fail "pc-w to pc-a"
    lan_show "$logs/a.log"
fi

# 4. The third host announces another key for pc-b: a datagram proves nothing and
# comes from no address pc-b's presence came from, so pc-a neither asks nor warns,
# keeps the pin, and its next send to pc-b goes securely.
other=$(printf 'AB%.0s' {1..32})
lan_exec pc-c "$zvprobe" send-udp "\$1	PC-B	6712	$other" >/dev/null 2>&1
say a SEND PC-B после подмены
if lan_wait_line "$logs/b.log" '^VIEW .*>>Сообщение от  PC-A  \[зашифровано; ключ не сверен\] \| после подмены' 10 "${pid[b]}" \
    && ! grep -q '^BOX' "$logs/a.log" && ! grep -q "	$other" "$LAN_DIR/a-home/pins.txt" && pinned a PC-B; then
    lan_pass "another key announced for pc-b by pc-c is neither warned about nor pinned, and pc-a's send goes securely"
else
    lan_fail "changed key announced by pc-c"
    lan_show "$logs/a.log" "$logs/b.log"
fi

lan_finish
