#!/usr/bin/env bash
# The secure channel against the other kinds of peer, across a private LAN
# with one real main window on pc-a: a plain-only peer (pc-w, no key
# announced) exchanges files with pc-a both ways as before; a host renamed to
# a name pc-a has a key pinned for (pc-c as PC-B) writes over TLS with its own
# key and is shown as unverified, logged, and pinned nothing; `zavolin --send`
# and `zavolin --send-file` from a home whose pins hold the recipient's key go
# over TLS (the text and the file's bytes nowhere on the bridge) and, when the
# secure connection fails, send nothing in the open and exit non-zero; a file
# for a contact whose key pc-a proved, when its secure channel fails, asks the
# user, and goes in the open only when the user agrees.
# Usage: test_secure_peers.sh ZAVOLIN ZVNETFORM ZVPROBE ZVFILEPEER ZVEVE
set -u

here=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")" && pwd)
LAN_EXEC_TIMEOUT=${LAN_EXEC_TIMEOUT:-20}
LAN_BG_TIMEOUT=${LAN_BG_TIMEOUT:-60}
# shellcheck source=lan.sh
source "$here/lan.sh"

lan_programs zavolin zvnetform zvprobe zvfilepeer zveve -- "$@"


lan_up pc-a pc-c pc-w
logs=$LAN_DIR/logs
# shellcheck source=capture.sh
source "$here/capture.sh"
files=$LAN_DIR/files
inbox=$LAN_DIR/a-in
mkdir -p "$files" "$inbox" "$LAN_DIR/a-home" "$LAN_DIR/w-got" "$LAN_DIR/w-got2" "$LAN_DIR/c-got" "$LAN_DIR/impostor-home" \
    "$LAN_DIR/c-home" "$LAN_DIR/open-home"

say() { # COMMAND...: to pc-a's window
    printf '%s\n' "$*" >"$LAN_DIR/a.fifo"
}
pin_line() { # NAME FINGERPRINT
    printf '%s\t%s\t2026-01-01T00:00:00Z\t0\n' "$1" "$2"
}

# pc-a knows PC-B by a key pinned earlier; nobody on this LAN holds it.
pinned_b=$(printf 'CD%.0s' {1..32})
pin_line PC-B "$pinned_b" >"$LAN_DIR/a-home/pins.txt"

# pc-c hears pc-a's key announcement, as any host on the LAN can.
lan_bg pc-c "$logs/udp.log" "$zvprobe" listen-udp 20
heard=$LAN_LAST_PID
lan_wait_line "$logs/udp.log" '^READY' 10 "$heard"
mkfifo "$LAN_DIR/a.fifo"
lan_bg pc-a "$logs/a.log" "$zvnetform" "$LAN_DIR/a-home" 55 "$LAN_DIR/a.fifo"
apid=$LAN_LAST_PID
lan_wait_line "$logs/a.log" '^READY' 30 "$apid" || lan_fail "pc-a never started"
lan_wait_line "$logs/udp.log" $'\tPC-A\t6712\t' 10 "$heard"
key_a=$(awk -F'\t' '$2 == "PC-A" && $3 == "6712" { print $4; exit }' "$logs/udp.log")
if [[ $key_a =~ ^[0-9A-F]{64}$ ]]; then
    lan_pass "pc-a announced its key and secure port"
else
    lan_fail "no key announcement from pc-a"
    lan_show "$logs/udp.log" "$logs/a.log"
fi

