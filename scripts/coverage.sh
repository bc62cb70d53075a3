#!/usr/bin/env bash
# Runs every test of a coverage build (TS_COVERAGE=ON) and prints line and branch coverage of the
# add-on (src/), the phone (host/) and the tools (tools/), from gcov's counts gathered by lcov.
# The report by file is BUILD/coverage/index.html.
set -euo pipefail
build=$(cd "$1" && pwd)
jobs=${2:-2}
src="$(cd "$(dirname "$0")/.." && pwd)"
info="$build/coverage.info"
lcov_opts=(--quiet --rc lcov_branch_coverage=1)

# Counts of an earlier run would add up with this one's.
lcov "${lcov_opts[@]}" --zerocounters --directory "$build"
(cd "$build" && ctest --output-on-failure -j "$jobs") || { echo "coverage: a test failed" >&2; exit 1; }
lcov "${lcov_opts[@]}" --capture --directory "$build" --base-directory "$src" \
  --output-file "$info.all" 2>"$build/coverage.log" ||
  { tail -n 20 "$build/coverage.log" >&2; exit 1; }
# The add-on's headers that the phone and the tools include are links in BUILD/include: count
# them as the files of src/ they stand for, then add up each file's records.
sed_links=()
while IFS= read -r link; do
  sed_links+=(-e "s#^SF:$link\$#SF:$(readlink -f "$link")#")
done < <(find "$build/include" -type l)
[ ${#sed_links[@]} -eq 0 ] || sed -i "${sed_links[@]}" "$info.all"
lcov "${lcov_opts[@]}" --add-tracefile "$info.all" --output-file "$info.sum"
lcov "${lcov_opts[@]}" --extract "$info.sum" "$src/src/*" "$src/host/*" "$src/tools/*" \
  --output-file "$info"
genhtml "${lcov_opts[@]}" --branch-coverage --output-directory "$build/coverage" "$info" >/dev/null

# One line per part: "src/    lines 97.5% (1200 of 1231)   branches 80.2% (…)".
printf '%-8s %-28s %s\n' "" "lines" "branches"
for part in src host tools; do
  lcov "${lcov_opts[@]}" --extract "$info" "$src/$part/*" --output-file "$info.$part"
  lcov --rc lcov_branch_coverage=1 --summary "$info.$part" 2>&1 | awk -v part="$part/" '
    /lines\.*:/    { lines = $2 " " $3 " of " $5 ")"; sub(/\(/, "(", lines) }
    /branches\.*:/ { branches = $2 " " $3 " of " $5 ")" }
    END { printf "%-8s %-28s %s\n", part, lines, branches }'
done
echo "The report by file: $build/coverage/index.html"
