#!/bin/sh
# The Debian package holds the install, under /usr, and runs from wherever it is unpacked: its
# control data names the package and what it depends on, its file list holds every installed file
# (and nothing of the sources' scripts), and unpacked into a fresh root it runs the demo from that
# root's usr/bin/tunestrip-sim with the data beside it, from a folder of its own.
#   package_test.sh DEB
# Exits 77 (skipped) when DEB has not been built (cpack -G DEB in its build folder; make test
# does so) or dpkg is missing.
set -eu
deb=$1
skip() { echo "package test: skipped: $*"; exit 77; }
fail() { echo "package test: $*" >&2; exit 1; }
[ -f "$deb" ] || skip "$deb has not been built (cpack -G DEB in its build folder)"
command -v dpkg-deb >/dev/null || skip "no dpkg-deb"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The control data.
dpkg-deb -f "$deb" >"$tmp/control"
field() { sed -n "s/^$1: //p" "$tmp/control"; }
[ "$(field Package)" = tunestrip ] || fail "Package: $(field Package)"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture: $(field Architecture)"
for f in Version Maintainer Section Priority Description; do
  [ -n "$(field "$f")" ] || fail "no $f field"
done
depends=$(field Depends)
for d in libc6 libstdc++6 libmpg123-0 libfreetype6 libtag1v5 libpng16-16 fonts-dejavu-core; do
  echo "$depends" | tr ',' '\n' | grep -q "^ *$d\( \|$\)" || fail "Depends has no $d: $depends"
done

# The file list: the install under /usr, every directory and file root's.
dpkg-deb -c "$deb" >"$tmp/list"
awk '$2 != "root/root" || $6 !~ /^\.\/usr\// { print; bad = 1 } END { exit bad }' "$tmp/list" ||
  fail "files outside /usr or not owned by root"
for f in bin/tunestrip-sim bin/tunestrip-bcfg bin/tunestrip-skin bin/tunestrip-mp3info \
         lib/tunestrip/TuneStrip.elf.so \
         share/tunestrip/skin/default/Fon.png share/tunestrip/skin/default/TuneStrip.bcfg \
         "share/tunestrip/samples/01 Dawn Chorus.mp3" share/tunestrip/samples/Seaside/Cover.jpg \
         share/bash-completion/completions/tunestrip-sim share/doc/tunestrip/copyright \
         share/doc/tunestrip/changelog.gz share/applications/org.tunestrip.skinpreview.desktop \
         share/metainfo/org.tunestrip.skinpreview.metainfo.xml \
         share/icons/hicolor/16x16/apps/tunestrip.png share/icons/hicolor/256x256/apps/tunestrip.png; do
  grep -qF " ./usr/$f" "$tmp/list" || fail "the package has no /usr/$f"
done
if grep -qF "/usr/share/man/" "$tmp/list"; then
  grep -qF " ./usr/share/man/man1/tunestrip-sim.1.gz" "$tmp/list" || fail "no compressed manual page"
  ! grep -q '/man1/.*\.1$' "$tmp/list" || fail "an uncompressed manual page"
fi
! grep -q '\.py$\|\.sh$' "$tmp/list" || fail "a script of the sources is in the package"

# Unpacked into a fresh root: the changelog is of this version, and the demo runs.
dpkg -x "$deb" "$tmp/root"
r=$tmp/root/usr
version=$(gzip -dc "$r/share/doc/tunestrip/changelog.gz" | sed -n '1s/^tunestrip (\([^)]*\)).*/\1/p')
[ "$version" = "$(field Version)" ] ||
  fail "the changelog's newest entry is version '$version', the package's $(field Version)"
mkdir "$tmp/run"
cd "$tmp/run"
env -u TUNESTRIP_DATA "$r/bin/tunestrip-sim" --out pics >out.txt 2>err.txt ||
  fail "the unpacked demo failed: $(cat err.txt)"
grep -qF "configuration: $r/share/tunestrip/skin/default/TuneStrip.bcfg (the skin's)" err.txt ||
  fail "the demo did not use the packaged skin: $(cat err.txt)"
[ -s pics/panel.png ] && [ -s pics/demo.gif ] || fail "the demo wrote no pictures"
grep -q "^Resources after the add-on's exit: allocations 0," out.txt || fail "$(cat out.txt)"
