#!/usr/bin/env bash
# The trust of the secure channel against a third host, "eve", on a private
# LAN with real main windows: keys are pinned only when a handshake of ours
# proves them at the name's presence address. eve announces its key for a
# pinned name (forged keys by the hundred, with and without presence) while a
# message waits for that name; claims names over TLS; announces names of no
# host, our own name, a name a real host starts under later; floods thousands
# of names. Sends by address follow the pin, and nothing of them is on the wire.
# Usage: test_trust.sh ZAVOLIN ZVNETFORM ZVEVE ZVPROBE
set -u

here=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")" && pwd)
LAN_EXEC_TIMEOUT=${LAN_EXEC_TIMEOUT:-30}
LAN_BG_TIMEOUT=${LAN_BG_TIMEOUT:-200}
# shellcheck source=lan.sh
source "$here/lan.sh"

lan_programs zavolin zvnetform zveve zvprobe -- "$@"


lan_up pc-a pc-b pc-c pc-d eve
logs=$LAN_DIR/logs
# shellcheck source=capture.sh
source "$here/capture.sh"
a_ip=$(lan_ip pc-a) b_ip=$(lan_ip pc-b) eve_ip=$(lan_ip eve)
T=$'\t'
secure_mark='  \[зашифровано; ключ не сверен\]'
warning='!!! НЕ ПОДТВЕРЖДЕНО[^|]*'
changed_box="^BOX Внимание\\|.*Компьютер PC-B \\(${eve_ip//./\\.}\\) предъявил другой ключ"

declare -A pid=()
start() { # HOST: its main window, answering questions No
    mkfifo "$LAN_DIR/$1.fifo"
    lan_bg "pc-$1" "$logs/$1.log" "$zvnetform" "$LAN_DIR/$1-home" 180 "$LAN_DIR/$1.fifo"
    pid[$1]=$LAN_LAST_PID
    lan_wait_line "$logs/$1.log" '^READY' 30 "${pid[$1]}" || lan_fail "pc-$1 never started"
    say "$1" ANSWERNO 1
}
say() { # HOST COMMAND...
    local h=$1
    shift
    printf '%s\n' "$*" >"$LAN_DIR/$h.fifo"
}
eve() { # zveve ARGS... on eve
    lan_exec eve "$zveve" "$@" >>"$logs/eve-udp.log" 2>&1
}
pin_of() { # HOST NAME: the key pinned to NAME on pc-HOST, or nothing
    awk -F'\t' -v n="$2" '$1 == n { print $2 }' "$LAN_DIR/$1-home/pins.txt" 2>/dev/null
}
wait_pinned() { # HOST NAME SECONDS
    local i
    for ((i = 0; i < $3 * 10; i++)); do
        [[ -n $(pin_of "$1" "$2") ]] && return 0
        sleep 0.1
    done
    return 1
}
count() { # FILE ERE: how many lines match
    LC_ALL=C grep -cE -- "$2" "$1" 2>/dev/null
}

mkdir -p "$LAN_DIR/a-home" "$LAN_DIR/b-in"
b_key=$(lan_exec pc-b "$zveve" key "$LAN_DIR/b-home")
eve_key=$(lan_exec eve "$zveve" key "$LAN_DIR/eve-home")
[[ $b_key =~ ^[0-9A-F]{64}$ && $eve_key =~ ^[0-9A-F]{64}$ ]] || lan_fail "no keys for pc-b and eve"
# From an earlier run: pc-b's key proven at its address, and a message waiting for it.
printf 'PC-B\t%s\t2026-01-01T00:00:00Z\t0\t%s\n' "$b_key" "$b_ip" >"$LAN_DIR/a-home/pins.txt"
waiting=$(printf 'Ждёт PC-B с прошлого раза' | iconv -f UTF-8 -t CP1251)
printf 'ZAVOLIN OUTBOX 1\r\n#1\tPC-B\tPC-B\t\t2026-01-01T00:00:00\t%d\r\n%s\r\n' "${#waiting}" "$waiting" \
    >"$LAN_DIR/a-home/Outbox.txt"

lan_bg eve "$logs/eve.log" "$zveve" serve "$LAN_DIR/eve-home" 190
eve_pid=$LAN_LAST_PID
lan_wait_line "$logs/eve.log" '^READY' 10 "$eve_pid" || lan_fail "eve's listener never started"
start a
lan_wait_line "$logs/a.log" '^OUTBOX 1$' 5 "${pid[a]}" || lan_fail "pc-a did not read its outbox"

# 1. pc-b is away. eve announces itself as PC-B with 200 forged keys and its own:
# one check of eve, whose real handshake is warned about once with both
# fingerprints; no pin; and the waiting message never goes to eve.
eve udp 200 '%PC-B' "\$1${T}PC-B${T}6712${T}{rand}" "\$1${T}PC-B${T}6712${T}$eve_key"
if lan_wait_line "$logs/a.log" "$changed_box.*${b_key:0:4} ${b_key:4:4}.*${eve_key:0:4} ${eve_key:4:4}" 10 "${pid[a]}" \
    && (($(count "$logs/eve.log" "^CONNECT $a_ip\$") == 1)) && [[ $(pin_of a PC-B) == "$b_key" ]]; then
    lan_pass "400 datagrams from eve as PC-B: one check, one box with both keys, no pin"
