#!/usr/bin/env bash
# The tray icon appears, a click opens the 340-wide window, Escape closes it, and a second
# launch exits 0 and brings the first copy's window back.
set -uo pipefail
TRAY=$1 SIM=$2 OUT=$3
source "$(dirname "$0")/common.sh"
require_tools Xvfb trayer xdotool xwininfo xdpyinfo import convert dbus-daemon dbus-send

WORK="$OUT/run"
sandbox "$WORK"
mkdir -p "$OUT"
rm -f "$OUT"/*.png
trap session_stop EXIT
session_start "$WORK/session" || exit 1

"$SIM" serve --port 0 >"$WORK/origin" 2>"$WORK/sim.log" &
session_track $!
wait_for 15 test -s "$WORK/origin" || { echo "tovi-sim did not start" >&2; exit 1; }
export TOVI_WEB_ORIGIN="$(head -n1 "$WORK/origin")"

"$TRAY" >"$WORK/tray-1.log" 2>&1 &
FIRST=$!
session_track $FIRST

check "the tray icon is embedded in the panel" wait_for 30 tray_icon_window
ICON=$(tray_icon_window)
[ -n "$ICON" ] || { cat "$WORK/tray-1.log" >&2; exit 1; }
shot "$OUT/01-tray-icon.png" "$ICON" 4 400

check "the running copy owns the application's bus name" wait_for 15 bus_name_owned dev.tovi.Tovi

check "no window is open before the first click" test -z "$(tovi_window)"
click_window_centre "$ICON"
check "a click on the icon opens the window" wait_for 20 tovi_window
WIN=$(tovi_window)
if [ -n "$WIN" ]; then
    window_geometry "$WIN"
    check "the window is 340 wide (got $WIN_W)" test "$WIN_W" -eq 340
    check "the window has a height from its content (got $WIN_H)" test "$WIN_H" -gt 100
    window_geometry "$ICON"
    icon_bottom=$((WIN_Y + WIN_H))
    window_geometry "$WIN"
    check "the window hangs below the top panel's icon" test "$WIN_Y" -ge "$icon_bottom"
    check "the window stays on screen" test $((WIN_X + WIN_W)) -le 1280
    sleep 1
    shot "$OUT/02-window-open.png" "$WIN"

    focused() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$WIN" ]; }
    check "the window has the keyboard focus" wait_for 10 focused
    xdotool key Escape
    check "Escape closes the window" wait_for 10 no_tovi_window
fi

"$TRAY" >"$WORK/tray-2.log" 2>&1 &
SECOND=$!
if wait_for 30 sh -c "! kill -0 $SECOND 2>/dev/null"; then
    wait "$SECOND"
    rc=$?
    check "a second launch exits with status 0 (got $rc)" test "$rc" -eq 0
else
    kill "$SECOND" 2>/dev/null
    fail "a second launch exits by itself"
fi
check "the first copy keeps running" kill -0 "$FIRST"
check "the second launch brings the first copy's window forward" wait_for 15 tovi_window
WIN=$(tovi_window)
[ -n "$WIN" ] && { sleep 0.5; shot "$OUT/03-after-second-launch.png" "$WIN"; }
shot "$OUT/04-screen.png"

echo "screenshots in $OUT"
((FAILURES == 0)) || { echo "--- tray log"; tail -40 "$WORK/tray-1.log"; } >&2
exit $((FAILURES > 0))
