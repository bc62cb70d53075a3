#!/bin/sh
# The desktop entry and the AppStream metadata as desktop-file-validate and appstreamcli read
# them; each check runs where its program is installed (desktop-file-utils, appstream), and the
# test is skipped (77) when neither is.
#   desktop_test.sh DESKTOP_FILE METAINFO_FILE
set -eu
desktop=$1
metainfo=$2
ran=0
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop"
  ran=1
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$metainfo"
  ran=1
fi
[ "$ran" = 1 ] || { echo "desktop test: skipped: neither desktop-file-validate nor appstreamcli"; exit 77; }
