#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when any is missing.
# `install-deps.sh fuzz` adds the compiler and runtime of the fuzz targets (make fuzz);
# `install-deps.sh deb` adds Debian's package checker (make deb, make deb-check);
# `install-deps.sh coverage` adds lcov (make coverage);
# `install-deps.sh bench` adds hyperfine and the programs the tools are timed beside, mp3info and
# ffprobe (scripts/bench-startup.sh).
set -euo pipefail
packages=(
  build-essential cmake pkg-config
  libgtest-dev libbenchmark-dev
  libtag1-dev libstb-dev libfreetype-dev libmpg123-dev libgif-dev libsdl2-dev
  libpng-dev libjpeg62-turbo-dev zlib1g-dev libimagequant-dev libzip-dev
  libimgui-dev libgl-dev libgl1-mesa-dri
  fonts-dejavu-core
  xvfb xauth xdotool
  help2man
  # The package of the test build (dpkg-shlibdeps, which CPack runs with file) and the checks
  # of the desktop entry and the AppStream metadata.
  dpkg-dev file desktop-file-utils appstream
  gcc-arm-none-eabi libstdc++-arm-none-eabi-dev binutils-arm-none-eabi
  libunicorn-dev
)
case "${1:-}" in
  fuzz) packages+=(clang-14 libfuzzer-14-dev time) ;;
  deb) packages+=(lintian) ;;
  coverage) packages+=(lcov) ;;
  bench) packages+=(hyperfine mp3info ffmpeg) ;;
esac
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}"
