#!/usr/bin/env bash
# bench-startup.sh [BUILD]: how long each tool takes as a whole process, from exec to exit, beside
# Debian's mp3info and ffprobe on the same files; BUILD is the release build (default: build).
#
#   - start-up: every tool once on one small input (the smallest sample, the default skin and its
#     configuration, a scripted run that starts the player and the add-on), mp3info and ffprobe
#     on the same MP3 file;
#   - a corpus: tunestrip-mp3info and mp3info each over CORPUS_FILES (1200) small MP3 files in one
#     call, copies of the bundled samples under names of their own.
#
# hyperfine runs each command RUNS (30) times after three warm-up runs, without a shell between
# (-N). It prints a Markdown table: the mean wall time with its spread, and the mean processor
# time (user + system) of a run, which a machine shared with other work stretches least. A
# measurement, not a test: nothing here passes or fails on a time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
bin=$build/bin
runs=${RUNS:-30}
corpus_files=${CORPUS_FILES:-1200}

"$root/scripts/install-deps.sh" bench
for tool in tunestrip-sim tunestrip-bcfg tunestrip-skin tunestrip-mp3info; do
  [ -x "$bin/$tool" ] || { echo "bench-startup.sh: $bin/$tool: not built (make)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The inputs, under names without spaces (hyperfine -N splits its commands at spaces).
small=$work/small.mp3
cp "$root/samples/04 Untitled Tones.mp3" "$small"
cp "$root/skin/default/TuneStrip.bcfg" "$work/TuneStrip.bcfg"
printf 'player start\naddon start\n' >"$work/start.txt"
mkdir "$work/corpus"
mapfile -t samples < <(find "$root/samples" -name '*.mp3' | sort)
for ((i = 0; i < corpus_files; ++i)); do
  cp "${samples[i % ${#samples[@]}]}" "$(printf '%s/corpus/%04d.mp3' "$work" "$i")"
done
corpus=$(printf '%s ' "$work"/corpus/*.mp3)
format='%r %Q %o %S\n'

# One row: NAME INPUT COMMAND...
rows=()
measure() {
  local name=$1 input=$2
  shift 2
  local json=$work/run-${#rows[@]}.json
  hyperfine -N --style none --warmup 3 --runs "$runs" --export-json "$json" "$@" >/dev/null
  rows+=("$name|$input|$json")
}
measure tunestrip-sim "a scripted run: player start, addon start" \
  "$bin/tunestrip-sim -q --music $small --out $work/out --script $work/start.txt"
measure "tunestrip-bcfg check" "the default configuration" "$bin/tunestrip-bcfg check $work/TuneStrip.bcfg"
measure "tunestrip-skin check" "the default skin" "$bin/tunestrip-skin check $root/skin/default"
measure tunestrip-mp3info "one 18 KB MP3 file" "$bin/tunestrip-mp3info $small"
measure "mp3info -p '$format'" "the same file" "mp3info -p '$format' $small"
measure "ffprobe -show_streams" "the same file" "ffprobe -v error -show_streams $small"
measure tunestrip-mp3info "$corpus_files MP3 files in one call" "$bin/tunestrip-mp3info $corpus"
measure "mp3info -p '$format'" "the same $corpus_files files" "mp3info -p '$format' $corpus"

python3 - "${rows[@]}" <<'END'
import json, sys
print("| program | input | wall time | processor time (user + system) |")
print("|---|---|---|---|")
cpu = []
for row in sys.argv[1:]:
    name, what, path = row.split("|")
    r = json.load(open(path))["results"][0]
    ms = lambda s: f"{s * 1000:.2f} ms"
    cpu.append(r["user"] + r["system"])  # hyperfine's means over the runs
    print(f"| `{name}` | {what} | {ms(r['mean'])} ± {ms(r['stddev'])} | {ms(cpu[-1])} |")
print()
print(f"tunestrip-mp3info over the corpus: {cpu[-2] / cpu[-1]:.2f} of mp3info's processor time")
END
