#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
#
# Unit tests open sockets on loopback only, and run in a private network
# namespace all the same, so that nothing can reach the real network. The LAN
# tests build their own namespaces (bridge and hosts) and tear them down.
source "$(dirname "$0")/common.sh"
install_missing_packages
build
cd "$BUILD"
if unshare -rn true 2>/dev/null; then
    exec unshare -rn sh -c 'ip link set lo up && exec ctest --output-on-failure "$@"' ctest "$@"
fi
# Without user namespaces: unit tests still only use loopback, and the LAN
# tests build their own namespaces or report themselves skipped.
echo "No private network namespace available (unshare -rn failed); running on loopback."
exec ctest --output-on-failure "$@"
