# shellcheck shell=bash
# Private LAN of network namespaces for scenario tests. Source it, then call
#   lan_require "$@"
# first: it re-runs the calling script inside fresh user (when not root),
# mount, net, uts and pid namespaces, so nothing is created in, sent to or
# connected from the machine's own network, and the kernel tears everything
# down when the script ends, even after a crash (pid 1 of the run exits).
#
# Needs bash, iproute2, util-linux (unshare, mount), coreutils and hostname.
#
#   lan_up [--no-names] HOST [[--no-names] HOST]...
#       add hosts to the bridge; --no-names: that host's hosts file knows
#       only localhost and itself
#   lan_exec HOST CMD...        run in HOST, bounded by LAN_EXEC_TIMEOUT
#   lan_bg HOST LOG CMD...      same in the background (LAN_BG_TIMEOUT);
#                               its pid is left in LAN_LAST_PID
#   lan_wait_line FILE ERE SECS [PID]
#                               wait until a line of FILE matches
#   lan_wait_exit PID SECS      wait for a background command, return its code
#   lan_ip HOST                 print HOST's address
#   lan_link HOST down|up       take HOST's eth0 down, or bring it up again
#                               with its default route
#   lan_readdr HOST IP          HOST's eth0 gets IP (same /24) instead; lan_ip follows
#   lan_up2 [--no-names] HOST...
#                               a second network (bridge lanbr1, LAN_PREFIX2):
#                               a new HOST lives on it alone (eth0); a HOST that
#                               is up already joins it too (eth1), its default
#                               route staying on the first
#   lan_ip2 HOST                print HOST's address on the second network
#   lan_neighbours              every host of the first network knows every
#                               other's hardware address (crowds: see below)
#   lan_loss PERCENT            the bridge drops that share of the UDP 6711
#                               datagrams it delivers, each copy on its own;
#                               lan_loss_counted prints "COPIES DROPPED"
#   lan_need TOOL...            a missing tool skips the test (fails under CI)
#   lan_down                    kill background commands, remove the LAN
#                               (runs by itself at exit)
#   lan_pass / lan_fail TEXT, lan_finish   report lines and the exit code

LAN_PREFIX=${LAN_PREFIX:-10.77.0}
LAN_EXEC_TIMEOUT=${LAN_EXEC_TIMEOUT:-30}
LAN_BG_TIMEOUT=${LAN_BG_TIMEOUT:-60}
LAN_PREFIX2=${LAN_PREFIX2:-10.78.0}
LAN_BRIDGE=lanbr0
LAN_BRIDGE2=lanbr1

LAN_HOSTS=()
LAN_PIDS=()
LAN_LAST_PID=
declare -A LAN_IP=() LAN_IP2=() LAN_NONAMES=()
_LAN_PASSED=0
_LAN_FAILED=0

# Under CI a missing tool or namespace support is a failure: the test
# command installs the tools, and a skip there would hide a broken machine.
_lan_skip() {
    if [[ ${CI:-} == true ]]; then
        echo "FAIL: $* (CI=true)"
        exit 1
    fi
    echo "SKIP: $*"
    exit 77
}

_lan_die() {
    echo "lan: $*" >&2
    exit 1
}

