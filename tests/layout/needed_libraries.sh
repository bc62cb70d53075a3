#!/bin/sh
# needed_libraries.sh READELF PROGRAM PATTERN: the shared libraries PROGRAM loads (its NEEDED
# entries) include the C library (so that the listing is real) and none that matches PATTERN.
readelf=$1 program=$2 pattern=$3
needed=$("$readelf" -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p') || exit 1
if ! printf '%s\n' "$needed" | grep -q '^libc\.so'; then
  echo "$program: no libc among the libraries it loads, so the listing says nothing" >&2
  exit 1
fi
found=$(printf '%s\n' "$needed" | grep -E -- "$pattern")
if [ -n "$found" ]; then
  echo "$program loads what it does not use ($pattern):" >&2
  printf '%s\n' "$found" >&2
  exit 1
fi