# 1. A plain-only peer: files go to it and come from it in the open, as before.
lan_bg pc-w "$logs/wfiles.log" "$zvfilepeer" serve "$LAN_DIR/w-got" 1 30
wfiles=$LAN_LAST_PID
lan_wait_line "$logs/wfiles.log" '^READY' 10 "$wfiles" || lan_fail "pc-w's file peer did not start"
lan_exec pc-w "$zvprobe" send-udp '%PC-W' >/dev/null 2>&1
lan_wait_line "$logs/a.log" '^CONTACTS .*PC-W' 10 "$apid" || lan_fail "pc-a never listed pc-w"
head -c 150000 /dev/urandom >"$files/to-w.bin"
say SENDFILE PC-W "$files/to-w.bin"
if lan_wait_line "$logs/a.log" '^BOX Внимание\|Файл отправлен!' 15 "$apid" \
    && lan_wait_line "$logs/wfiles.log" "^STREAM 1 .*to-w\\.bin 150000$" 5 "$wfiles" \
    && cmp -s "$files/to-w.bin" "$LAN_DIR/w-got/1"; then
    lan_pass "pc-a sends a file to the plain-only pc-w in the open"
else
    lan_fail "file from pc-a to pc-w"
    lan_show "$logs/a.log" "$logs/wfiles.log"
fi
say OPTION 20 1
say FOLDER "$inbox"
lan_wait_line "$logs/a.log" '^DONE FOLDER' 5 "$apid"
head -c 90000 /dev/urandom >"$files/from-w.bin"
if lan_exec pc-w "$zavolin" --home "$LAN_DIR/w-home" --send-file pc-a "$files/from-w.bin" >"$logs/wsend.log" 2>&1 \
    && lan_wait_line "$logs/a.log" '^BOX Внимание\|Получен файл from-w\.bin !' 10 "$apid" \
    && cmp -s "$files/from-w.bin" "$inbox/from-w.bin"; then
    lan_pass "a file from the plain-only pc-w is saved on pc-a"
else
    lan_fail "file from pc-w to pc-a"
    lan_show "$logs/wsend.log" "$logs/a.log"
fi

# 2. pc-c renamed PC-B writes over TLS with its own key: an incoming connection
# proves nothing about a name, so the message is taken but shown as unverified,
# logged with pc-c's address, and PC-B's pin stays; no box asks about it.
pin_line PC-A "$key_a" >"$LAN_DIR/impostor-home/pins.txt"
impostor_text='Я PC-B, переведи деньги'
lan_exec pc-c bash -c 'hostname pc-b && exec "$0" --home "$1" --send pc-a "$2"' \
    "$zavolin" "$LAN_DIR/impostor-home" "$impostor_text" >"$logs/impostor.log" 2>&1