else
    lan_fail "eve announcing for the pinned PC-B"
    lan_show "$logs/a.log"
fi
start b
say a REFRESH
if lan_wait_line "$logs/b.log" 'VIEW .*Ждёт PC-B с прошлого раза' 15 "${pid[b]}" \
    && lan_wait_line "$logs/a.log" '^OUTBOX 0$' 5 "${pid[a]}" && ! grep -q '^MSG' "$logs/eve.log"; then
    lan_pass "the message waiting for PC-B went to pc-b once it proved its key, never to eve"
else
    lan_fail "the waiting message for PC-B"
    lan_show "$logs/a.log" "$logs/b.log" "$logs/eve.log"
fi
wait_pinned b PC-A 10 || lan_fail "pc-b did not pin pc-a's key"

# 2. Forged keys for PC-B again, before a send: it goes securely, unasked; at
# most one check (one a minute), no other box.
checks=$(count "$logs/eve.log" "^CONNECT $a_ip\$")
eve udp 200 "\$1${T}PC-B${T}6712${T}{rand}" '%PC-B'
say a SEND PC-B после подделок
if lan_wait_line "$logs/b.log" "VIEW .*>>Сообщение от  PC-A$secure_mark \\| после подделок" 10 "${pid[b]}" \
    && (($(count "$logs/a.log" '^BOX ') == 1)) && [[ $(pin_of a PC-B) == "$b_key" ]] \
    && (($(count "$logs/eve.log" "^CONNECT $a_ip\$") - checks <= 1)); then
    lan_pass "after 400 forged datagrams pc-a's send to PC-B goes securely, with no box and at most one check"
else
    lan_fail "a send to PC-B after forged datagrams"
    lan_show "$logs/a.log" "$logs/b.log" "$logs/eve.log"
fi

# 3. Sends by address to the pinned pc-b, from the command line: over TLS,
# neither text nor file on the wire (the capture sees the open control text).
capture_start
say b OPTION 20 1
say b FOLDER "$LAN_DIR/b-in"
lan_wait_line "$logs/b.log" '^DONE FOLDER' 5 "${pid[b]}"
secret='Пин-код 5531 по адресу'
for _ in {1..500}; do printf 'file-by-address-80431 '; done >"$LAN_DIR/plan.txt"
if lan_exec pc-a "$zavolin" --home "$LAN_DIR/a-home" --send "$b_ip" "$secret" >"$logs/send.log" 2>&1 \
    && lan_wait_line "$logs/b.log" "VIEW .*>>Сообщение от  PC-A$secure_mark \\| $secret" 10 "${pid[b]}" \
    && lan_exec pc-a "$zavolin" --home "$LAN_DIR/a-home" --send-file "$b_ip" "$LAN_DIR/plan.txt" >>"$logs/send.log" 2>&1 \
    && lan_wait_line "$logs/b.log" '^BOX Внимание\|Получен файл plan\.txt' 10 "${pid[b]}" \
    && cmp -s "$LAN_DIR/plan.txt" "$LAN_DIR/b-in/plan.txt"; then
    lan_pass "--send and --send-file to pc-b's address go over the secure channel"
else
    lan_fail "sends by address to the pinned pc-b"
    lan_show "$logs/send.log" "$logs/b.log"
fi
if ! capture_stop pc-d "$b_ip" "$logs/b.log" "${pid[b]}"; then
    :
elif holds_bytes "$capture" "$secret" || holds_bytes "$capture" 'file-by-address-80431'; then
    lan_fail "a send by address is readable on the wire"
else
    lan_pass "nothing sent by address is readable on the wire"
fi

# 4. eve claims names over TLS (a pinned one: test_secure_peers.sh): our own is
# flagged and logged with eve's address, a new one shown as open; neither pinned.
pins_before=$(cat "$LAN_DIR/a-home/pins.txt")
while IFS="|" read -r -u 3 name flagged log; do
    text="Переведи деньги, $name"
    ok=1
    eve post "$LAN_DIR/eve-home" "$a_ip" "$name" "$text" || ok=0
    lan_wait_line "$logs/a.log" "^VIEW .*>>Сообщение от  $name \\| $text" 10 "${pid[a]}" || ok=0
    view=$(grep "^VIEW .*$text" "$logs/a.log" | tail -n 1)
    if ((flagged)); then
        grep -qE -- "$warning \\| >>Сообщение от  $name \\| $text" <<<"$view" || ok=0
        grep -qE -- "zavolin.security: a message over TLS with another key claims the name $name, $log; sent from $eve_ip" \
            "$logs/a.log" || ok=0
    else
        grep -qE -- "$warning \\| >>Сообщение от  $name \\| $text" <<<"$view" && ok=0
    fi
    if ((ok)); then
        lan_pass "eve's TLS message as $name is shown open$( ((flagged)) && echo ', flagged and logged')"
    else
        lan_fail "eve's TLS message as $name"
        lan_show "$logs/a.log"
    fi
