#!/usr/bin/env bash
# Builds the Debian package as the README says (cpack -G DEB), then checks it
# the way Debian does: its control data, its maintainer script, lintian, and
# the program unpacked from it.
# Usage: test_deb.sh BUILD_DIR VERSION
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

if (($# != 2)); then
    echo "usage: $0 BUILD_DIR VERSION" >&2
    exit 2
fi
build=$(realpath -- "$1") || exit 1
version=$2
for tool in cpack dpkg-deb dpkg-shlibdeps lintian file setcap getcap; do
    command -v "$tool" >/dev/null || skip_test "$tool is missing (scripts/common.sh installs it)"
done

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

tmp=$(mktemp -d) || exit 1
trap 'rm -rf -- "$tmp"' EXIT
tmp=$(realpath -- "$tmp")

# 1. The package, built into a folder of its own.
if ! (cd "$build" && timeout 180 cpack -G DEB -B "$tmp/out") >"$tmp/cpack.log" 2>&1; then
    cat "$tmp/cpack.log" >&2
    echo "FAIL: cpack -G DEB failed" >&2
    exit 1
fi
deb=$tmp/out/zavolin_${version}_$(dpkg --print-architecture).deb
if [[ ! -f $deb ]]; then
    echo "FAIL: no $deb; cpack made: $(ls "$tmp/out")" >&2
    exit 1
fi
pass "built ${deb##*/}"

# 2. Control data: version, maintainer, the libraries dpkg-shlibdeps found and
#    what the maintainer script needs.
field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == zavolin && $(field Version) == "$version" ]] \
    || fail "package $(field Package) $(field Version), expected zavolin $version"
[[ $(field Maintainer) == *"<"*@*">" ]] || fail "maintainer '$(field Maintainer)'"
for f in Section Homepage Description; do
    [[ -n $(field "$f") ]] || fail "no $f"
done
depends=$(field Depends)
names=$(tr ',' '\n' <<<"$depends" | sed -E 's/^ +//; s/ .*//')
for dep in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6network6 libqt6widgets6 libcap2-bin qt6-qpa-plugins; do
    grep -qxF -- "$dep" <<<"$names" || fail "Depends lacks $dep: $depends"
done
((failures == 0)) && pass "Depends: $depends"

dpkg-deb -e "$deb" "$tmp/control"
postinst=$tmp/control/postinst
if [[ ! -x $postinst ]]; then
    fail "no executable postinst: $(ls "$tmp/control")"
else
    grep -qF 'setcap cap_net_bind_service=+ep "/usr/bin/zavolin"' "$postinst" \
        || fail "postinst does not grant cap_net_bind_service to /usr/bin/zavolin"
    sh -n "$postinst" || fail "postinst is not valid sh"
    pass "postinst grants the port 711 capability"
fi
[[ -f $tmp/control/md5sums ]] || fail "no md5sums"
# Nothing the package leaves behind on removal: no configuration files, and
# every file under /usr, where dpkg removes it.
[[ ! -e $tmp/control/conffiles ]] || fail "conffiles: $(cat "$tmp/control/conffiles")"
outside=$(dpkg-deb -c "$deb" | awk '{print $6}' | grep -vE '^\./(usr/.*)?$')
[[ -z $outside ]] || fail "files outside /usr: $outside"
for f in usr/bin/zavolin usr/share/applications/zavolin.desktop usr/share/metainfo/org.example.zavolin.metainfo.xml \
         usr/share/icons/hicolor/256x256/apps/zavolin.png usr/share/man/man1/zavolin.1.gz \
         usr/share/doc/zavolin/copyright usr/share/doc/zavolin/changelog.gz; do
    dpkg-deb -c "$deb" | awk '{print $6}' | grep -qxF "./$f" || fail "the package lacks /$f"
done

# 3. The program from the package runs.
root=$tmp/root
dpkg-deb -x "$deb" "$root"
exe=$root/usr/bin/zavolin
file -b "$exe" | grep -q ', stripped' || fail "usr/bin/zavolin is not stripped: $(file -b "$exe")"
# The maintainer script, run on the unpacked program, grants the capability
# where this system lets the test set one at all (user namespaces can).
cp /bin/true "$tmp/probe"
if [[ -x $postinst ]] && setcap cap_net_bind_service=+ep "$tmp/probe" 2>/dev/null; then
    sed "s|/usr/bin/zavolin|$exe|g" "$postinst" >"$tmp/postinst"
    if ! sh "$tmp/postinst" configure >"$tmp/postinst.log" 2>&1; then
        fail "postinst configure failed: $(cat "$tmp/postinst.log")"
    elif getcap "$exe" | grep -q 'cap_net_bind_service[=+]ep'; then
        pass "postinst configure: $(getcap "$exe")"
    else
        fail "postinst configure left no capability: $(cat "$tmp/postinst.log")"
    fi
else
    echo "note: setcap cannot be tried here; the postinst was only read"
fi
expected="Zavolin $version (protocol 2.17)"
out=$(QT_QPA_PLATFORM=offscreen timeout 20 "$exe" --version 2>&1)
[[ $out == "$expected" ]] && pass "unpacked --version: $out" || fail "unpacked --version printed '$out', expected '$expected'"
help=$(QT_QPA_PLATFORM=offscreen timeout 20 "$exe" --home "$tmp/home" --help 2>&1)
share="(none found)"
[[ -d $root/usr/share/zavolin ]] && share=$root/usr/share/zavolin
if grep -qe '--send <host>' <<<"$help" && grep -qxF "Shared data:   $share" <<<"$help"; then
    pass "unpacked --help"
else
    fail "unpacked --help lacks --send or 'Shared data:   $share': $help"
fi

# 4. lintian: no errors. Its warnings are printed for the record.
timeout 180 lintian --tag-display-limit 0 "$deb" >"$tmp/lintian.log" 2>&1
cat "$tmp/lintian.log"
if grep -q '^E:' "$tmp/lintian.log"; then
    fail "lintian reports errors"
elif grep -qE '^(error|fatal)|internal error|timed out' "$tmp/lintian.log"; then
    fail "lintian did not finish"
else
    pass "lintian: no errors ($(grep -c '^W:' "$tmp/lintian.log") warning(s))"
fi

((failures == 0)) || { echo "$failures check(s) failed" >&2; exit 1; }
echo "all package checks passed"