impostor_ip=$(lan_ip pc-c)
impostor_ip=${impostor_ip//./\\.}
if lan_wait_line "$logs/a.log" "^VIEW !!! НЕ ПОДТВЕРЖДЕНО[^|]* \\| >>Сообщение от  PC-B \\| $impostor_text" 10 "$apid" \
    && grep -q "over TLS with another key claims the name PC-B, which has a pinned key; sent from $impostor_ip" "$logs/a.log" \
    && ! grep -q 'BOX .*предъявил другой ключ' "$logs/a.log" \
    && grep -q "^PC-B	$pinned_b	" "$LAN_DIR/a-home/pins.txt"; then
    lan_pass "another key claiming PC-B over TLS is shown unverified, logged and not pinned"
else
    lan_fail "impostor of PC-B over TLS"
    lan_show "$logs/a.log" "$logs/impostor.log"
fi

# pc-a pins pc-c's key once its own handshake proves the key pc-c announced.
c_key=$(lan_exec pc-c "$zveve" key "$LAN_DIR/c-home")
lan_bg pc-c "$logs/clisten.log" "$zveve" serve "$LAN_DIR/c-home" 40
clisten=$LAN_LAST_PID
lan_wait_line "$logs/clisten.log" '^READY' 10 "$clisten" || lan_fail "pc-c's secure listener did not start"
lan_exec pc-c "$zveve" udp 1 '%PC-C' "\$1	PC-C	6712	$c_key" >/dev/null
for _ in {1..100}; do
    grep -q "^PC-C	$c_key	" "$LAN_DIR/a-home/pins.txt" && break
    sleep 0.1
done
grep -q "^PC-C	$c_key	" "$LAN_DIR/a-home/pins.txt" || lan_fail "pc-a did not pin pc-c's key"

# 3. `zavolin --send` with pc-a's key in the home's pins: over TLS, nothing readable on the bridge.
pin_line PC-A "$key_a" >"$LAN_DIR/c-home/pins.txt"
pin_line PC-W "$(printf 'EF%.0s' {1..32})" >>"$LAN_DIR/c-home/pins.txt"
capture_start
secret='Код от сейфа 40417 из командной строки'
if lan_exec pc-c "$zavolin" --home "$LAN_DIR/c-home" --send pc-a "$secret" >"$logs/csend.log" 2>&1 \
    && lan_wait_line "$logs/a.log" "^VIEW .*>>Сообщение от  PC-C  \[зашифровано; ключ не сверен\] \| $secret" 10 "$apid"; then
    lan_pass "--send with pc-a's key pinned exits 0 and pc-a marks the message as secure"
else
    lan_fail "--send over the secure channel"
    lan_show "$logs/csend.log" "$logs/a.log"
fi
# The same for a file: it arrives whole.
for _ in {1..2000}; do printf 'secret-file-payload-73519 '; done >"$files/secret-plan.txt"
if lan_exec pc-c "$zavolin" --home "$LAN_DIR/c-home" --send-file pc-a "$files/secret-plan.txt" \
    >"$logs/csendfile.log" 2>&1 \
    && lan_wait_line "$logs/a.log" '^BOX Внимание\|Получен файл secret-plan\.txt !' 10 "$apid" \
    && cmp -s "$files/secret-plan.txt" "$inbox/secret-plan.txt"; then
    lan_pass "--send-file with pc-a's key pinned exits 0 and the file arrives byte-identical"
else
    lan_fail "--send-file over the secure channel"
    lan_show "$logs/csendfile.log" "$logs/a.log"
fi
if ! capture_stop pc-w "$(lan_ip pc-a)" "$logs/a.log" "$apid"; then
    :
elif holds_bytes "$capture" "$secret"; then
    lan_fail "the text of --send is on the wire"
else
    lan_pass "the text of --send is not on the wire (open text seen)"
fi
if holds_bytes "$capture" 'secret-file-payload-73519'; then
    lan_fail "the bytes of --send-file are on the wire"
else
    lan_pass "the bytes of --send-file are not on the wire"
fi

# ...and with no secure listener at the pinned recipient, nothing goes in the open.
lan_bg pc-w "$logs/wmsg.log" "$zvprobe" serve-msg 20 1
wmsg=$LAN_LAST_PID
lan_wait_line "$logs/wmsg.log" '^READY' 10 "$wmsg" || lan_fail "pc-w's message server never started"
if ! lan_exec pc-c "$zavolin" --home "$LAN_DIR/c-home" --send pc-w 'Не открыто' \
    >"$logs/cfail.log" 2>&1 && grep -q 'not sent in the open' "$logs/cfail.log"; then
    lan_pass "--send to a pinned host without a secure listener exits non-zero and says so"
else
    lan_fail "--send when the secure connection fails"
    lan_show "$logs/cfail.log"
fi
# A later open message is the first and only one pc-w's server takes.
lan_exec pc-c "$zvprobe" time-msg "$(lan_ip pc-w)" PC-C 'метка' >/dev/null 2>&1
lan_wait_exit "$wmsg" 10 >/dev/null
if [[ $(grep '^MSG' "$logs/wmsg.log") == $'MSG PC-C\tметка' ]]; then
    lan_pass "nothing went to pc-w's open message server before a later open message"
else
    lan_fail "the message went to pc-w in the open"
    lan_show "$logs/wmsg.log"
fi

# ...nor a file: pc-w's open file server takes only the open file sent after it.
lan_bg pc-w "$logs/wfiles2.log" "$zvfilepeer" serve "$LAN_DIR/w-got2" 1 20
wfiles2=$LAN_LAST_PID
lan_wait_line "$logs/wfiles2.log" '^READY' 10 "$wfiles2" || lan_fail "pc-w's second file peer did not start"
printf 'не открыто\n' >"$files/closed.txt"
if ! lan_exec pc-c "$zavolin" --home "$LAN_DIR/c-home" --send-file pc-w "$files/closed.txt" \
    >"$logs/cfilefail.log" 2>&1 && grep -q 'closed\.txt: .*not sent in the open' "$logs/cfilefail.log"; then
    lan_pass "--send-file to a pinned host without a secure listener exits non-zero and says so"
else
    lan_fail "--send-file when the secure connection fails"
    lan_show "$logs/cfilefail.log"
fi
printf 'метка\n' >"$files/mark.txt"
lan_exec pc-c "$zavolin" --home "$LAN_DIR/open-home" --send-file pc-w "$files/mark.txt" >"$logs/copen.log" 2>&1
lan_wait_exit "$wfiles2" 10 >/dev/null
if [[ $(grep -c '^STREAM' "$logs/wfiles2.log") == 1 ]] && grep -q '^STREAM 1 .*mark\.txt [0-9]*$' "$logs/wfiles2.log" \
    && cmp -s "$files/mark.txt" "$LAN_DIR/w-got2/1"; then
    lan_pass "no file went to pc-w's open file server before a later open file"
else
    lan_fail "the file went to pc-w in the open"
    lan_show "$logs/wfiles2.log" "$logs/copen.log"
fi

# 4. A file for PC-C, whose key pc-a pinned, while pc-c has no secure listener
# any more: the user is asked; No sends nothing, Yes sends it openly once.
kill -TERM "$clisten" 2>/dev/null
lan_wait_exit "$clisten" 5 >/dev/null
say ANSWERNO 1
lan_bg pc-c "$logs/cfiles.log" "$zvfilepeer" serve "$LAN_DIR/c-got" 1 30
cfiles=$LAN_LAST_PID
lan_wait_line "$logs/cfiles.log" '^READY' 10 "$cfiles" || lan_fail "pc-c's file peer did not start"
lan_exec pc-c "$zvprobe" send-udp '%PC-C' >/dev/null 2>&1
lan_wait_line "$logs/a.log" '^CONTACTS .*PC-C' 10 "$apid" || lan_fail "pc-a never listed pc-c"
printf 'смета на квартал\n' >"$files/смета.txt"
offer='^BOX Внимание\|Файл «смета\.txt» для PC-C не отправлен по защищённому каналу: не удалось установить защищённое соединение\.\\nОтправить его открыто, без шифрования, один раз\?$'
say SENDFILE PC-C "$files/смета.txt"
if lan_wait_line "$logs/a.log" "$offer" 15 "$apid" && ! grep -q 'Ошибка отправки файла' "$logs/a.log" \
    && ! grep -q '^STREAM' "$logs/cfiles.log"; then
    lan_pass "a failed secure file asks the user and, answered No, sends nothing"
else
    lan_fail "failed secure file, answered No"
    lan_show "$logs/a.log" "$logs/cfiles.log"
fi
say ANSWERNO 0
say SENDFILE PC-C "$files/смета.txt"
if lan_wait_line "$logs/cfiles.log" '^STREAM 1 .*смета\.txt [0-9]+$' 15 "$cfiles" \
    && cmp -s "$files/смета.txt" "$LAN_DIR/c-got/1" && (($(LC_ALL=C grep -cE -- "$offer" "$logs/a.log") == 2)); then
    lan_pass "answered Yes, the file goes in the open this once"
else
    lan_fail "failed secure file, answered Yes"
    lan_show "$logs/a.log" "$logs/cfiles.log"
fi

lan_finish
