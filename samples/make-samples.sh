#!/bin/sh
# Makes the demo's sample MP3s in this folder: synthesised tunes encoded with lame, tagged with
# TagLib, with covers of our own drawing. The outputs are committed, so the demo needs neither
# lame nor this script. Needs: g++, pkg-config, TagLib (libtag1-dev), stb (libstb-dev), lame.
#
#   01 Dawn Chorus.mp3        ID3v2.3, embedded PNG cover, CBR 96 kbit/s 44.1 kHz joint stereo
#   02 Полночный вальс.mp3    ID3v2.3 in UTF-16 and ID3v1 in CP1251 (Cyrillic), no cover,
#                             MPEG-2 Layer III 24 kHz mono 40 kbit/s
#   03 Harbour Lights.mp3     ID3v2.4 in UTF-8, embedded JPEG cover, CBR 64 kbit/s 32 kHz stereo
#   04 Untitled Tones.mp3     no tags at all, MPEG-2 CBR 48 kbit/s 22.05 kHz joint stereo
#   05 Drift.mp3              ID3v2.3, VBR (lame -V 7, 32 kHz) with a Xing header
#   Seaside/06 Seaside.mp3    ID3v2.4, no embedded cover, CBR 64 kbit/s 44.1 kHz; Seaside/Cover.jpg
#                             lies beside it (a folder plays after the files)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

g++ -std=c++20 -O2 -w -o "$work/make-samples" "$here/make-samples.cpp" \
  $(pkg-config --cflags --libs taglib) -I/usr/include/stb
"$work/make-samples" tones "$work"

enc() { lame --quiet --noreplaygain "$@"; }
cd "$here"
rm -rf Seaside ./*.mp3
mkdir -p Seaside
enc -b 96 -m j --resample 44.1 "$work/dawn.wav" "01 Dawn Chorus.mp3"
enc -b 40 -m m --resample 24 "$work/waltz.wav" "02 Полночный вальс.mp3"
enc -b 64 -m s --resample 32 "$work/harbour.wav" "03 Harbour Lights.mp3"
enc -b 48 -m j --resample 22.05 "$work/plain.wav" "04 Untitled Tones.mp3"
enc -V 7 "$work/drift.wav" "05 Drift.mp3"
enc -b 64 -m j --resample 44.1 "$work/seaside.wav" "Seaside/06 Seaside.mp3"
cp "$work/seaside.jpg" Seaside/Cover.jpg

"$work/make-samples" tags "$work" "$here"
du -ch ./*.mp3 Seaside/* | tail -1
