# Sourced by the packaging tests before they start the program: it must see
# loopback only. Without a private network namespace the test runs itself
# again inside one (unshare -rn), or reports itself skipped (skip.sh, sourced
# first).
# Usage: require_private_network "$0" "$@"
require_private_network() {
    local iface others=()
    # /proc/self/net shows this process's namespace (sysfs may show another).
    for iface in $(awk -F: 'NR > 2 { gsub(/ /, "", $1); print $1 }' /proc/self/net/dev); do
        [[ $iface == lo ]] || others+=("$iface")
    done
    if ((${#others[@]} == 0)); then
        ip link set lo up 2>/dev/null
        return 0
    fi
    if [[ -n ${ZV_PRIVATE_NETWORK:-} ]]; then
        echo "FAIL: still sees ${others[*]} inside unshare -rn" >&2
        exit 1
    fi
    if ! unshare -rn true 2>/dev/null; then
        skip_test "interfaces ${others[*]} are visible and no private network namespace can be made (unshare -rn)"
    fi
    ZV_PRIVATE_NETWORK=1 exec unshare -rn bash "$@"
}
