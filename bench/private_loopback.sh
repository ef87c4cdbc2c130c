# Sourced first by every benchmark that starts the program: it runs the
# benchmark again inside a private network namespace with loopback alone,
# since the program announces itself by broadcast and must never do so on a
# real network.
#   source "$(dirname -- "$0")/private_loopback.sh" "$@"
if [[ -z ${ZV_BENCH_NS:-} ]]; then
    ZV_BENCH_NS=1 exec unshare -rn bash "$0" "$@"
fi
if ip -o link show | awk -F': ' '$2 != "lo" { other = 1 } END { exit !other }'; then
    echo "$(basename -- "$0"): not in a private network namespace" >&2
    exit 1
fi
ip link set lo up
