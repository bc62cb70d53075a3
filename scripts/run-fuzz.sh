#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for SECONDS each from its committed seed corpus
# (fuzz/corpus/<target>), JOBS targets at a time (default 1). Inputs the fuzzer adds go to
# BUILD/findings/<target>/corpus, a crash to BUILD/findings/<target>/; a failed target fails the
# run. After a clean run, the inputs that reach code the committed corpus does not are merged into
# it (libFuzzer's -merge=1 keeps only those), so that what a run found stays found once committed.
set -euo pipefail
build=$1
seconds=$2
jobs=${3:-1}
src="$(cd "$(dirname "$0")/.." && pwd)"

fuzz_one() {
  local exe=$1 name out
  name=$(basename "$exe")
  out="$build/findings/$name"
  mkdir -p "$out/corpus"
  rm -f "$out/failed"
  /usr/bin/env time -f '%U %S' -o "$out/cpu" \
    "$exe" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$out/" "$out/corpus" "$src/fuzz/corpus/$name" 2>"$out/log" ||
    touch "$out/failed"
}

targets=("$build"/fuzz/*_fuzz)
echo "== ${#targets[@]} targets, ${seconds}s each, $jobs at a time"
running=0
for exe in "${targets[@]}"; do
  if [ "$running" -ge "$jobs" ]; then wait -n || true; running=$((running - 1)); fi
  fuzz_one "$exe" &
  running=$((running + 1))
done
wait

status=0
for exe in "${targets[@]}"; do
  name=$(basename "$exe")
  out="$build/findings/$name"
  echo "== $name"
  if [ -e "$out/failed" ]; then
    tail -n 60 "$out/log"
    echo "== $name failed; its input is in $out/"
    status=1
    continue
  fi
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$out/log" | sed 's/^/   /'
  grep -Eo 'cov: [0-9]+ ft: [0-9]+' "$out/log" | tail -n 1 | sed 's/^/   final /'
  read -r user sys <"$out/cpu"
  echo "   processor time: $(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.0f", u + s }')s"
  before=$(ls "$src/fuzz/corpus/$name" | wc -l)
  "$exe" -merge=1 -timeout=10 -rss_limit_mb=2048 "$src/fuzz/corpus/$name" "$out/corpus" \
    2>"$out/merge.log" || { tail -n 20 "$out/merge.log"; exit 1; }
  echo "   corpus: $before inputs, $(( $(ls "$src/fuzz/corpus/$name" | wc -l) - before )) merged in"
done
exit $status
