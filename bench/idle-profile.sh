#!/usr/bin/env bash
# Where an idle tovi-tray spends its instructions: runs it under callgrind in a private X
# session with an XEmbed tray against a settled stand-in CLI, zeroes the counts once start-up
# is over, and prints the functions by inclusive instruction count after IDLE_SECONDS of
# polling. Instruction counts do not depend on the machine's load, so two builds compare
# directly where bench/window.sh's CPU times are noisy.
#
#   bench/idle-profile.sh [BUILD_DIR]     (default build/release)
#   IDLE_SECONDS=60 SETTLE_SECONDS=40 TOP=60 bench/idle-profile.sh
#
# The raw profile stays in build/idle-profile/callgrind.out.1 for callgrind_annotate or
# kcachegrind.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build/release}"
IDLE_SECONDS="${IDLE_SECONDS:-60}"
SETTLE_SECONDS="${SETTLE_SECONDS:-40}"
WORK="${TOVI_PROFILE_WORK:-$ROOT/build/idle-profile}"
command -v valgrind >/dev/null || { echo "valgrind is not installed" >&2; exit 1; }
cmake --build "$BUILD" --target tovi-tray tovi-sim >/dev/null
source "$ROOT/scripts/x11-session.sh"

rm -rf "$WORK"
mkdir -p "$WORK"
trap session_stop EXIT
session_start "$WORK/session"
settled_sandbox "$WORK" "$BUILD"

valgrind --tool=callgrind --callgrind-out-file="$WORK/callgrind.out" "$BUILD/bin/tovi-tray" \
    >"$WORK/tray.log" 2>&1 &
pid=$!
session_track $pid
# Under valgrind start-up takes many times longer; its first polls are not idle ones.
sleep "$SETTLE_SECONDS"
callgrind_control -z $pid >/dev/null 2>&1
sleep "$IDLE_SECONDS"
callgrind_control -d $pid >/dev/null 2>&1
wait_for 10 test -s "$WORK/callgrind.out.1"
app_stop $pid
callgrind_annotate --inclusive=yes "$WORK/callgrind.out.1" | sed -n '/PROGRAM TOTALS/,$p' | grep -v '^-*$' |
    head -n "${TOP:-60}"
