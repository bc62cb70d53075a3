#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for SECONDS each, one at a time, from its committed seed
# corpus (fuzz/corpus/<target>). Inputs the fuzzer adds go to BUILD/findings/<target>/corpus, a
# crash to BUILD/findings/<target>/; the first target that fails stops the run.
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
done
