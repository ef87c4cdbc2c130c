#!/usr/bin/env bash
# Installs what is missing, builds, and starts Zavolin. Arguments go to the program.
source "$(dirname "$0")/common.sh"
install_missing_packages
build
exec "$BUILD/zavolin" "$@"
