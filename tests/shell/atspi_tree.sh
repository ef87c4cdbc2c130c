#!/bin/bash
# The program as a screen reader meets it: a real X server (Xvfb), a session
# bus with the accessibility bus behind it, and the tree read and operated
# through AT-SPI (python3-pyatspi), in a private network namespace.
# Usage: atspi_tree.sh PROGRAM
set -euo pipefail
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$HERE/../packaging/private_network.sh"

missing() {
    # Under CI a missing dependency is a failure, elsewhere a skip.
    if [[ ${CI:-} == true ]]; then
        echo "FAIL: $1 is missing (scripts/common.sh installs it)" >&2
        exit 1
    fi
    echo "SKIP: $1 is missing (scripts/common.sh installs it)"
    exit 77
}
PYTHON=/usr/bin/python3 # the system one, which has the Debian modules
for tool in Xvfb dbus-run-session "$PYTHON"; do
    command -v "$tool" >/dev/null || missing "$tool"
done
[[ -x /usr/libexec/at-spi-bus-launcher ]] || missing at-spi2-core
"$PYTHON" -c "import pyatspi" 2>/dev/null || missing python3-pyatspi

require_private_network "$0" "$@"

home=$(mktemp -d)
# The accessibility bus keeps its socket in the runtime folder (else in
# ~/.cache): each run gets folders of its own, so two runs at once never meet.
runtime=$(mktemp -d)
trap 'rm -rf "$home" "$runtime"' EXIT
export XDG_RUNTIME_DIR=$runtime/run XDG_CACHE_HOME=$runtime/cache
mkdir -m 0700 "$XDG_RUNTIME_DIR" "$XDG_CACHE_HOME"
# No session bus of the desktop: the run gets its own, and the accessibility
# bus it starts on demand.
unset DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS
dbus-run-session -- "$PYTHON" "$HERE/atspi_tree.py" "$1" "$home"
