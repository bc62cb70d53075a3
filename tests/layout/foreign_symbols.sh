#!/bin/sh
# foreign_symbols.sh NM PROGRAM OWN PATTERN: PROGRAM's symbols include OWN (so that the listing
# is real) and nothing that matches PATTERN.
nm=$1 program=$2 own=$3 pattern=$4
symbols=$("$nm" -C "$program") || exit 1
if ! printf '%s\n' "$symbols" | grep -q -- "$own"; then
  echo "$program: no symbol of $own, so its listing says nothing" >&2
  exit 1
fi
found=$(printf '%s\n' "$symbols" | grep -E -- "$pattern")
if [ -n "$found" ]; then
  echo "$program carries what it should not ($pattern):" >&2
  printf '%s\n' "$found" | head -20 >&2
  exit 1
fi
