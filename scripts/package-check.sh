#!/bin/sh
# Builds the Debian package from a built tree and checks it as a user's
# machine would take it: desktop entry and AppStream data valid, lintian
# without errors, installed with apt, the programs working from PATH, every
# file the desktop entry, AppStream data and window name present, and
# removed without a trace. Prints the package's size and the install time.
#   scripts/package-check.sh BUILD_TREE      (as root)
set -eu
tree="$(cd "$1" && pwd)"
cd "$(dirname "$0")/.."
id=example.confpelko.ConfPelkoQ250

desktop-file-validate "data/$id.desktop"
appstreamcli validate --no-net "$tree/data/$id.metainfo.xml"

rm -f "$tree"/confpelko_*.deb
(cd "$tree" && cpack -G DEB >/dev/null)
deb="$(ls "$tree"/confpelko_*_amd64.deb)"
echo "package: $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB"
lintian --fail-on error "$deb"

start=$(date +%s%N)
DEBIAN_FRONTEND=noninteractive apt-get install -y "$deb" >/dev/null
echo "install: $(( ($(date +%s%N) - start) / 1000000 )) ms"
files="$(mktemp)"
dpkg -L confpelko >"$files"

# What the desktop entry, the AppStream data and the window refer to.
for f in /usr/bin/confpelko /usr/bin/pelkoctl /usr/bin/pelko-sim \
  "/usr/share/applications/$id.desktop" "/usr/share/metainfo/$id.metainfo.xml" \
  /usr/share/icons/hicolor/scalable/apps/confpelko.svg /usr/share/doc/confpelko/help.html \
  /usr/share/doc/confpelko/copyright /usr/share/man/man1/confpelko.1.gz \
  /usr/share/man/man1/pelkoctl.1.gz /usr/share/man/man1/pelko-sim.1.gz; do
  [ -f "$f" ] || { echo "missing after install: $f" >&2; exit 1; }
done
grep -q '^Exec=confpelko %f$' "/usr/share/applications/$id.desktop"
grep -q '^Icon=confpelko$' "/usr/share/applications/$id.desktop"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "/usr/share/metainfo/$id.metainfo.xml"

version="$(sed -n 's/^project(ConfPelkoQ250 VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
[ "$(pelkoctl --version)" = "pelkoctl $version" ]
[ "$(pelko-sim --version)" = "pelko-sim $version" ]
[ "$(confpelko --version)" = "confpelko $version" ]
if pelkoctl --no-such-option >/dev/null 2>&1; then echo "unknown option accepted" >&2; exit 1; fi

# One search against the installed simulator, both from PATH.
work="$(mktemp -d)"
mkfifo "$work/in"
pelko-sim --demo <"$work/in" >"$work/out" &
sim=$!
exec 3>"$work/in"
for _ in $(seq 50); do [ -s "$work/out" ] && break; sleep 0.1; done
pelkoctl search --port "$(head -n1 "$work/out")" --attempts 1 --timeout 40 >"$work/found"
echo quit >&3
exec 3>&-
wait $sim
grep -q '^device 3 ' "$work/found" || { echo "installed search did not find 3" >&2; exit 1; }
grep -q '^device 40 ' "$work/found" || { echo "installed search did not find 40" >&2; exit 1; }
# .xlsx card lists: the package depends on the libraries (found by shlibdeps)
# and its pelkoctl writes such a file and reads it back.
for lib in libxlsxwriter libzip; do
  dpkg-query -W -f='${Depends}\n' confpelko | grep -q "$lib" || { echo "package does not depend on $lib" >&2; exit 1; }
done
printf '<XDOC><Devices><Device Adr="5"><Cards><Card Pos="1" Code="1234567E03" User="007"/></Cards></Device></Devices></XDOC>' >"$work/c.txt"
pelkoctl export-xlsx "$work/c.txt" 5 "$work/c.xlsx"
pelkoctl import-xlsx "$work/c.txt" 5 "$work/c.xlsx" --out "$work/d.txt"
pelkoctl show-config "$work/d.txt" | grep -q '^card 1 1234567E03 USER=007$' || { echo "installed .xlsx round trip failed" >&2; exit 1; }
rm -rf "$work"

DEBIAN_FRONTEND=noninteractive apt-get purge -y confpelko >/dev/null
while read -r f; do
  [ -d "$f" ] && continue
  if [ -e "$f" ]; then echo "left after removal: $f" >&2; exit 1; fi
done <"$files"
rm -f "$files"
echo "package checks passed"