# The scenario's programs, named in the order its arguments give them: each
# name becomes a variable holding that program's full path, then the run
# enters its namespaces. Usage: lan_programs zavolin zvprobe -- "$@"
lan_programs() {
    local -a names=()
    while (($#)) && [[ $1 != -- ]]; do
        names+=("$1")
        shift
    done
    shift
    if (($# != ${#names[@]})); then
        echo "usage: $0 ${names[*]^^}" >&2
        exit 2
    fi
    local -a given=("$@")
    local i path
    for ((i = 0; i < ${#names[@]}; i++)); do
        path=$(realpath -- "${given[i]}") || exit 1
        [[ -x $path ]] || _lan_die "${given[i]} is not an executable"
        printf -v "${names[i]}" '%s' "$path"
    done
    lan_require "${given[@]}"
}

lan_require() {
    if [[ ${_LAN_INNER:-} == 1 ]]; then
        _lan_inner_setup
        return
    fi

    local tool
    for tool in ip unshare mount hostname timeout mktemp realpath; do
        command -v "$tool" >/dev/null 2>&1 || _lan_skip "'$tool' is not installed"
    done

    # --kill-child and a pid namespace: when the run dies, so does every
    # process it started, and with them the namespaces.
    local -a ns=(--mount --net --uts --pid --fork --kill-child --mount-proc --propagation private)
    local -a flags
    local e e2
    if ((EUID == 0)) && e=$(unshare "${ns[@]}" true 2>&1); then
        flags=("${ns[@]}")
    elif e2=$(unshare --map-root-user "${ns[@]}" true 2>&1); then
        flags=(--map-root-user "${ns[@]}")
    else
        local why="through a user namespace: ${e2:-failed}"
        ((EUID == 0)) && why="as root: ${e:-failed}; $why"
        _lan_skip "cannot create private namespaces ($why)"
    fi

    local script dir
    script=$(realpath -- "$0") || _lan_die "cannot locate the scenario script"
    dir=$(mktemp -d "${TMPDIR:-/tmp}/zvlan.XXXXXX") || _lan_die "mktemp failed"

    # unshare blocks TERM and INT while it waits, so forward them to the
    # run's pid 1, whose traps take the LAN down; and should this shell be
    # killed outright, unshare dies with it and takes the run along.
    local -a guard=()
    setpriv --help 2>/dev/null | grep -q -- --pdeathsig && guard=(setpriv --pdeathsig KILL)
    local child rc
    _LAN_INNER=1 LAN_DIR=$dir "${guard[@]}" unshare "${flags[@]}" bash -- "$script" "$@" <&0 &
    child=$!
    # The run started with INT ignored (an async command), so it gets TERM.
    trap '_lan_forward TERM '"$child" TERM HUP INT
    while :; do
        wait "$child"
        rc=$?
        kill -0 "$child" 2>/dev/null || break
    done
    rm -rf -- "$dir"
    exit "$rc"
}

_lan_forward() {
    local sig=$1 parent=$2 pid
    # shellcheck disable=SC2013  # the file is one line of pids
    for pid in $(cat /proc/"$parent"/task/*/children 2>/dev/null); do
        kill -"$sig" "$pid" 2>/dev/null
    done
}

_lan_inner_setup() {
    [[ -n ${LAN_DIR:-} && -d $LAN_DIR ]] || _lan_die "LAN_DIR is not set"
    trap lan_down EXIT
    # pid 1 ignores signals without a handler.
    trap 'exit 143' TERM
    trap 'exit 129' HUP

    # -n everywhere: no mount table file is written on the machine.
    mount -n -t tmpfs -o mode=0755 zvlan "$LAN_DIR" ||
        _lan_skip "cannot mount tmpfs in a private mount namespace"
    mkdir -p "$LAN_DIR/etc" "$LAN_DIR/home" "$LAN_DIR/logs"

    if [[ ! -d /run/netns ]] && ! mkdir -p /run/netns 2>/dev/null; then
        if ! mount -n -t tmpfs -o mode=0755 zvlanrun /run || ! mkdir /run/netns; then
            _lan_skip "cannot provide /run/netns"
        fi
    fi
    mount -n -t tmpfs -o mode=0755 zvlannetns /run/netns ||
        _lan_skip "cannot mount tmpfs over /run/netns"

    # Names resolve from the per-host hosts file only: no DNS, no nscd,
    # resolved or mDNS, all of which would ask outside the test LAN.
    if [[ -f /etc/nsswitch.conf ]]; then
        { grep -v '^[[:space:]]*hosts:' /etc/nsswitch.conf; echo 'hosts: files'; } \
            >"$LAN_DIR/etc/nsswitch.conf"
        mount -n --bind "$LAN_DIR/etc/nsswitch.conf" /etc/nsswitch.conf ||
            _lan_skip "cannot bind-mount over /etc/nsswitch.conf"
    fi
    printf 'nameserver 127.0.0.1\noptions timeout:1 attempts:1\n' >"$LAN_DIR/etc/resolv.conf"
    [[ -e /etc/resolv.conf ]] &&
        mount -n --bind "$LAN_DIR/etc/resolv.conf" /etc/resolv.conf 2>/dev/null
    local d
    for d in /run/nscd /var/run/nscd; do
        [[ -d $d ]] && mount -n -t tmpfs zvlannscd "$d" 2>/dev/null
    done
    [[ -e /etc/hosts ]] || _lan_skip "/etc/hosts is missing, nothing to bind the per-host file over"

    ip link set lo up
    local e
    e=$(ip link add "$LAN_BRIDGE" type bridge forward_delay 0 2>&1) ||
        _lan_skip "cannot create a bridge: $e"
    ip link set "$LAN_BRIDGE" up
    e=$(ip link add lanprobe0 type veth peer name lanprobe1 2>&1) ||
        _lan_skip "cannot create veth pairs: $e"
    ip link del lanprobe0
    e=$(ip netns add lanprobe 2>&1) || _lan_skip "ip netns add failed: $e"
    ip netns del lanprobe
}

lan_up() {
    local nonames=0 h idx ip e
    while (($#)); do
        case $1 in
        --no-names)
            nonames=1
            shift
            continue
            ;;
        -*) _lan_die "lan_up: unknown option $1" ;;
        esac
        h=$1
        shift
        [[ $h =~ ^[a-z0-9]([a-z0-9-]{0,30}[a-z0-9])?$ ]] ||
            _lan_die "lan_up: '$h' is not a lower-case host name"
        [[ -z ${LAN_IP[$h]:-} ]] || _lan_die "lan_up: $h is up already"
        idx=$((${#LAN_HOSTS[@]} + 1))
        ((idx <= 200)) || _lan_die "lan_up: too many hosts"
        ip=$LAN_PREFIX.$((10 + idx))

        e=$(_lan_plug "$h" "$idx" "$ip" 2>&1) || _lan_die "lan_up $h: $e"
        _lan_add_host "$h" "$ip" "$nonames"
        nonames=0
        _lan_wait_forwarding "lanv$idx" || _lan_die "lan_up $h: bridge port never forwards"
    done
    _lan_write_hosts
}

_lan_add_host() {
    local h=$1 ip=$2 nonames=$3
    mkdir -p "$LAN_DIR/home/$h/.config" "$LAN_DIR/home/$h/.local/share" \
        "$LAN_DIR/home/$h/.cache" "$LAN_DIR/home/$h/run"
    chmod 0700 "$LAN_DIR/home/$h/run"
    LAN_HOSTS+=("$h")
    LAN_IP[$h]=$ip
    LAN_NONAMES[$h]=$nonames
}

lan_up2() {
    local h idx ip e dev nonames=0
    if ! ip link show "$LAN_BRIDGE2" >/dev/null 2>&1; then
        ip link add "$LAN_BRIDGE2" type bridge forward_delay 0 && ip link set "$LAN_BRIDGE2" up ||
            _lan_die "lan_up2: cannot create the second bridge"
    fi
    while (($#)); do
        h=$1
        shift
        if [[ $h == --no-names ]]; then
            nonames=1
            continue
        fi
        [[ $h =~ ^[a-z0-9]([a-z0-9-]{0,30}[a-z0-9])?$ ]] ||
            _lan_die "lan_up2: '$h' is not a lower-case host name"
        [[ -z ${LAN_IP2[$h]:-} ]] || _lan_die "lan_up2: $h is on the second network already"
        idx=$((${#LAN_HOSTS[@]} + ${#LAN_IP2[@]} + 1))
        ((idx <= 200)) || _lan_die "lan_up2: too many hosts"
        ip=$LAN_PREFIX2.$((10 + idx))
        if [[ -n ${LAN_IP[$h]:-} ]]; then
            dev=eth1
        else
            dev=eth0
            ip netns add "lan-$h" || _lan_die "lan_up2 $h: ip netns add failed"
            ip -n "lan-$h" link set lo up
        fi
        e=$(ip link add "lanw$idx" type veth peer name "$dev" netns "lan-$h" 2>&1 &&
            ip link set "lanw$idx" master "$LAN_BRIDGE2" &&
            ip link set "lanw$idx" up &&
            ip -n "lan-$h" addr add "$ip/24" broadcast + dev "$dev" &&
            ip -n "lan-$h" link set "$dev" up 2>&1) || _lan_die "lan_up2 $h: $e"
        if [[ $dev == eth0 ]]; then
            ip -n "lan-$h" route add default dev eth0 || _lan_die "lan_up2 $h: no default route"
            _lan_add_host "$h" "$ip" "$nonames"
        fi
        nonames=0
        LAN_IP2[$h]=$ip
        _lan_wait_forwarding "lanw$idx" || _lan_die "lan_up2 $h: bridge port never forwards"
    done
    _lan_write_hosts
}

lan_ip2() {
    [[ -n ${LAN_IP2[$1]:-} ]] || _lan_die "lan_ip2: $1 is not on the second network"
    echo "${LAN_IP2[$1]}"
}

lan_need() {
    local tool
    for tool; do
        command -v "$tool" >/dev/null 2>&1 || _lan_skip "'$tool' is not installed"
    done
}

# All namespaces share the kernel's one neighbour table, whose bound (1,024
# entries by default) a crowd of hosts talking to each other overflows;
# unicasts then fail silently. On a real LAN each computer has a table of its
# own; permanent entries count against no bound.
lan_neighbours() {
    local h o
    local -A mac=()
    for h in "${LAN_HOSTS[@]}"; do
        mac[$h]=$(ip -n "lan-$h" -o link show eth0 | sed -n 's|.*link/ether \([0-9a-f:]*\).*|\1|p')
        [[ -n ${mac[$h]} ]] || _lan_die "lan_neighbours: no hardware address for $h"
    done
    for h in "${LAN_HOSTS[@]}"; do
        for o in "${LAN_HOSTS[@]}"; do
            [[ $o == "$h" ]] || echo "neigh replace ${LAN_IP[$o]} lladdr ${mac[$o]} dev eth0 nud permanent"
        done | ip -n "lan-$h" -batch - || _lan_die "lan_neighbours: $h"
    done
}

# Dropped after the bridge made one copy per port: a broadcast is lost for
# some hosts and not others, as on lossy wires.
lan_loss() {
    local e
    lan_need nft
    e=$(nft -f - 2>&1 <<EOF
table bridge zvloss {
    chain forward {
        type filter hook forward priority 0; policy accept;
        udp dport 6711 counter
        udp dport 6711 numgen random mod 100 < $1 counter drop
    }
}
EOF
) || _lan_skip "nft cannot filter the bridge: $e"
}

lan_loss_counted() {
    nft list table bridge zvloss 2>/dev/null | sed -n 's/.*counter packets \([0-9]*\).*/\1/p' | paste -sd' '
}

lan_link() {
    local h=$1 state=$2
    [[ -n ${LAN_IP[$h]:-} ]] || _lan_die "lan_link: no host $h"
    case $state in
    down) ip -n "lan-$h" link set eth0 down ;;
    # Going down took the default route along.
    up) ip -n "lan-$h" link set eth0 up && ip -n "lan-$h" route replace default dev eth0 ;;
    *) _lan_die "lan_link: up or down, not $state" ;;
    esac
}

lan_readdr() {
    local h=$1 new=$2
    [[ -n ${LAN_IP[$h]:-} ]] || _lan_die "lan_readdr: no host $h"
    # The old one goes first: removing a primary address removes the secondary ones with it.
    ip -n "lan-$h" addr del "${LAN_IP[$h]}/24" dev eth0 &&
        ip -n "lan-$h" addr add "$new/24" broadcast + dev eth0 &&
        ip -n "lan-$h" route replace default dev eth0 || _lan_die "lan_readdr $h: failed"
    LAN_IP[$h]=$new
    _lan_write_hosts
}

_lan_plug() {
    local h=$1 idx=$2 ip=$3
    ip netns add "lan-$h" &&
        ip link add "lanv$idx" type veth peer name eth0 netns "lan-$h" &&
        ip link set "lanv$idx" master "$LAN_BRIDGE" &&
        ip link set "lanv$idx" up &&
        ip -n "lan-$h" link set lo up &&
        ip -n "lan-$h" addr add "$ip/24" broadcast + dev eth0 &&
        ip -n "lan-$h" link set eth0 up &&
        # Without a default route 255.255.255.255 has nowhere to go.
        ip -n "lan-$h" route add default dev eth0
}

_lan_wait_forwarding() {
    local i
    for ((i = 0; i < 100; i++)); do
        ip -d link show dev "$1" 2>/dev/null | grep -q 'state forwarding' && return 0
        sleep 0.05
    done
    return 1
}

# Rewritten in place, so commands already running see hosts added later.
_lan_write_hosts() {
    local h o
    for h in "${LAN_HOSTS[@]}"; do
        {
            echo "127.0.0.1 localhost"
            echo "::1 localhost ip6-localhost ip6-loopback"
            for o in "${LAN_HOSTS[@]}"; do
                [[ ${LAN_NONAMES[$h]} == 1 && $o != "$h" ]] && continue
                echo "${LAN_IP[$o]} $o"
            done
        } >"$LAN_DIR/etc/hosts.$h"
    done
}

lan_ip() {
    [[ -n ${LAN_IP[$1]:-} ]] || _lan_die "lan_ip: no host $1"
    echo "${LAN_IP[$1]}"
}

# The host's own name lives in a new uts namespace per command; the hosts
# file is bound in the mount namespace that ip netns exec makes per command.
# shellcheck disable=SC2016  # expanded by the inner shell
_LAN_ENTER='name=$1 hosts=$2
shift 2
hostname "$name" || exit 125
mount -n --bind "$hosts" /etc/hosts || exit 125
exec "$@"'

_lan_cmd() {
    local h=$1 limit=$2
    shift 2
    [[ -n ${LAN_IP[$h]:-} ]] || _lan_die "no host $h"
    (($#)) || _lan_die "no command for $h"
    local home=$LAN_DIR/home/$h
    _LAN_CMD=(timeout -k 2 "$limit"
        env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_SESSION_TYPE
        QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
        HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share"
        XDG_CACHE_HOME="$home/.cache" XDG_RUNTIME_DIR="$home/run"
        DBUS_SESSION_BUS_ADDRESS="unix:path=$LAN_DIR/no-bus"
        DBUS_SYSTEM_BUS_ADDRESS="unix:path=$LAN_DIR/no-bus"
        ip netns exec "lan-$h" unshare --uts bash -c "$_LAN_ENTER" lan-enter
        "$h" "$LAN_DIR/etc/hosts.$h" "$@")
}

# Started in the background and waited for, because a trap cannot run while
# the shell waits for a foreground command: TERM would wait out the timeout.
lan_exec() {
    local h=$1 pid rc
    shift
    _lan_cmd "$h" "$LAN_EXEC_TIMEOUT" "$@"
    "${_LAN_CMD[@]}" <&0 &
    pid=$!
    LAN_PIDS+=("$pid")
    wait "$pid"
    rc=$?
    _lan_forget "$pid"
    return "$rc"
}

_lan_forget() {
    local i
    for i in "${!LAN_PIDS[@]}"; do
        [[ ${LAN_PIDS[$i]} == "$1" ]] && unset "LAN_PIDS[$i]"
    done
}

lan_bg() {
    local h=$1 log=$2
    shift 2
    _lan_cmd "$h" "$LAN_BG_TIMEOUT" "$@"
    "${_LAN_CMD[@]}" </dev/null >"$log" 2>&1 &
    LAN_LAST_PID=$!
    LAN_PIDS+=("$LAN_LAST_PID")
}

# With PID, gives up early once that background command has ended.
lan_wait_line() {
    local file=$1 re=$2 secs=$3 pid=${4:-} i
    for ((i = 0; i < secs * 20; i++)); do
        LC_ALL=C grep -qE -- "$re" "$file" 2>/dev/null && return 0
        [[ -n $pid ]] && ! kill -0 "$pid" 2>/dev/null && break
        sleep 0.05
    done
    LC_ALL=C grep -qE -- "$re" "$file" 2>/dev/null
}

# Returns the command's exit code, or 124 after killing it when it outlives SECS.
lan_wait_exit() {
    local pid=$1 secs=$2 i
    for ((i = 0; i < secs * 20; i++)); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    if kill -0 "$pid" 2>/dev/null; then
        kill -TERM "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
        _lan_forget "$pid"
        return 124
    fi
    wait "$pid" 2>/dev/null
    local rc=$?
    _lan_forget "$pid"
    return "$rc"
}

lan_down() {
    local pid i h alive
    for pid in "${LAN_PIDS[@]}"; do
        kill -TERM "$pid" 2>/dev/null
    done
    for ((i = 0; i < 60; i++)); do
        alive=0
        for pid in "${LAN_PIDS[@]}"; do
            kill -0 "$pid" 2>/dev/null && alive=1
        done
        ((alive)) || break
        sleep 0.05
    done
    for pid in "${LAN_PIDS[@]}"; do
        kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    LAN_PIDS=()
    for h in "${LAN_HOSTS[@]}"; do
        ip netns del "lan-$h" 2>/dev/null
    done
    LAN_HOSTS=()
    ip link del "$LAN_BRIDGE" 2>/dev/null
    ip link del "$LAN_BRIDGE2" 2>/dev/null
    return 0
}

lan_pass() {
    echo "PASS: $*"
    _LAN_PASSED=$((_LAN_PASSED + 1))
}

lan_fail() {
    echo "FAIL: $*"
    _LAN_FAILED=$((_LAN_FAILED + 1))
}

# Prints FILE... under a header, for the reader of a failed run.
lan_show() {
    local f
    for f; do
        echo "---- ${f#"$LAN_DIR"/}"
        cat -- "$f" 2>/dev/null
    done
    echo "----"
}

lan_finish() {
    echo "$_LAN_PASSED passed, $_LAN_FAILED failed"
    ((_LAN_FAILED == 0))
}