done 3<<'EOF'
PC-A|1|which is this computer's own
НОВЫЙ|0|
EOF
if [[ $(cat "$LAN_DIR/a-home/pins.txt") == "$pins_before" ]]; then
    lan_pass "no TLS claim changed pc-a's pins"
else
    lan_fail "TLS claims changed pc-a's pins"
    lan_show "$LAN_DIR/a-home/pins.txt"
fi

# 5. eve announces names: only a key that eve's listener proves at the presence
# address of a name nobody else holds is pinned (on first use, as any newcomer's).
eve udp 1 '%PC-A' "\$1${T}PC-A${T}6712${T}$eve_key" "\$1${T}NOPRESENCE${T}6712${T}$eve_key" \
    '%NOLISTENER' "\$1${T}NOLISTENER${T}6799${T}$eve_key" '%NEWCOMER' "\$1${T}NEWCOMER${T}6712${T}$eve_key"
if wait_pinned a NEWCOMER 10 && [[ $(pin_of a NEWCOMER) == "$eve_key" ]] \
    && grep -q "^NEWCOMER${T}.*${T}0${T}$eve_ip\$" "$LAN_DIR/a-home/pins.txt" \
    && [[ -z $(pin_of a PC-A)$(pin_of a NOPRESENCE)$(pin_of a NOLISTENER) ]]; then
    lan_pass "no pin for pc-a's own name, a key without presence, or a key not proven; eve's proven key for a free name is pinned on first use"
else
    lan_fail "announcements of names by eve"
    lan_show "$LAN_DIR/a-home/pins.txt"
fi

# 6. eve announces PC-C (at a port nothing proves) before the real pc-c starts:
# two addresses, two keys, no pin, one warning however often they repeat.
eve udp 1 '%PC-C' "\$1${T}PC-C${T}6799${T}$eve_key"
start c
lan_wait_line "$logs/a.log" 'computer PC-C is announced with different keys' 10 "${pid[a]}"
wait_pinned c PC-A 10
# Datagrams from one host are taken in order: the mark comes after the repetition.
eve udp 2 '%PC-C' "\$1${T}PC-C${T}6799${T}$eve_key" '%MARK-6'
lan_wait_line "$logs/a.log" '^CONTACTS .*MARK-6' 10 "${pid[a]}"
if (($(count "$logs/a.log" 'computer PC-C is announced with different keys') == 1)) && [[ -z $(pin_of a PC-C) ]] \
    && (($(count "$logs/a.log" '^BOX Внимание\|Несколько компьютеров называют себя PC-C') == 1)); then
    lan_pass "PC-C announced with two keys from two addresses: no pin, one warning and one box"
else
    lan_fail "conflicting announcements of PC-C"
    lan_show "$logs/a.log" "$LAN_DIR/a-home/pins.txt"
fi

# 7. Two floods of 3,000 names at pc-a, each with presence and an announcement.
# Keys nothing proves pin nothing; eve's key, proven by its listener, is pinned
# on first use only to names nobody else holds. A genuine newcomer announcing
# itself after the floods is still pinned.
eve udp --to "$a_ip" 3000 '%EVE{i}' "\$1${T}EVE{i}${T}6799${T}$eve_key"
eve udp --to "$a_ip" 3000 '%EVF{i}' "\$1${T}EVF{i}${T}6712${T}$eve_key"
d_key=$(lan_exec pc-d "$zveve" key "$LAN_DIR/d-home")
lan_bg pc-d "$logs/d.log" "$zveve" serve "$LAN_DIR/d-home" 60
lan_wait_line "$logs/d.log" '^READY' 10 "$LAN_LAST_PID"
lan_exec pc-d "$zveve" udp 1 '%PC-D' "\$1${T}PC-D${T}6712${T}$d_key" >/dev/null
wait_pinned a PC-D 20
echo "MEASURED names pinned on first use from a proven flood of 3000: $(grep -c '^EVF' "$LAN_DIR/a-home/pins.txt")"
if [[ $(pin_of a PC-D) == "$d_key" && $(pin_of a PC-B) == "$b_key" ]] && ! grep -q '^EVE[0-9]' "$LAN_DIR/a-home/pins.txt" \
    && ! awk -F'\t' -v k="$eve_key" -v at="$eve_ip" '$2 == k && ($1 !~ /^(EVF[0-9]+|NEWCOMER)$/ || $5 != at)' \
        "$LAN_DIR/a-home/pins.txt" | grep -q .; then
    lan_pass "floods pinned no unproven name and eve's key to no other host's name; the genuine pc-d was pinned after them"
else
    lan_fail "floods of names"
    grep -v '^EVF' "$LAN_DIR/a-home/pins.txt"
    grep -E 'PC-D|dropped' "$logs/a.log" | tail -n 5
fi

lan_finish
