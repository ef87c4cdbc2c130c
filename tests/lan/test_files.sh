#!/usr/bin/env bash
# Files across a private LAN between real main windows on the stream port 711:
# identical bytes for an empty file, sizes around the 64 KiB chunk and 100 MiB;
# Ch20 with a folder and with "*"; the save dialog; hostile names refused
# before the acknowledgement, a hidden name offered in the save dialog and a
# truncated stream from a raw client; an unreachable receiver.
# Usage: test_files.sh ZVNETFORM
set -u

here=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")" && pwd)
LAN_EXEC_TIMEOUT=${LAN_EXEC_TIMEOUT:-20}
LAN_BG_TIMEOUT=${LAN_BG_TIMEOUT:-150}
# shellcheck source=lan.sh
source "$here/lan.sh"

lan_programs zvnetform -- "$@"


lan_up pc-a pc-b
logs=$LAN_DIR/logs
files=$LAN_DIR/files
inbox=$LAN_DIR/b-in
mkdir -p "$files" "$inbox" "$LAN_DIR/b-saved"

declare -A pid=()
for h in a b; do
    mkfifo "$LAN_DIR/$h.fifo"
    lan_bg "pc-$h" "$logs/$h.log" "$zvnetform" "$LAN_DIR/$h-home" 140 "$LAN_DIR/$h.fifo"
    pid[$h]=$LAN_LAST_PID
    lan_wait_line "$logs/$h.log" '^READY' 30 "${pid[$h]}" || lan_fail "pc-$h never started"
done

say() { # HOST COMMAND...
    local h=$1
    shift
    printf '%s\n' "$*" >"$LAN_DIR/$h.fifo"
}
count() { # FILE TEXT: lines holding TEXT
    local n
    n=$(LC_ALL=C grep -cF -- "$2" "$1" 2>/dev/null) || true
    echo "${n:-0}"
}
wait_count() { # FILE TEXT COUNT SECONDS [PID]
    local i
    for ((i = 0; i < $4 * 20; i++)); do
        (($(count "$1" "$2") >= $3)) && return 0
        [[ -n ${5:-} ]] && ! kill -0 "$5" 2>/dev/null && break
        sleep 0.05
    done
    (($(count "$1" "$2") >= $3))
}
sent_box='BOX Внимание|Файл отправлен!'

lan_wait_line "$logs/a.log" '^CONTACTS PC-B$' 10 "${pid[a]}" || lan_fail "pc-a does not list pc-b"
lan_wait_line "$logs/b.log" '^CONTACTS PC-A$' 10 "${pid[b]}" || lan_fail "pc-b does not list pc-a"

# 1. Into the preset folder: the bytes arrive unchanged, whatever the size.
say b OPTION 20 1
say b FOLDER "$inbox"
sent=0
for size in 0 1 65535 65536 65537 131073 104857600; do
    name=f$size.bin
    head -c "$size" /dev/urandom >"$files/$name"
    say a SENDFILE PC-B "$files/$name"
    sent=$((sent + 1))
    saved="BOX Внимание|Получен файл $name !\\nФайл сохранен в каталоге $inbox."
    if wait_count "$logs/a.log" "$sent_box" "$sent" 30 "${pid[a]}" \
        && wait_count "$logs/b.log" "$saved" 1 10 "${pid[b]}" \
        && cmp -s "$files/$name" "$inbox/$name"; then
        lan_pass "$size bytes arrived identical in the preset folder"
    else
        lan_fail "$size bytes into the preset folder"
        lan_show "$logs/a.log" "$logs/b.log"
        ls -la "$inbox"
    fi
done
if [[ -z $(find "$inbox" "$LAN_DIR/b-home" -name '.zavolin-*' 2>/dev/null) ]]; then
    lan_pass "no spool files left behind"
else
    lan_fail "spool files left behind"
fi

# 2. A file whose name exists in the folder is replaced without a question.
printf 'new content' >"$files/f1.bin"
say a SENDFILE PC-B "$files/f1.bin"
sent=$((sent + 1))
if wait_count "$logs/a.log" "$sent_box" "$sent" 10 "${pid[a]}" && sleep 0.3 && cmp -s "$files/f1.bin" "$inbox/f1.bin"; then
    lan_pass "an existing file was replaced"
else
    lan_fail "replacing an existing file"
fi

# 3. Ch20 with the folder "*": nothing is written, the sender still succeeds.
say b FOLDER '*'
printf 'nowhere' >"$files/star.txt"
say a SENDFILE PC-B "$files/star.txt"
sent=$((sent + 1))
if wait_count "$logs/a.log" "$sent_box" "$sent" 10 "${pid[a]}" \
    && wait_count "$logs/b.log" 'BOX Внимание|Не указан каталог сохранения полученных файлов!' 1 10 "${pid[b]}" \
    && [[ ! -e $inbox/star.txt ]]; then
    lan_pass "folder \"*\": file dropped with the notice, sender told it was sent"
