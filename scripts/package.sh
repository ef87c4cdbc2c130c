#!/usr/bin/env bash
# Installs what is missing, builds, and writes the Debian package into build/.
source "$(dirname "$0")/common.sh"
install_missing_packages
build
cd "$BUILD"
cpack -G DEB
