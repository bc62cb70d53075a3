#!/usr/bin/env bash
# The Debian package on this machine, as a user gets it: lintian finds no error in it, apt-get
# installs it with what it depends on, the demo runs from /usr/bin/tunestrip-sim in an empty
# folder with the sources out of its sight, and a purge removes it leaving nothing behind.
# Installs into /usr: run it as root (or where sudo works), on a machine that may have it.
#   deb-check.sh BUILD_DIR      (make deb-check, after make deb)
set -euo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$(dirname "$0")/.." && pwd)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb=$build/tunestrip_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { echo "deb-check: no $deb (make deb)" >&2; exit 1; }
fail() { echo "deb-check: $*" >&2; exit 1; }
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
apt() { DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=600 -y -qq "$@"; }

echo "deb-check: lintian $deb"
lintian --fail-on error "$deb"

echo "deb-check: apt-get install $deb"
installed=0
tmp=$(mktemp -d)
cleanup() {
  [ "$installed" = 1 ] && apt remove --purge tunestrip >/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
apt install "$deb" >/dev/null
installed=1
dpkg -L tunestrip | grep -qx /usr/bin/tunestrip-sim || fail "dpkg -L tunestrip has no /usr/bin/tunestrip-sim"

# The demo from an empty folder, with no data folder given; where the system lets it, the
# sources and the build are hidden under an empty file system for the run.
cd "$tmp"
run='env -u TUNESTRIP_DATA /usr/bin/tunestrip-sim --out pics >out.txt 2>err.txt'
if $SUDO unshare -m true 2>/dev/null; then
  $SUDO unshare -m sh -c "mount -t tmpfs none '$build' && mount -t tmpfs none '$src' && $run" ||
    fail "the installed demo failed: $(cat err.txt)"
else
  echo "deb-check: cannot hide the sources (no mount namespace); the demo runs beside them"
  sh -c "$run" || fail "the installed demo failed: $(cat err.txt)"
fi
grep -qF "configuration: /usr/share/tunestrip/skin/default/TuneStrip.bcfg (the skin's)" err.txt ||
  fail "the demo did not use the installed skin: $(cat err.txt)"
[ -s pics/panel.png ] && [ -s pics/demo.gif ] || fail "the demo wrote no pictures"
grep -q "^Resources after the add-on's exit: allocations 0," out.txt || fail "$(cat out.txt)"
/usr/bin/tunestrip-skin check /usr/share/tunestrip/skin/default >/dev/null ||
  fail "tunestrip-skin finds faults in the installed skin"
man -w tunestrip-sim >/dev/null 2>&1 || ! command -v man >/dev/null ||
  fail "man does not find tunestrip-sim's page"
echo "deb-check: the installed demo ran: $(sed -n 's/^Pictures: //p' out.txt)"

echo "deb-check: apt-get remove --purge tunestrip"
apt remove --purge tunestrip >/dev/null
installed=0
if dpkg -L tunestrip >/dev/null 2>&1; then fail "dpkg -L tunestrip still lists files"; fi
for d in /usr/share/tunestrip /usr/lib/tunestrip /usr/share/doc/tunestrip; do
  [ ! -e "$d" ] || fail "$d is left after the purge: $(find "$d" | head -5)"
done
left=$(ls /usr/bin/tunestrip-* /usr/share/man/man1/tunestrip-* /usr/share/applications/org.tunestrip.* \
  /usr/share/metainfo/org.tunestrip.* /usr/share/icons/hicolor/*/apps/tunestrip.png 2>/dev/null || true)
[ -z "$left" ] || fail "left after the purge: $left"
echo "deb-check: the package installed, ran and went away cleanly"
