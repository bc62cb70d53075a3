#!/usr/bin/env bash
# Installs what `make test-arm` needs, when any is missing: the armhf cross compiler and qemu-user
# (installed as usual), and a tree of Debian's armhf libraries that the phone, the tools and the
# tests link (armhf added to dpkg's architectures, its :armhf packages fetched by apt and unpacked
# into ARMHF_SYSROOT, default /opt/tunestrip/armhf-sysroot). `make test` needs none of it.
#
# The armhf packages are unpacked rather than installed beside the machine's own: a multiarch
# install needs every shared library at the very same version on both architectures, so it fails
# (or would downgrade the machine's libraries) whenever the machine carries a newer security
# update than the mirror's armhf lists, and it would tie the machine's packages to the test run.
set -euo pipefail
SYSROOT=${ARMHF_SYSROOT:-/opt/tunestrip/armhf-sysroot}
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
apt_get() { DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=600 "$@"; }

# What the tree holds: the libraries of scripts/install-deps.sh, for armhf.
libraries=(
  libstdc++-12-dev libgtest-dev
  libtag1-dev libfreetype-dev libmpg123-dev libgif-dev libpng-dev libjpeg62-turbo-dev zlib1g-dev
  libimagequant-dev libzip-dev
  libsdl2-dev libimgui-dev libgl-dev
  libgl1-mesa-dri
)
tools=(g++-arm-linux-gnueabihf qemu-user)

missing=()
for p in "${tools[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
stamp="$SYSROOT/.tunestrip-packages"
# The tree is made again whenever this script changes.
want=$(sha256sum < "$0")
if [ ${#missing[@]} -eq 0 ] && [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ]; then
  exit 0
fi

if ! dpkg --print-foreign-architectures | grep -qx armhf; then
  $SUDO dpkg --add-architecture armhf
fi
# A package list that a mirror serves mid-sync is left out (apt says which); the packages are
# then taken from the other lists.
apt_get update -qq || echo "install-arm-deps: some package lists could not be updated; going on" >&2
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  apt_get install -y -qq --no-install-recommends "${missing[@]}"
fi

echo "Unpacking the armhf libraries into $SYSROOT"
armhf=()
for p in "${libraries[@]}"; do armhf+=("$p:armhf"); done
list=$(mktemp)
# Every package these depend on, recommendations left out: the armhf ones, and those for every
# architecture (headers such as X11's protocol headers).
apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
  --no-replaces --no-enhances "${armhf[@]}" 2>/dev/null | grep -E '^[a-z0-9][^ ]*$' | sort -u >"$list"
mapfile -t closure < <(grep ':armhf$' "$list")
mapfile -t common < <(grep -v ':' "$list" | xargs apt-cache show --no-all-versions 2>/dev/null |
  awk '/^Package:/ {p = $2} /^Architecture: all/ {print p}' | sort -u)
closure+=("${common[@]}")
debs="$SYSROOT.debs"
$SUDO rm -rf "$SYSROOT" "$debs"
$SUDO mkdir -p "$SYSROOT" "$debs"
$SUDO chown _apt "$debs" 2>/dev/null || true  # apt downloads as its own user where it can
(cd "$debs" && apt_get download -qq "${closure[@]}")
for deb in "$debs"/*.deb; do $SUDO dpkg-deb -x "$deb" "$SYSROOT"; done
# The packages' absolute links point into the machine's own tree: point them into the sysroot.
find "$SYSROOT" -type l -lname '/*' | while read -r link; do
  $SUDO ln -sfn "$SYSROOT$(readlink "$link")" "$link"
done
$SUDO rm -rf "$debs" "$list"
echo "$want" | $SUDO tee "$stamp" >/dev/null
