#!/bin/sh
# Installs what building, running and testing need on Debian 12 (the
# Windows build and its run under Wine included).
set -eu
PKGS="g++ cmake ninja-build pkg-config qt6-base-dev qt6-svg-dev qt6-translations-l10n libgtest-dev libgmock-dev \
  fonts-dejavu-core xvfb xauth python3-pyatspi at-spi2-core dbus clang libclang-rt-14-dev libpugixml-dev \
  lintian appstream desktop-file-utils g++-mingw-w64-x86-64-posix googletest libxlsxwriter-dev libzip-dev lld"
# Wine as Debian recommends it: the Windows tests run on that.
WINE_PKGS="wine wine64"
missing() {
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}
plain="$(missing $PKGS)"
wine="$(missing $WINE_PKGS)"
[ -z "$plain$wine" ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
$SUDO apt-get update
[ -z "$plain" ] || DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $plain
[ -z "$wine" ] || DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y $wine
