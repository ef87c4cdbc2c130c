#!/usr/bin/env bash
# Start-up figures on a private two-host LAN: the time from starting zavolin on
# pc-a to its first "%" datagram arriving on pc-b, and pc-a's resident memory
# once it idles. Several runs; prints each and the median.
#   bench/startup.sh BUILD_DIR [RUNS]
set -u
here=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../tests/lan/lan.sh
source "$here/../tests/lan/lan.sh"
build=$(realpath -- "${1:?usage: startup.sh BUILD_DIR [RUNS]}")
runs=${2:-7}
lan_require "$@"
lan_up pc-a pc-b
logs=$LAN_DIR/logs

times=()
for ((i = 1; i <= runs; i++)); do
    lan_bg pc-b "$logs/b$i.log" "$build/tests/lan/zvprobe" first-udp % 20
    probe=$LAN_LAST_PID
    lan_wait_line "$logs/b$i.log" '^READY' 5 "$probe" || { echo "probe did not start"; exit 1; }
    start=$(date +%s%N)
    lan_bg pc-a "$logs/a$i.log" "$build/zavolin" --home "$LAN_DIR/home$i"
    app=$LAN_LAST_PID
    lan_wait_exit "$probe" 20
    first=$(sed -n 's/^FIRST //p' "$logs/b$i.log")
    if [[ -n $first ]]; then
        times+=($(((first - start) / 1000000)))
    fi
    if ((i == runs)); then
        sleep 3
        # The timeout wrapper's child is the program.
        child=$(pgrep -P "$app" | head -n 1)
        rss=$(awk '/VmRSS/ {print $2}' "/proc/${child:-$app}/status" 2>/dev/null)
    fi
    kill -TERM "$app"
    lan_wait_exit "$app" 10 >/dev/null
done
sorted=$(printf '%s\n' "${times[@]}" | sort -n)
echo "start to first %: $(echo "$sorted" | tr '\n' ' ')ms; median $(echo "$sorted" | sed -n "$(((${#times[@]} + 1) / 2))p") ms"
echo "idle RSS after start: $((${rss:-0} / 1024)) MiB"
