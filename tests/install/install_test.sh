#!/bin/sh
# An install runs anywhere: the build is installed into a fresh prefix, the prefix is moved
# elsewhere, and the moved demo runs with no data folder given, from a folder of its own. The
# tools find the add-on's module and their data beside themselves, and nowhere else.
#   install_test.sh BUILD_DIR MAN_PAGES(0|1) [LAUNCHER]
# LAUNCHER (an emulator command) starts the tools when they were built for another processor.
set -eu
build=$1
man=$2
launch=${3:-}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "install test: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$tmp/installed" >/dev/null
mv "$tmp/installed" "$tmp/moved"
p=$tmp/moved

for f in bin/tunestrip-sim bin/tunestrip-bcfg bin/tunestrip-skin bin/tunestrip-mp3info \
         lib/tunestrip/TuneStrip.elf.so \
         share/tunestrip/skin/default/Fon.png share/tunestrip/skin/default/TuneStrip.bcfg \
         "share/tunestrip/samples/01 Dawn Chorus.mp3" share/tunestrip/samples/Seaside/Cover.jpg \
         share/bash-completion/completions/tunestrip-sim \
         share/bash-completion/completions/tunestrip-bcfg; do
  [ -f "$p/$f" ] || fail "$f was not installed"
done
for f in share/tunestrip/skin/default/make_skin.py share/tunestrip/samples/make-samples.sh; do
  [ ! -e "$p/$f" ] || fail "$f was installed"
done
if [ "$man" = 1 ]; then
  for t in sim bcfg skin mp3info; do
    gzip -dc "$p/share/man/man1/tunestrip-$t.1.gz" | grep -q "tunestrip-$t" ||
      fail "no manual page of tunestrip-$t"
  done
  gzip -dc "$p/share/man/man1/tunestrip-sim.1.gz" | grep -q 'Exit status' ||
    fail "the manual page has no exit status"
fi
bash -c ". '$p/share/bash-completion/completions/tunestrip-sim' && complete -p tunestrip-bcfg" \
  >/dev/null || fail "the completion script does not load"

# The demo, with the data folder left to the program.
mkdir "$tmp/run"
cd "$tmp/run"
env -u TUNESTRIP_DATA $launch "$p/bin/tunestrip-sim" --out pics >out.txt 2>err.txt ||
  fail "the moved demo failed: $(cat err.txt)"
grep -qF "configuration: $p/share/tunestrip/skin/default/TuneStrip.bcfg (the skin's)" err.txt ||
  fail "the demo did not use the installed skin: $(cat err.txt)"
[ -s pics/panel.png ] && [ -s pics/demo.gif ] || fail "the demo wrote no pictures"
grep -q "^Resources after the add-on's exit: allocations 0," out.txt || fail "$(cat out.txt)"
$launch "$p/bin/tunestrip-bcfg" get "$p/share/tunestrip/skin/default/TuneStrip.bcfg" HIDE_SPEED >/dev/null ||
  fail "tunestrip-bcfg cannot read the installed configuration"

# TUNESTRIP_DATA moves the data folder; the module is the one beside the program.
if TUNESTRIP_DATA="$tmp/nothing" $launch "$p/bin/tunestrip-sim" -q >/dev/null 2>err.txt; then
  fail "TUNESTRIP_DATA was not used"
fi
grep -qF "$tmp/nothing/samples" err.txt || fail "TUNESTRIP_DATA: $(cat err.txt)"
rm "$p/lib/tunestrip/TuneStrip.elf.so"
if $launch "$p/bin/tunestrip-sim" -q >/dev/null 2>err.txt; then fail "ran without its module"; fi
grep -qF "$p/lib/tunestrip/TuneStrip.elf.so" err.txt || fail "the module: $(cat err.txt)"
