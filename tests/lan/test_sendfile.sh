#!/usr/bin/env bash
# `zavolin --send-file HOST PATH...` across a private LAN to a raw stream
# peer on pc-b: two files and a folder make three streams, in order, under
# this computer's name, with identical bytes; the folder arrives as one ZIP
# archive whose entries (empty folders and names in several scripts
# included) extract to the same tree. An unreachable host and a missing file
# end with a non-zero code naming each failure. Proxies named in the
# sender's environment are not used for LAN peers.
# Usage: test_sendfile.sh ZAVOLIN ZVFILEPEER
set -u

here=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")" && pwd)
LAN_EXEC_TIMEOUT=${LAN_EXEC_TIMEOUT:-60}
LAN_BG_TIMEOUT=${LAN_BG_TIMEOUT:-90}
# shellcheck source=lan.sh
source "$here/lan.sh"

lan_programs zavolin peer -- "$@"

lan_up pc-a pc-b
logs=$LAN_DIR/logs
src=$LAN_DIR/src
got=$LAN_DIR/got
mkdir -p "$src" "$got" "$LAN_DIR/a-home"

head -c 200000 /dev/urandom >"$src/first.bin"
printf 'второй файл\n' >"$src/отчёт.txt"
folder="$src/Папка"
mkdir -p "$folder/sub/deeper" "$folder/empty" "$folder/日本語"
head -c 70000 /dev/urandom >"$folder/sub/deeper/data.bin"
printf 'alpha' >"$folder/a.txt"
printf 'ελληνικά' >"$folder/日本語/Ωμέγα.txt"
: >"$folder/sub/zero"

lan_bg pc-b "$logs/peer.log" "$peer" serve "$got" 3 60
served=$LAN_LAST_PID
lan_wait_line "$logs/peer.log" '^READY' 10 "$served" || lan_fail "the raw peer did not start"

if http_proxy=http://127.0.0.1:9/ https_proxy=http://127.0.0.1:9/ all_proxy=socks5://127.0.0.1:9/ \
    lan_exec pc-a "$zavolin" --home "$LAN_DIR/a-home" --send-file pc-b "$src/first.bin" "$src/отчёт.txt" "$folder" \
    >"$logs/send.log" 2>&1; then
    lan_pass "--send-file exits 0 once all three were acknowledged, past the proxies of its environment"
else
    lan_fail "--send-file did not exit 0"
    lan_show "$logs/send.log"
fi
lan_wait_exit "$served" 10 >/dev/null

expect_stream() { # N NAME FILE
    if grep -qxF -- "STREAM $1 \\\\PC-A\\$2 $(stat -c %s "$3")" "$logs/peer.log" && cmp -s "$3" "$got/$1"; then
        lan_pass "stream $1 is $2 under PC-A with identical bytes"
    else
        lan_fail "stream $1 ($2)"
        lan_show "$logs/peer.log"
    fi
}
expect_stream 1 first.bin "$src/first.bin"
expect_stream 2 отчёт.txt "$src/отчёт.txt"
if grep -qE '^STREAM 3 \\\\PC-A\\Папка\.zip [0-9]+$' "$logs/peer.log"; then
    lan_pass "the folder is the third stream, Папка.zip"
else
    lan_fail "no third stream Папка.zip"
    lan_show "$logs/peer.log"
fi
if (($(grep -c '^STREAM' "$logs/peer.log") == 3)); then
    lan_pass "exactly three streams"
else
    lan_fail "not exactly three streams"
fi

mkdir -p "$LAN_DIR/unzipped"
if "$peer" unzip "$got/3" "$LAN_DIR/unzipped" >"$logs/unzip.log" 2>&1 \
    && diff -r "$folder" "$LAN_DIR/unzipped/Папка" >"$logs/diff.log" 2>&1; then
    lan_pass "the archive's entries extract to the same tree, empty folders and names in any script included"
else
    lan_fail "the archive differs from the folder"
    lan_show "$logs/unzip.log" "$logs/diff.log"
fi
if grep -qxF 'ENTRY Папка/empty/ 0' "$logs/unzip.log" && grep -qxF 'ENTRY Папка/日本語/Ωμέγα.txt 16' "$logs/unzip.log"; then
    lan_pass "the archive lists the empty folder and the Greek name under the Japanese folder"
else
    lan_fail "entries missing from the archive listing"
    lan_show "$logs/unzip.log"
fi

# Nobody listens any more: every file fails, and each is named.
if lan_exec pc-a "$zavolin" --home "$LAN_DIR/a-home" --send-file pc-b "$src/first.bin" "$src/missing.bin" \
    >"$logs/fail.log" 2>&1; then
    lan_fail "--send-file to nobody exited 0"
elif grep -qF "first.bin:" "$logs/fail.log" && grep -qF "missing.bin:" "$logs/fail.log"; then
    lan_pass "--send-file to nobody exits non-zero naming both files"
else
    lan_fail "failures not named"
    lan_show "$logs/fail.log"
fi

lan_finish
