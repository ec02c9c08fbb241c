# Sourced by the scripts that run the Windows build under Wine, from the
# repository's root after `set -eu`. Makes a throwaway Wine prefix whose COM1
# is the simulator started with sim_start (scripts/sim-lib.sh):
#   wine_com1 PATH      points COM1 at a pseudo-terminal
#   wine_idle           waits until no Wine program runs (do it before the
#                       pseudo-terminal closes: the Wine server holds it as
#                       its terminal and would be hung up)
export WINEPREFIX="$(mktemp -d)" WINEDEBUG=-all
unset DISPLAY
sim_dir="$WINEPREFIX/work"
mkdir -p "$sim_dir"
. ./scripts/sim-lib.sh
trap 'sim_stop; wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
wineboot -i >/dev/null 2>&1 || true
# Wine remakes dosdevices/com1 (to /dev/ttyS0) whenever it starts, unless the
# registry names the device: COM1 is a link of ours, pointed at each
# simulator's pseudo-terminal in turn.
# Mountmgr reads the key when the server starts: stop this one (it may have
# stopped by itself already) and wait until it has saved the registry.
wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /d "$sim_dir/line" /f >/dev/null
wineserver -k 2>/dev/null || true
wineserver -w

wine_com1() { ln -sfn "$1" "$sim_dir/line"; }
wine_idle() { wineserver -w; }
