#!/usr/bin/env bash
# Two subnets joined by a router that forwards what is sent to an address and
# never a broadcast. Program instances on both sides list each other only
# through their IP lists, in both directions: pc-a1's list names pc-b1's
# address alone, pc-b1's list a network (CIDR) that holds pc-a2 but not pc-a1.
# A broadcast from either side never reaches the other: a later datagram to
# an address across the router arrives without it. An announcement across the
# router that is lost goes again.
# Usage: test_subnets.sh ZAVOLIN ZVPROBE
set -u

here=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")" && pwd)
LAN_EXEC_TIMEOUT=${LAN_EXEC_TIMEOUT:-20}
LAN_BG_TIMEOUT=${LAN_BG_TIMEOUT:-90}
# shellcheck source=lan.sh
source "$here/lan.sh"

lan_programs zavolin zvprobe -- "$@"
lan_need nft

# Subnet A: pc-a1, the router's first leg and pc-a2 (the last three of a /30
# network, whose usable addresses are pc-a2's and the next); subnet B: pc-b1,
# pc-b2 and the router's second leg. A listener on the router hears both.
lan_up pc-a1 router pc-a2
lan_up2 router pc-b1 pc-b2
a_net=$(lan_ip router | cut -d. -f1-3).0/24
b_net=$(lan_ip2 router | cut -d. -f1-3).0/24
ip netns exec lan-router sh -c 'echo 1 >/proc/sys/net/ipv4/ip_forward' || lan_fail "the router does not forward"
for h in pc-a1 pc-a2; do ip -n "lan-$h" route add "$b_net" via "$(lan_ip router)" || lan_fail "no route from $h"; done
for h in pc-b1 pc-b2; do ip -n "lan-$h" route add "$a_net" via "$(lan_ip2 router)" || lan_fail "no route from $h"; done
logs=$LAN_DIR/logs
lan_bg router "$logs/router-udp.log" "$zvprobe" listen-udp 80
lan_wait_line "$logs/router-udp.log" '^READY' 10 "$LAN_LAST_PID" || lan_fail "listener on the router never became ready"

a2=$(lan_ip pc-a2)
mkdir -p "$LAN_DIR/a1-home" "$LAN_DIR/a2-home" "$LAN_DIR/b1-home"
printf '%s\r\n' "$(lan_ip2 pc-b1)" >"$LAN_DIR/a1-home/ip.lst"
printf '%s\r\n' "$a2/30" >"$LAN_DIR/b1-home/ip.lst"

start() { # HOST HOME
    lan_bg "$1" "$logs/$1.log" env QT_LOGGING_RULES="zavolin.presence.debug=true" "$zavolin" --home "$LAN_DIR/$2"
    pid[$1]=$LAN_LAST_PID
}
declare -A pid=()
added() { # HOST NAME: the program on HOST listed NAME
    lan_wait_line "$logs/$1.log" "contact added: $2 " 20 "${pid[$1]}"
}

# Each announcement goes once: pc-a2 listens before pc-b1 announces itself
# to its network, pc-b1 before pc-a1 announces itself to pc-b1.
start pc-a2 a2-home
lan_wait_line "$logs/router-udp.log" "^UDP $a2 %PC-A2\$" 15 || lan_fail "pc-a2 never announced itself"
start pc-b1 b1-home
lan_wait_line "$logs/router-udp.log" "^UDP $(lan_ip2 pc-b1) %PC-B1\$" 15 || lan_fail "pc-b1 never announced itself"
start pc-a1 a1-home

if added pc-a2 PC-B1 && added pc-b1 PC-A2; then
    lan_pass "the network line ($a2/30) on pc-b1: pc-a2 and pc-b1 list each other"
else
    lan_fail "pc-a2 and pc-b1 do not list each other"
    lan_show "$logs/pc-a2.log" "$logs/pc-b1.log"
fi
if added pc-a1 PC-B1 && added pc-b1 PC-A1; then
    lan_pass "the address line on pc-a1: pc-a1 and pc-b1 list each other"
else
    lan_fail "pc-a1 and pc-b1 do not list each other"
    lan_show "$logs/pc-a1.log" "$logs/pc-b1.log"
fi
if added pc-a1 PC-A2 && added pc-a2 PC-A1; then
    lan_pass "pc-a1 and pc-a2 list each other by broadcast"
else
    lan_fail "pc-a1 and pc-a2 do not list each other"
fi

# An announcement lost on the way across the router goes again with the
# start-up repeats: the router drops what pc-b2 sends to UDP 6711 until it
# has dropped something, then forwards again.
mkdir -p "$LAN_DIR/b2-home"
printf '%s\r\n' "$(lan_ip pc-a1)" >"$LAN_DIR/b2-home/ip.lst"
e=$(ip netns exec lan-router nft -f - 2>&1 <<NFT
table inet zvlose {
    chain forward {
        type filter hook forward priority 0; policy accept;
        ip saddr $(lan_ip2 pc-b2) udp dport 6711 counter drop
    }
}
NFT
) || lan_fail "nft cannot filter on the router: $e"
start pc-b2 b2-home
for _ in $(seq 100); do
    ip netns exec lan-router nft list table inet zvlose | grep -q 'counter packets [1-9]' && break
    sleep 0.1
done
ip netns exec lan-router nft list table inet zvlose | grep -q 'counter packets [1-9]' ||
    lan_fail "pc-b2's announcement to pc-a1 never reached the router"
ip netns exec lan-router nft delete table inet zvlose
if added pc-a1 PC-B2 && added pc-b2 PC-A1; then
    lan_pass "a lost announcement across the router goes again: pc-a1 and pc-b2 list each other"
else
    lan_fail "pc-a1 and pc-b2 do not list each other after a lost announcement"
    lan_show "$logs/pc-a1.log" "$logs/pc-b2.log"
fi

# A broadcast, then a datagram to an address across the router: the second
# arrives and the first never does, while the broadcast's own side hears it.
across() { # FROM TO_HOST TO_ADDRESS NEAR_HOST
    local mark=${1^^}
    lan_exec "$1" "$zvprobe" send-udp "%${mark}-ALL" >/dev/null 2>&1
    lan_exec "$1" "$zvprobe" send-udp "%${mark}-ONE" "$3" >/dev/null 2>&1
    if added "$2" "${mark}-ONE" && ! grep -q "contact added: ${mark}-ALL " "$logs/$2.log" && added "$4" "${mark}-ALL"; then
        lan_pass "a broadcast from $1 reaches $4 and not $2"
    else
        lan_fail "a broadcast from $1 and the router"
        lan_show "$logs/$2.log" "$logs/$4.log"
    fi
}
across pc-b2 pc-a1 "$(lan_ip pc-a1)" pc-b1
across pc-a2 pc-b1 "$(lan_ip2 pc-b1)" pc-a1

lan_finish
