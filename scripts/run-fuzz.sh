#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for SECONDS each, one at a time, from its committed seed
# corpus (fuzz/corpus/<target>). Inputs the fuzzer adds go to BUILD/findings/<target>/corpus, a
# crash to BUILD/findings/<target>/; the first target that fails stops the run. After a clean
# run, the inputs that reach code the committed corpus does not are merged into it (libFuzzer's
# -merge=1 keeps only those), so that what a run found stays found once committed.
set -euo pipefail
build=$1
seconds=$2
src="$(cd "$(dirname "$0")/.." && pwd)"
for exe in "$build"/fuzz/*_fuzz; do
  name=$(basename "$exe")
  out="$build/findings/$name"
  mkdir -p "$out/corpus"
  echo "== $name: ${seconds}s"
  "$exe" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$out/" "$out/corpus" "$src/fuzz/corpus/$name" 2>"$out/log" ||
    { tail -n 60 "$out/log"; echo "== $name failed; its input is in $out/"; exit 1; }
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$out/log" | sed 's/^/   /'
  grep -Eo 'cov: [0-9]+ ft: [0-9]+' "$out/log" | tail -n 1 | sed 's/^/   final /'
  before=$(ls "$src/fuzz/corpus/$name" | wc -l)
  "$exe" -merge=1 -timeout=10 -rss_limit_mb=2048 "$src/fuzz/corpus/$name" "$out/corpus" \
    2>"$out/merge.log" || { tail -n 20 "$out/merge.log"; exit 1; }
  echo "   corpus: $before inputs, $(( $(ls "$src/fuzz/corpus/$name" | wc -l) - before )) merged in"
done
