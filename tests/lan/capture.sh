# shellcheck shell=bash
# A capture of everything crossing the LAN's bridge, to prove what never goes
# over it in the open. Sourced after lan.sh; needs $here, $logs and $zvprobe.

capture_tool=$here/bridge_capture.py
capture=$LAN_DIR/bridge.pcap
capture_pid=

capture_start() {
    python3 "$capture_tool" "$LAN_BRIDGE" "$capture" 2>"$logs/capture.log" &
    capture_pid=$!
    LAN_PIDS+=("$capture_pid")
    lan_wait_line "$logs/capture.log" 'listening on' 10 "$capture_pid" || lan_fail "the capture on the bridge did not start"
}

# Whether FILE holds TEXT's code page 1251 bytes anywhere.
holds_bytes() { # FILE TEXT
    local needle
    needle=$(printf '%s' "$2" | iconv -f UTF-8 -t CP1251) || return 2
    LC_ALL=C grep -qaF -- "$needle" "$1"
}

# HOST writes an open control text to ADDRESS (whose program logs to LOG and
# runs as PID), then the capture ends. Fails when the capture missed that
# text: a capture that does not see open text proves nothing.
capture_stop() { # HOST ADDRESS LOG PID
    local control='Открытый контрольный текст'
    lan_exec "$1" "$zvprobe" time-msg "$2" "${1^^}" "$control" >/dev/null 2>&1
    lan_wait_line "$3" "$control" 10 "$4"
    sleep 0.5 # let the capture take the last packets
    kill -INT "$capture_pid" 2>/dev/null
    lan_wait_exit "$capture_pid" 5 >/dev/null
    holds_bytes "$capture" "$control" && return 0
    lan_fail "the capture did not see the open control text: it proves nothing"
    lan_show "$3" "$logs/capture.log"
    return 1
}
