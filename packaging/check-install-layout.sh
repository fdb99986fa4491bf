#!/bin/sh
# Installs the data files of a configured build into a scratch prefix and checks the layout
# that desktops look for. Usage: check-install-layout.sh <build-dir> <app-id> <scratch-dir>
set -eu
build=$1 id=$2 scratch=$3
rm -rf "$scratch"
cmake --install "$build" --component data --prefix "$scratch/usr" >/dev/null
fail=0
need() { [ -s "$scratch/usr/$1" ] || { echo "missing: $1"; fail=1; }; }
need "share/applications/$id.desktop"
need "share/metainfo/$id.metainfo.xml"
need "share/icons/hicolor/scalable/apps/$id.svg"
need share/man/man1/tovi-tray.1.gz
need share/doc/tovi/copyright
need share/doc/tovi/changelog.Debian.gz
for size in 16 22 24 32 48 64 128 256; do
  png="share/icons/hicolor/${size}x${size}/apps/$id.png"
  need "$png"
  # The PNG header carries width and height as big-endian words at offsets 16 and 20.
  if [ -s "$scratch/usr/$png" ]; then
    dims=$(od -An -tu1 -j16 -N8 "$scratch/usr/$png" | tr -s ' ' | sed 's/^ //')
    want="0 0 $((size / 256)) $((size % 256)) 0 0 $((size / 256)) $((size % 256))"
    [ "$dims" = "$want" ] || { echo "$png is not ${size}x${size} ($dims)"; fail=1; }
  fi
done
grep -qx "Icon=$id" "$scratch/usr/share/applications/$id.desktop" || { echo "desktop entry names another icon"; fail=1; }
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$scratch/usr/share/metainfo/$id.metainfo.xml" \
  || { echo "metainfo launches another entry"; fail=1; }
desktop-file-validate "$scratch/usr/share/applications/$id.desktop" || fail=1
exit $fail
