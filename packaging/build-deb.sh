#!/bin/sh
# Builds the Debian package from a Release build and checks what it would install.
# Usage: packaging/build-deb.sh [build-dir]   (default: build/deb)
# Leaves the .deb in the build directory and prints its control fields.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/deb}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOVI_BUILD_TESTS=OFF \
      -DTOVI_WERROR=OFF -DTOVI_SANITIZE=OFF >/dev/null
cmake --build "$build" -j2 --target tovi-tray tovi_icons
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$build"/tovi_*.deb | head -n 1)
id=$(sed -n 's/^TOVI_APP_ID:STRING=//p' "$build/CMakeCache.txt")

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg -x "$deb" "$scratch"
fail=0
for path in usr/bin/tovi-tray usr/lib/tovi/tovi-window.so "usr/share/applications/$id.desktop" "usr/share/metainfo/$id.metainfo.xml" \
            "usr/share/icons/hicolor/scalable/apps/$id.svg" "usr/share/icons/hicolor/256x256/apps/$id.png" \
            "usr/share/icons/hicolor/16x16/apps/$id.png"; do
  [ -s "$scratch/$path" ] || { echo "missing from the package: /$path"; fail=1; }
done
[ -x "$scratch/usr/bin/tovi-tray" ] || { echo "tovi-tray is not executable"; fail=1; }
# Nothing of the test tooling ships.
if find "$scratch" -name 'tovi-sim*' -o -name '*_test' | grep -q .; then echo "test tooling in the package"; fail=1; fi
depends=$(dpkg-deb -f "$deb" Depends)
for need in libqt6core6 libqt6quick6 qml6-module-qtquick-controls qt6-qpa-plugins fonts-material-design-icons-iconfont; do
  echo "$depends" | grep -q "$need" || { echo "Depends lacks $need"; fail=1; }
done
desktop-file-validate "$scratch/usr/share/applications/$id.desktop" || fail=1
appstreamcli validate --no-net "$scratch/usr/share/metainfo/$id.metainfo.xml" >/dev/null || fail=1

echo "$deb ($(du -h "$deb" | cut -f1))"
dpkg-deb -f "$deb" Package Version Architecture Installed-Size Depends
[ $fail -eq 0 ] && echo "package layout: OK"
exit $fail
