# Shared by run.sh and test.sh: install what is missing, then build.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD="$ROOT/build"

# Debian packages the build, the tests, the desktop integration and the
# Debian package (cpack, dpkg-shlibdeps and the checks of the package) need.
PACKAGES=(build-essential cmake pkg-config qt6-base-dev qt6-translations-l10n qt6-tools-dev qt6-l10n-tools libgl-dev libxcb1-dev
          iproute2 util-linux procps libcap2-bin xvfb xauth xdotool clang libclang-rt-dev
          nftables # the LAN tests drop datagrams on the bridge and a host drops its port
          # the secure LAN test captures on the bridge
          libssl-dev # the secure channel: keys, certificates and fingerprints through OpenSSL 3
          unrtf python3 python3-aiosmtpd openssl # unrtf reads saved RTF back; aiosmtpd and openssl serve the mail tests
          qtkeychain-qt6-dev gnome-keyring dbus # the SMTP password in the keyring, and the keyring for its test
          at-spi2-core python3-pyatspi # the accessibility bus and a screen reader's view of it, for the tree test
          dpkg-dev file desktop-file-utils appstream lintian man-db
          libarchive-dev) # folders go out as ZIP archives

install_missing_packages() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        # Never wait for a password nobody will type: say what is missing and stop.
        if ! command -v sudo >/dev/null 2>&1 || ! sudo -n true 2>/dev/null; then
            echo "These Debian packages are missing and cannot be installed without root:" >&2
            echo "  ${missing[*]}" >&2
            echo "Install them as root, then run this again:" >&2
            echo "  apt-get install ${missing[*]}" >&2
            exit 1
        fi
        sudo=(sudo -n)
    fi
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build() {
    local launcher=()
    # Rebuilds in several trees share compiled objects when ccache is there.
    command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
    # Only the routine lines are dropped: warnings and features left out stay visible.
    local log
    log=$(cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" 2>&1) \
        || { echo "$log" >&2; return 1; }
    echo "$log" | grep -v -E '^-- (The |Detecting |Check for working|Looking for|Performing Test|Found |Configuring done|Generating done|Build files have)' || true
    cmake --build "$BUILD" -j"$(nproc)"
}
