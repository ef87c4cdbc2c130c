#!/usr/bin/env bash
# Installs into a temporary prefix as `cmake --install` does for users, checks
# the layout with the desktop's own validators, and runs the installed
# program headless: it names its share folder, and its autostart entry starts
# the installed executable.
# Usage: test_install.sh BUILD_DIR SOURCE_DIR VERSION
set -u
# The checked tools (man, lintian, appstreamcli and the rest) refuse or warn
# under a LANG that names a locale this machine has not generated; C.UTF-8 is
# there on every Debian system.
export LC_ALL=C.UTF-8

here=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=skip.sh
source "$here/skip.sh"
# shellcheck source=private_network.sh
source "$here/private_network.sh"
require_private_network "${BASH_SOURCE[0]}" "$@"

if (($# != 3)); then
    echo "usage: $0 BUILD_DIR SOURCE_DIR VERSION" >&2
    exit 2
fi
build=$(realpath -- "$1") && source_dir=$(realpath -- "$2") || exit 1
version=$3
for tool in desktop-file-validate appstreamcli file; do
    command -v "$tool" >/dev/null || skip_test "$tool is missing (scripts/common.sh installs it)"
done

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

tmp=$(mktemp -d) || exit 1
pid=
cleanup() {
    [[ -n $pid ]] && kill -KILL "$pid" 2>/dev/null
    rm -rf -- "$tmp"
}
trap cleanup EXIT
prefix=$(realpath -- "$tmp")/prefix

if ! timeout 60 cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1; then
    cat "$tmp/install.log" >&2
    echo "FAIL: cmake --install failed" >&2
    exit 1
fi

# 1. The layout.
for f in bin/zavolin share/applications/zavolin.desktop share/man/man1/zavolin.1.gz \
         share/metainfo/org.example.zavolin.metainfo.xml share/icons/hicolor/scalable/apps/zavolin.svg \
         share/doc/zavolin/copyright share/doc/zavolin/changelog.gz \
         lib/firewalld/services/zavolin.xml share/doc/zavolin/zavolin.ufw; do
    [[ -f $prefix/$f ]] || fail "$f is not installed"
done
[[ -x $prefix/bin/zavolin ]] || fail "bin/zavolin is not executable"
for size in 16 22 24 32 48 64 128 256; do
    icon=$prefix/share/icons/hicolor/${size}x$size/apps/zavolin.png
    if ! file -b -- "$icon" | grep -q "PNG image data, $size x $size,"; then
        fail "hicolor $size px: $(file -b -- "$icon" 2>&1)"
    fi
done
# The installed icons are the program's own, not an older drawing.
for size in 16 22 24 32 48 64 128; do
    cmp -s "$source_dir/src/ui/icons/zavolin-$size.png" "$prefix/share/icons/hicolor/${size}x$size/apps/zavolin.png" \
        || fail "hicolor $size px differs from src/ui/icons/zavolin-$size.png (python3 tools/art/make_icons.py --hicolor packaging/icons/hicolor)"
done
cmp -s "$source_dir/src/ui/icons/zavolin.svg" "$prefix/share/icons/hicolor/scalable/apps/zavolin.svg" \
    || fail "the scalable icon differs from src/ui/icons/zavolin.svg"
if [[ -d $source_dir/data ]]; then
    diff -r -- "$source_dir/data" "$prefix/share/zavolin" >"$tmp/data.diff" \
        || fail "share/zavolin differs from the source tree's data: $(head -5 "$tmp/data.diff")"
fi
((failures == 0)) && pass "install layout"

# 2. The desktop's validators, and one version everywhere.
desktop-file-validate "$prefix/share/applications/zavolin.desktop" >"$tmp/dfv.log" 2>&1 \
    && [[ ! -s $tmp/dfv.log ]] && pass "desktop-file-validate" \
    || fail "desktop-file-validate: $(cat "$tmp/dfv.log")"
if appstreamcli validate --no-net --explain "$prefix/share/metainfo/org.example.zavolin.metainfo.xml" >"$tmp/as.log" 2>&1 \
    && appstreamcli validate-tree --no-net "$prefix" >>"$tmp/as.log" 2>&1; then
    pass "appstreamcli validate"
else
    fail "appstreamcli: $(cat "$tmp/as.log")"
fi
grep -q "<release version=\"$version\" date=\"[0-9-]*\"" "$prefix/share/metainfo/org.example.zavolin.metainfo.xml" \
    || fail "the AppStream release is not $version"
zcat "$prefix/share/man/man1/zavolin.1.gz" | head -1 | grep -qF "\"Zavolin $version\"" \
    || fail "the manual page is not for $version: $(zcat "$prefix/share/man/man1/zavolin.1.gz" | head -1)"
if command -v man >/dev/null; then
    warnings=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$prefix/share/man/man1/zavolin.1.gz" 2>&1 >/dev/null)
    [[ -z $warnings ]] && pass "manual page formats without warnings" || fail "manual page: $warnings"
fi

# 3. The installed program: its version, and where it finds its files.
installed=$prefix/bin/zavolin
home=$tmp/home
mkdir -p "$home" "$prefix/share/zavolin"
expected="Zavolin $version (protocol 2.17)"
out=$(QT_QPA_PLATFORM=offscreen timeout 20 "$installed" --version 2>&1)
[[ $out == "$expected" ]] && pass "--version: $out" || fail "--version printed '$out', expected '$expected'"

help=$(QT_QPA_PLATFORM=offscreen timeout 20 "$installed" --home "$home" --help 2>&1)
grep -qxF "Shared data:   $prefix/share/zavolin" <<<"$help" \
    && grep -qxF "Settings file: $home/Zavolin.ini" <<<"$help" \
    && pass "installed program names its share folder" \
    || fail "installed --help does not name $prefix/share/zavolin and $home: $help"
# From the build folder the same lookup leads to the source tree.
want="(none found)"
[[ -d $source_dir/data ]] && want=$source_dir/data
help=$(QT_QPA_PLATFORM=offscreen timeout 20 "$build/zavolin" --home "$home" --help 2>&1)
grep -qxF "Shared data:   $want" <<<"$help" \
    && pass "program in the build folder reads the source tree's data" \
    || fail "build folder --help does not name $want: $help"

# 4. Started installed, with autostart on: the entry runs this executable.
printf '[Form]\r\nCh13=1\r\n' >"$home/Zavolin.ini"
entry=$tmp/config/autostart/zavolin.desktop
XDG_CONFIG_HOME=$tmp/config XDG_DATA_HOME=$tmp/data QT_QPA_PLATFORM=offscreen \
    timeout 60 "$installed" --home "$home" >"$tmp/run.log" 2>&1 &
pid=$!
for ((i = 0; i < 200; i++)); do
    [[ -f $entry ]] || ! kill -0 "$pid" 2>/dev/null && break
    sleep 0.1
done
exec_line=$(grep '^Exec=' "$entry" 2>/dev/null)
[[ $exec_line == "Exec=\"$installed\"" ]] && pass "autostart entry: $exec_line" \
    || fail "autostart entry's Exec is '$exec_line', expected Exec=\"$installed\" ($(cat "$tmp/run.log"))"
kill -TERM "$pid" 2>/dev/null
wait "$pid"
status=$?
pid=
[[ $status == 0 ]] && grep -q '^Top=' "$home/Zavolin.ini" && pass "SIGTERM ends it with the settings saved" \
    || fail "after SIGTERM: exit status $status, settings: $(tr -d '\r' <"$home/Zavolin.ini" | head -5) ($(cat "$tmp/run.log"))"

((failures == 0)) || { echo "$failures check(s) failed" >&2; exit 1; }
echo "all install checks passed"
