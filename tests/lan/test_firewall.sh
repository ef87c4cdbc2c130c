#!/usr/bin/env bash
# A firewall on pc-b drops incoming UDP 6711: the program there never hears
# its own start-up broadcast and says so, with the commands that open the
# ports; what it sends still goes out, so pc-a lists it. The program on
# pc-a, which started first and hears itself, says nothing of the kind.
# Usage: test_firewall.sh ZAVOLIN ZVPROBE
set -u

here=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")" && pwd)
LAN_BG_TIMEOUT=${LAN_BG_TIMEOUT:-60}
# shellcheck source=lan.sh
source "$here/lan.sh"

lan_programs zavolin zvprobe -- "$@"
lan_need nft

lan_up pc-a pc-b pc-c
logs=$LAN_DIR/logs
e=$(ip netns exec lan-pc-b nft -f - 2>&1 <<'NFT'
table inet zvfirewall {
    chain input {
        type filter hook input priority 0; policy accept;
        udp dport 6711 drop
    }
}
NFT
) || _lan_skip "nft cannot filter in a host: $e"

lan_bg pc-c "$logs/c-udp.log" "$zvprobe" listen-udp 50
lan_wait_line "$logs/c-udp.log" '^READY' 10 "$LAN_LAST_PID" || lan_fail "listener on pc-c never became ready"
declare -A pid=()
for h in pc-a pc-b; do
    lan_bg "$h" "$logs/$h.log" env QT_LOGGING_RULES="zavolin.presence.debug=true" "$zavolin" --home "$LAN_DIR/$h-home"
    pid[$h]=$LAN_LAST_PID
    lan_wait_line "$logs/c-udp.log" "^UDP $(lan_ip "$h") %${h^^}\$" 15 || lan_fail "$h never announced itself"
done

finding='sudo firewall-cmd --permanent --add-service=zavolin'
if lan_wait_line "$logs/pc-b.log" "$finding" 20 "${pid[pc-b]}"; then
    lan_pass "pc-b, whose firewall drops UDP 6711, says so with the commands that open the ports"
else
    lan_fail "pc-b did not report its firewall"
    lan_show "$logs/pc-b.log"
fi
if lan_wait_line "$logs/pc-a.log" 'contact added: PC-B ' 10 "${pid[pc-a]}"; then
    lan_pass "pc-a lists pc-b, whose datagrams still go out"
else
    lan_fail "pc-a does not list pc-b"
fi
if grep -qF -- "$finding" "$logs/pc-a.log"; then
    lan_fail "pc-a reports a firewall it does not have"
    lan_show "$logs/pc-a.log"
else
    lan_pass "pc-a, which hears itself, reports no firewall"
fi

lan_finish
