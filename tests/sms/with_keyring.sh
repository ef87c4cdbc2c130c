#!/bin/sh
# Runs a test on the private session bus of dbus-run-session with a fresh,
# unlocked keyring in a throw-away home, so no real keyring is touched.
# Without gnome-keyring-daemon the test runs anyway and skips what needs it.
set -e
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME="$home" XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home/run"
mkdir -p "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
if command -v gnome-keyring-daemon >/dev/null 2>&1; then
    # A password on stdin creates and unlocks the login keyring.
    printf zavolin-test | gnome-keyring-daemon --unlock --components=secrets >/dev/null
    export ZV_TEST_KEYRING=gnome-keyring
fi
"$@"
