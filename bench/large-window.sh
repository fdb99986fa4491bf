#!/usr/bin/env bash
# The window with a very large account (1,000 nodes × 20 spaces) under Xvfb with an XEmbed
# tray: tovi-tray against tovi-sim holding that snapshot. Opens the window, types a search,
# takes screenshots (the in-process keystroke latency is LargeDataBench's) and prints "key value" figures:
#   large_click_to_frame_ms   tray click → first frame of the window (cold: builds the window)
#   large_open_rss_kb         RSS with the window open on that list
#
#   bench/large-window.sh [BUILD_DIR]    (default build/bench; needs LargeDataBench built)
# Screenshots: BUILD_DIR/large-window/large-list.png, large-search.png.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
source "$ROOT/scripts/lib.sh"
BUILD="${1:-$ROOT/build/bench}"
cmake --build "$BUILD" --target tovi-tray tovi-sim LargeDataBench >/dev/null
source "$ROOT/scripts/x11-session.sh"

WORK="$BUILD/large-window"
rm -rf "$WORK"
trap session_stop EXIT
session_start "$WORK/session"
settled_sandbox "$WORK" "$BUILD"
"$BUILD/bin/LargeDataBench" --write-large-snapshot "$WORK/large.json"
"$BUILD/bin/tovi-sim" scenario status "@$WORK/large.json" >/dev/null
echo "large_snapshot_bytes $(stat -c %s "$WORK/large.json")"

TOVI_TRACE_FIRST_FRAME=1 "$BUILD/bin/tovi-tray" >"$WORK/tray.log" 2>&1 &
PID=$!
session_track $PID
wait_for 20 tray_icon_window || { echo "no tray icon; see $WORK/tray.log" >&2; exit 1; }
# Let the first polls land so the window opens on the full list.
sleep 8
click_window_centre "$(tray_icon_window)"
wait_for 20 tovi_window || { echo "the window did not open" >&2; exit 1; }
wait_for 10 sh -c "grep -q 'tovi-trace: frame' '$WORK/tray.log'"
trace_at() { grep "tovi-trace: $1 " "$WORK/tray.log" | sed -n "${2:-1}p" | awk '{print $3}'; }
awk -v c="$(trace_at click)" -v f="$(trace_at frame)" 'BEGIN {printf "large_click_to_frame_ms %.1f\n", f - c}'
sleep 3
WIN=$(tovi_window)
shot "$WORK/large-list.png" "$WIN"
echo "large_open_rss_kb $(awk '$1 == "Rss:" {print $2}' "/proc/$PID/smaps_rollup")"

# A search typed as a user would; the list must follow every keystroke.
xdotool type --delay 120 "blog-12"
sleep 1
shot "$WORK/large-search.png" "$WIN"
kill -0 $PID && echo "large_alive yes" || echo "large_alive no"