else
    lan_fail "folder \"*\""
    lan_show "$logs/a.log" "$logs/b.log"
fi

# 4. Ch20 off: the notice, then the save dialog offering the name.
say b OPTION 20 0
say b SAVEAS "$LAN_DIR/b-saved/chosen.bin"
head -c 70000 /dev/urandom >"$files/offered.bin"
say a SENDFILE PC-B "$files/offered.bin"
sent=$((sent + 1))
if wait_count "$logs/b.log" 'BOX Внимание|Получен файл offered.bin !' 1 10 "${pid[b]}" \
    && wait_count "$logs/b.log" 'DIALOG SaveDialog1 offered.bin' 1 10 "${pid[b]}" \
    && wait_count "$logs/a.log" "$sent_box" "$sent" 10 "${pid[a]}" && sleep 0.3 \
    && cmp -s "$files/offered.bin" "$LAN_DIR/b-saved/chosen.bin"; then
    lan_pass "without Ch20 the file is offered under its name and saved where chosen"
else
    lan_fail "save dialog"
    lan_show "$logs/b.log"
fi

# 5. A raw client: hostile names, then a stream that ends early.
b_ip=$(lan_ip pc-b)
raw_send() { # NAME ANNOUNCED BODY: prints the acknowledgement, if any
    lan_exec pc-a env LC_ALL=C ip="$b_ip" name="$1" count="$2" body="$3" bash -c '
        exec 3<>"/dev/tcp/$ip/711" || exit 1
        printf "%04d%s%10d%s" "${#name}" "$name" "$count" "$body" >&3
        if ((${#body} == count)); then
            IFS= read -r -t 5 -N 16 ack <&3
            printf "%s" "$ack"
        fi
        exec 3>&-'
}
say b OPTION 20 1
say b FOLDER "$inbox"
before=$(ls -A "$inbox" | sort)
refusals=0
for name in 'C:\x\..' 'C:\x\.' 'C:\x\' '' 'C:\.bashrc' $'C:\\a\x01b.txt' $'C:\\new\nline'; do
    ack=$(raw_send "$name" 4 evil)
    refusals=$((refusals + 1))
    # Refused as the header arrives: no acknowledgement, so the sender knows.
    if [[ -n $ack ]] \
        || ! wait_count "$logs/b.log" 'BOX Внимание|Файл от PC-A не сохранен: недопустимое имя файла' "$refusals" 10 "${pid[b]}"; then
        lan_fail "hostile name $(printf '%q' "$name") (ack '$ack')"
        lan_show "$logs/b.log"
    fi
done
if [[ $(ls -A "$inbox" | sort) == "$before" ]] && [[ ! -e $LAN_DIR/.bashrc && ! -e $LAN_DIR/x ]]; then
    lan_pass "hostile names refused with a notice, nothing written"
else
    lan_fail "hostile names wrote something"
    ls -la "$inbox" "$LAN_DIR"
fi

# Without Ch20 the user picks the place: a hidden name is offered without its dot.
say b OPTION 20 0
say b SAVEAS "$LAN_DIR/b-saved/picked"
ack=$(raw_send 'C:\.profile' 6 hidden)
if [[ $ack == 'OK              ' ]] \
    && wait_count "$logs/b.log" 'DIALOG SaveDialog1 profile' 1 10 "${pid[b]}" && sleep 0.3 \
    && [[ $(cat "$LAN_DIR/b-saved/picked" 2>/dev/null) == hidden ]]; then
    lan_pass "a hidden name is offered without its dot in the save dialog"
else
    lan_fail "hidden name in the save dialog (ack '$ack')"
    lan_show "$logs/b.log"
fi
say b OPTION 20 1

ack=$(raw_send 'C:\t.bin' 1000 "$(printf '%0100d' 0)")
if [[ -z $ack ]] \
    && wait_count "$logs/b.log" 'BOX Внимание|Файл t.bin от PC-A получен не полностью (100 из 1000 байт) и не сохранен.' 1 10 "${pid[b]}" \
    && [[ ! -e $inbox/t.bin ]]; then
    lan_pass "a truncated stream is discarded and reported as incomplete"
else
    lan_fail "truncated stream (ack '$ack')"
    lan_show "$logs/b.log"
fi

# 6. A receiver nobody answers for.
say a ADDCONTACT 10.77.0.99
lan_wait_line "$logs/a.log" '^DONE ADDCONTACT' 5 "${pid[a]}"
say a SENDFILE 10.77.0.99 "$files/f1.bin"
if wait_count "$logs/a.log" 'BOX Внимание|Ошибка отправки файла!' 1 30 "${pid[a]}"; then
    lan_pass "an unreachable receiver gives the send error"
else
    lan_fail "unreachable receiver"
    lan_show "$logs/a.log"
fi

lan_finish
