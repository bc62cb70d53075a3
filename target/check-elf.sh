#!/bin/sh
# Checks the phone's TuneStrip.elf after its link and prints its sizes:
#   check-elf.sh ELF TEXT_BUDGET DATA_BUDGET
# It fails when a symbol is undefined, when a global symbol other than the loader's (main,
# fw_module_info) is left, when the entry point is not main, or when text (code and constants) or
# data + bss exceed their budgets in bytes.
set -eu
elf=$1 text_budget=$2 data_budget=$3
fail=0

undefined=$(arm-none-eabi-nm -u "$elf")
if [ -n "$undefined" ]; then
  echo "$elf: undefined symbols:" >&2
  echo "$undefined" >&2
  fail=1
fi

globals=$(arm-none-eabi-nm -g --defined-only "$elf" | awk '{print $3}' | sort | tr '\n' ' ')
if [ "$globals" != "fw_module_info main " ]; then
  echo "$elf: global symbols are '$globals', not the loader's 'fw_module_info main'" >&2
  fail=1
fi

entry=$(arm-none-eabi-readelf -h "$elf" | awk '/Entry point address/ {print $4}')
main=$(arm-none-eabi-nm "$elf" | awk '$3 == "main" {print $1}')
# A Thumb entry point has its lowest bit set.
if [ $((entry & ~1)) -ne $((0x$main)) ]; then
  echo "$elf: the entry point $entry is not main (0x$main)" >&2
  fail=1
fi

set -- $(arm-none-eabi-size "$elf" | awk 'NR == 2 {print $1, $2, $3}')
text=$1 data=$2 bss=$3
echo "TuneStrip.elf: text $text, data $data, bss $bss bytes (budget: text $text_budget, data + bss $data_budget)"
if [ "$text" -gt "$text_budget" ]; then
  echo "$elf: text is $text bytes, over the budget of $text_budget" >&2
  fail=1
fi
if [ $((data + bss)) -gt "$data_budget" ]; then
  echo "$elf: data + bss is $((data + bss)) bytes, over the budget of $data_budget" >&2
  fail=1
fi
[ $fail -eq 0 ] || { rm -f "$elf"; exit 1; }
