#!/bin/sh
# Remakes docs/screenshot.png: the window on its simulated controllers, drawn
# by the program itself under a virtual display.
#   scripts/screenshot.sh [BUILD_TREE]
set -eu
cd "$(dirname "$0")/.."
build="${1:-build/release}"
xvfb-run -a -s "-screen 0 1024x768x24" "$build/src/ui/confpelko" --screenshot docs/screenshot.png
echo "docs/screenshot.png"
