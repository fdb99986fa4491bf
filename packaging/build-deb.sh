#!/bin/sh
# Builds the Debian package from a Release build and checks it: what it installs, its
# desktop entry and metainfo, and lintian (any error fails the check).
# Usage: packaging/build-deb.sh [build-dir]   (default: build/deb)
# Leaves the .deb (and the -dbgsym .ddeb) in the build directory and prints its control fields.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/deb}
command -v lintian >/dev/null || { echo "lintian is not installed (apt-get install lintian)" >&2; exit 1; }

# Debian's own compiler and linker flags: all hardening (fortify, stack protector, relro,
# bind-now) and -g, whose symbols go to the -dbgsym package while the package is stripped.
flags() { (cd "$root" && DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"); }
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOVI_BUILD_TESTS=OFF \
      -DTOVI_WERROR=OFF -DTOVI_SANITIZE=OFF \
      "-DCMAKE_CXX_FLAGS=$(flags CXXFLAGS) $(flags CPPFLAGS)" \
      "-DCMAKE_EXE_LINKER_FLAGS=$(flags LDFLAGS)" "-DCMAKE_SHARED_LINKER_FLAGS=$(flags LDFLAGS)" \
      "-DCMAKE_MODULE_LINKER_FLAGS=$(flags LDFLAGS)" >/dev/null
cmake --build "$build" -j2 --target tovi-tray tovi_icons tovi_docs
rm -f "$build"/tovi_*.deb "$build"/tovi-dbgsym_*.ddeb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$build"/tovi_*.deb | head -n 1)
id=$(sed -n 's/^TOVI_APP_ID:STRING=//p' "$build/CMakeCache.txt")

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg -x "$deb" "$scratch"
fail=0
for path in usr/bin/tovi-tray "usr/share/applications/$id.desktop" "usr/share/metainfo/$id.metainfo.xml" \
            "usr/share/icons/hicolor/scalable/apps/$id.svg" "usr/share/icons/hicolor/256x256/apps/$id.png" \
            "usr/share/icons/hicolor/16x16/apps/$id.png" usr/share/man/man1/tovi-tray.1.gz \
            usr/share/doc/tovi/copyright usr/share/doc/tovi/changelog.Debian.gz; do
  [ -s "$scratch/$path" ] || { echo "missing from the package: /$path"; fail=1; }
done
[ -x "$scratch/usr/bin/tovi-tray" ] || { echo "tovi-tray is not executable"; fail=1; }
# Nothing of the test tooling ships.
if find "$scratch" -name 'tovi-sim*' -o -name '*_test' | grep -q .; then echo "test tooling in the package"; fail=1; fi
# The developers' switch (a 1 ms poll) is not in a shipped build.
if grep -a -q -E 'TOVI_DEV_POLL_INTERVAL_MS' "$scratch/usr/bin/tovi-tray"; then
  echo "developer switches in the shipped binaries"; fail=1
fi
depends=$(dpkg-deb -f "$deb" Depends)
for need in libqt6core6 libqt6widgets6 libqt6svg6 qt6-qpa-plugins fonts-material-design-icons-iconfont; do
  echo "$depends" | grep -q "$need" || { echo "Depends lacks $need"; fail=1; }
done
# The window is drawn with Qt Widgets: nothing of Qt Quick or QML comes with it.
if echo "$depends" | grep -q -E 'qml|quick'; then echo "Depends names Qt Quick or QML: $depends"; fail=1; fi
if find "$scratch" -path '*/lib/tovi/*' | grep -q .; then echo "a window module in the package"; fail=1; fi
dpkg-deb -f "$deb" Recommends | grep -q qt6-wayland || { echo "Recommends lacks qt6-wayland"; fail=1; }
desktop-file-validate "$scratch/usr/share/applications/$id.desktop" || fail=1
appstreamcli validate --no-net "$scratch/usr/share/metainfo/$id.metainfo.xml" || fail=1

# Errors fail the check; warnings and notes are shown for a person to judge.
echo "lintian:"
lintian --fail-on error --display-info --tag-display-limit 0 "$deb" || { echo "lintian reports errors"; fail=1; }

echo "$deb ($(du -h "$deb" | cut -f1))"
dpkg-deb -f "$deb" Package Version Architecture Installed-Size Depends Recommends
[ $fail -eq 0 ] && echo "package check: OK"
exit $fail
