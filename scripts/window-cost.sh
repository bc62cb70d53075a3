#!/bin/sh
# What the preview window costs while nothing changes but the music: tunestrip-sim --interactive
# under Xvfb with the panel shown and the player playing (sound through SDL's dummy driver), its
# processor time over 10 s (user + system, from /proc/PID/stat) as a share of one core, and its
# peak resident memory. Usage: scripts/window-cost.sh [BUILD_DIR] [--edit]  (BUILD_DIR: build)
set -eu
case "${1:-}" in
  -h|--help) sed -n '2,5s/^# \{0,1\}//p' "$0"; exit 0 ;;
esac
build=${1:-build}
edit=${2:-}
sim="$build/bin/tunestrip-sim"
[ -x "$sim" ] || { echo "window-cost.sh: no $sim (build it first)" >&2; exit 1; }
command -v xvfb-run >/dev/null && command -v xdotool >/dev/null ||
  { echo "window-cost.sh: needs xvfb-run and xdotool (scripts/install-deps.sh)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'player start\naddon start\nwait 500\nkey hot\nwait 2000\n' >"$work/show.txt"
cat >"$work/measure.sh" <<END
SDL_AUDIODRIVER=dummy "$sim" --interactive $edit --script "$work/show.txt" --out "$work/out" \
  >"$work/out.txt" 2>"$work/err.txt" & pid=\$!
w=\$(xdotool search --sync --onlyvisible --name '^TuneStrip') || exit 9
sleep 4   # the panel slides in, the start settles
ticks() { awk '{print \$14 + \$15}' /proc/\$pid/stat; }
a=\$(ticks); sleep 10; b=\$(ticks)
hwm=\$(awk '/VmHWM/ {print \$2}' /proc/\$pid/status)
hz=\$(getconf CLK_TCK)
awk -v t=\$((b - a)) -v hz=\$hz -v kb=\$hwm 'BEGIN {
  printf "window: %.1f%% of a core over 10 s (%.2f s of processor time), peak RSS %.1f MB\n",
         100 * t / hz / 10, t / hz, kb / 1024 }'
xdotool key --window \$w q 2>/dev/null || kill \$pid
wait \$pid || true
grep '^Window:' "$work/err.txt" || true
END
xvfb-run -a -s '-screen 0 1280x1024x24' sh "$work/measure.sh"
