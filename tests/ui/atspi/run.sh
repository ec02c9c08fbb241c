#!/bin/bash
# The AT-SPI walk of the device grid: confpelko --simulate under Xvfb with an
# accessibility bus of its own, walked by walk_devices.py (Debian's
# python3-pyatspi, so the system Python). Exits 77 (skipped) when any of
# these is missing.
#   tests/ui/atspi/run.sh PATH/TO/confpelko
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=${1:?usage: run.sh PATH/TO/confpelko}
launcher=/usr/libexec/at-spi-bus-launcher
for tool in Xvfb dbus-run-session; do
  command -v "$tool" >/dev/null || { echo "skipped: no $tool"; exit 77; }
done
[ -x "$launcher" ] || { echo "skipped: no $launcher"; exit 77; }
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "skipped: no python3-pyatspi"; exit 77; }
exec dbus-run-session -- bash -c '
  set -euo pipefail
  # Xvfb picks a free display and writes its number on fd 4.
  display_file=$(mktemp)
  Xvfb -displayfd 4 -screen 0 1024x768x24 -nolisten tcp 4>"$display_file" 2>/dev/null & xvfb=$!
  trap "kill \$xvfb 2>/dev/null || true; rm -f $display_file" EXIT
  for _ in $(seq 50); do [ -s "$display_file" ] && break; sleep 0.1; done
  # On the X display: the offscreen platform the other tests use has no AT-SPI bridge.
  export DISPLAY=:$(cat "$display_file") QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1
  "$3" --launch-immediately & sleep 1
  "$1" --simulate 2>/dev/null & app=$!
  trap "kill \$app \$xvfb 2>/dev/null || true; rm -f $display_file" EXIT
  /usr/bin/python3 "$2/walk_devices.py"
' _ "$program" "$here" "$launcher"
