#!/usr/bin/env bash
# Installs what is missing, builds, and starts Zavolin. Arguments go to the program.
source "$(dirname "$0")/common.sh"

# Files arrive on TCP port 711, which Linux keeps for root unless the program
# holds the capability to bind it or the system lowers the privileged range.
# Run as root from a terminal, this offers to grant the capability (a rebuild
# of the program drops it again); otherwise it only says how.
offer_file_port() {
    local exe=$1 start answer
    start=$(cat /proc/sys/net/ipv4/ip_unprivileged_port_start 2>/dev/null || echo 1024)
    [ "$start" -le 711 ] && return 0
    getcap "$exe" 2>/dev/null | grep -q cap_net_bind_service && return 0
    local hint="sudo setcap 'cap_net_bind_service=+ep' $exe
  or, for every program: sudo sysctl net.ipv4.ip_unprivileged_port_start=711"
    if [ "$(id -u)" -ne 0 ] || ! command -v setcap >/dev/null 2>&1 || [ ! -t 0 ]; then
        echo "Zavolin receives files on TCP port 711; to allow it for normal users, run:
  $hint" >&2
        return 0
    fi
    read -r -p "Allow $exe to receive files on TCP port 711 when run by normal users (setcap cap_net_bind_service)? [y/N] " answer
    case $answer in
    [yYдД]*) setcap 'cap_net_bind_service=+ep' "$exe" && echo "Done: $(getcap "$exe")" ;;
    *) echo "Not changed. Later: $hint" ;;
    esac
}

install_missing_packages
build
offer_file_port "$BUILD/zavolin"
exec "$BUILD/zavolin" "$@"
