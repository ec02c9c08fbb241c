#!/bin/bash
# The AT-SPI walk of the device grid: confpelko --simulate under Xvfb with an
# accessibility bus, walked by walk_devices.py (Debian python3-pyatspi, so the
# system Python).
#   tests/ui/atspi/run.sh [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../../build/test}
exec dbus-run-session -- bash -c '
  set -euo pipefail
  Xvfb :97 -screen 0 1024x768x24 -nolisten tcp & xvfb=$!
  trap "kill \$xvfb 2>/dev/null || true" EXIT
  export DISPLAY=:97 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 NO_AT_BRIDGE=0
  /usr/libexec/at-spi-bus-launcher --launch-immediately & sleep 1
  "$1/src/ui/confpelko" --simulate & app=$!
  trap "kill \$app \$xvfb 2>/dev/null || true" EXIT
  /usr/bin/python3 "$2/walk_devices.py"
' _ "$build" "$here"
