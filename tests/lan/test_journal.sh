#!/usr/bin/env bash
# Nothing acknowledged is lost: eight computers flood the real program with
# numbered messages, it is killed with SIGKILL right after the last
# acknowledgement and started again, twice (the second time with what the
# first restart recovered behind it), and then every acknowledged message is
# in the history exactly once. How many are still waiting at the kill varies
# with the machine's load: two rounds make a round with none rare.
# Usage: test_journal.sh ZAVOLIN ZVPROBE   (JOURNAL_FLOOD: messages per sender, 500)
set -u

here=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")" && pwd)
LAN_EXEC_TIMEOUT=${LAN_EXEC_TIMEOUT:-70}
LAN_BG_TIMEOUT=${LAN_BG_TIMEOUT:-120}
# shellcheck source=lan.sh
source "$here/lan.sh"

lan_programs zavolin zvprobe -- "$@"
count=${JOURNAL_FLOOD:-500}


senders=(pc-b pc-c pc-d pc-e pc-f pc-g pc-h pc-i)
lan_up pc-a "${senders[@]}"
logs=$LAN_DIR/logs
home=$LAN_DIR/a-home
mkdir -p "$home"

# Up once it acknowledges a message; its own pid (lan_bg gives the timeout's).
start_receiver() { # LOG
    lan_bg pc-a "$1" "$zavolin" --home "$home"
    wrapper=$LAN_LAST_PID
    local i
    for ((i = 0; i < 50; i++)); do
        lan_exec pc-b "$zvprobe" time-msg pc-a PC-UP up >/dev/null 2>&1 && break
        kill -0 "$wrapper" 2>/dev/null || break
        sleep 0.2
    done
    receiver=$wrapper
    for ((i = 0; i < 8; i++)); do
        [[ $(cat /proc/"$receiver"/comm 2>/dev/null) == zavolin ]] && return 0
        receiver=$(cat /proc/"$receiver"/task/*/children 2>/dev/null | awk '{ print $1 }')
    done
    return 1
}

# "SENDER NUMBER" for every received entry of the flood, one per line.
entries() {
    iconv -f CP1251 -t UTF-8 "$home/Log.txt" 2>/dev/null | tr -d '\r' |
        awk '/^\[.*\] R[12]-PC-[B-I] --> PC-A$/ { from = $(NF - 2); next } from != "" { print from, $1; from = "" }'
}

start_receiver "$logs/a0.log" || {
    lan_fail "zavolin on pc-a never acknowledged a message"
    lan_show "$logs/a0.log"
    lan_finish
    exit
}

recovered=0
for round in 1 2; do
    floods=()
    for h in "${senders[@]}"; do
        lan_bg "$h" "$logs/flood$round-$h.log" "$zvprobe" flood-msg pc-a "R$round-${h^^}" "$count" numbered
        floods+=("$LAN_LAST_PID")
    done
    wait "${floods[@]}" # each bounded by LAN_BG_TIMEOUT; no polling delay before the kill
    kill -KILL "$receiver"
    lan_wait_exit "$wrapper" 5
    for h in "${senders[@]}"; do
        n=$(sed -n 's/^ACKED //p' "$logs/flood$round-$h.log")
        ((${n:-0} == count)) || lan_fail "round $round: only ${n:-0} of $count messages from $h were acknowledged"
        for ((k = 1; k <= count; k++)); do echo "R$round-${h^^} N$k"; done
    done >>"$logs/acked.txt"
    before=$(entries | wc -l)
    start_receiver "$logs/a$round.log" || lan_fail "zavolin did not start again after SIGKILL"
    lan_exec pc-b "$zvprobe" time-msg pc-a PC-MARK "$round" >"$logs/marker.log" 2>&1
    # Recovered messages come before anything new: once the marker is there, they are too.
    for ((i = 0; i < 600; i++)); do
        (($(grep -a -c -- '] PC-MARK --> PC-A' "$home/Log.txt") == round)) && break
        sleep 0.1
    done
    recovered=$((recovered + $(entries | wc -l) - before))
done

sort -o "$logs/acked.txt" "$logs/acked.txt"
entries | sort >"$logs/found.txt"
total=$(wc -l <"$logs/acked.txt")
if cmp -s "$logs/acked.txt" "$logs/found.txt"; then
    lan_pass "all $total acknowledged messages are in the history once ($recovered came back from the journal after the kills)"
else
    lan_fail "after SIGKILL and restart $(comm -23 "$logs/acked.txt" "$logs/found.txt" | wc -l) of $total acknowledged messages are missing from the history, $(uniq -d "$logs/found.txt" | wc -l) are there twice"
    lan_show "$logs/a1.log" "$logs/a2.log" "$logs/marker.log"
fi
kill -TERM "$receiver" 2>/dev/null
lan_wait_exit "$wrapper" 10

lan_finish
