#!/usr/bin/env bash
# First launch in an empty home, then sign-in through a real browser.
#
# 1. With no CLI installed, Tovi installs it from the stand-in web origin, starts the service,
#    the tray icon gets its red badge and the window lists the spaces under the team's name.
# 2. Signed out from the command line, the window offers "Sign in"; pressing it hands the
#    approval page to the desktop's URL opener (a stand-in xdg-open that records it), headless
#    Chromium opens that page and clicks "Approve", and the window returns to the spaces
#    screen of the signed-in team.
#
#   browser_sign_in_e2e.sh TOVI_TRAY TOVI_SIM SHOTS_DIR WORK_DIR
#
# Exit status 77 (skipped) when Chromium, Node.js or the X tools are missing.
set -uo pipefail
TRAY=$1 SIM=$2 OUT=$3 WORK=$4
HERE="$(cd "$(dirname "$0")" && pwd)"
source "$HERE/../common.sh"
require_tools Xvfb trayer xdotool xwininfo xdpyinfo import convert dbus-daemon dbus-send curl
export CHROMIUM="${CHROMIUM:-$(command -v chromium || true)}"
[ -n "$CHROMIUM" ] || { echo "skipped: chromium is not installed (Debian package chromium)"; exit 77; }
command -v node >/dev/null 2>&1 || { echo "skipped: node is not installed (Debian package nodejs)"; exit 77; }

# A run cut short by the test timeout leaves its detached service behind: end it before
# the old sandbox goes.
if [ -s "$WORK/home/.tovi/run/daemon.pid" ]; then
    stale=$(head -n1 "$WORK/home/.tovi/run/daemon.pid" | tr -dc 0-9)
    # Only when that pid is still this sandbox's service, not a recycled number.
    [ -n "$stale" ] && tr '\0' ' ' 2>/dev/null <"/proc/$stale/cmdline" |
        grep -qF "$WORK/home/.local/bin/tovi internal daemon" && kill "$stale"
fi
sandbox "$WORK"
mkdir -p "$OUT"
rm -f "$OUT"/*.png

# The desktop's URL opener: Qt hands every page to xdg-open when it is on PATH. This one only
# writes the address down; the browser below is started by the test itself.
OPENED="$WORK/opened-urls"
mkdir -p "$WORK/bin"
cat >"$WORK/bin/xdg-open" <<EOF
#!/bin/sh
printf '%s\n' "\$1" >>'$OPENED'
EOF
chmod 755 "$WORK/bin/xdg-open"
export PATH="$WORK/bin:$PATH"

CLI="$HOME/.local/bin/tovi"
PIDFILE="$HOME/.tovi/run/daemon.pid"
TRAY_PID=""

cleanup() {
    # The tray's CLI children (a claim still waiting, say) outlive it: end them first.
    if [ -n "$TRAY_PID" ]; then
        local child
        for child in $(ps -o pid= --ppid "$TRAY_PID" 2>/dev/null); do kill "$child" 2>/dev/null; done
    fi
    [ -x "$CLI" ] && "$CLI" uninstall service >/dev/null 2>&1
    if [ -s "$PIDFILE" ]; then
        local daemon
        daemon=$(head -n1 "$PIDFILE" | tr -dc 0-9)
        [ -n "$daemon" ] && kill "$daemon" 2>/dev/null
    fi
    session_stop
}
trap cleanup EXIT
session_start "$WORK/session" || exit 1

"$SIM" serve --port 0 >"$WORK/origin" 2>"$WORK/sim.log" &
session_track $!
wait_for 15 test -s "$WORK/origin" || { echo "tovi-sim did not start" >&2; exit 1; }
ORIGIN="$(head -n1 "$WORK/origin")"
export TOVI_WEB_ORIGIN="$ORIGIN"

# pixels PNG: one "x y r g b" line per pixel.
pixels() {
    convert "$1" -depth 8 txt:- |
        sed -n 's/^\([0-9]*\),\([0-9]*\): *(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3 \4 \5/p'
}
# red_pixels PNG: how many pixels are close to the badge's and the dot's red.
red_pixels() {
    pixels "$1" | awk '$3 >= 200 && $4 <= 120 && $5 <= 110 { n++ } END { print n + 0 }'
}
icon_red() {
    local f="$WORK/.icon-$$.png"
    shot "$f" "$ICON"
    red_pixels "$f"
    rm -f "$f"
}
icon_has_red() { [ "$(icon_red)" -ge 6 ]; }
icon_has_no_red() { [ "$(icon_red)" -eq 0 ]; }
window_title() { xdotool getwindowname "$1" 2>/dev/null; }
window_title_is() { [ "$(window_title "$WIN")" = "$1" ]; }

open_window() {
    WIN=$(tovi_window)
    if [ -z "$WIN" ]; then
        click_window_centre "$ICON"
        wait_for 20 tovi_window || return 1
        WIN=$(tovi_window)
    fi
    [ -n "$WIN" ]
}

# The prominent "Sign in" button is the only full-width control drawn in the accent colour
# (its outline); the blue mark above it is narrower than a quarter of the window. Prints the
# button's centre inside the window.
find_sign_in() {
    local f="$WORK/.window-$$.png"
    shot "$f" "$WIN"
    pixels "$f" | awk -v width="$WIN_W" '
        $5 >= 120 && $5 - $3 >= 60 && $5 - $4 >= 20 { row[$2]++ }
        END {
            for (y in row)
                if (row[y] >= width * 0.6) {
                    if (top == "" || y + 0 < top) top = y + 0
                    if (y + 0 > bottom) bottom = y + 0
                }
            if (top != "") printf "%d %d\n", width / 2, (top + bottom) / 2
        }'
    rm -f "$f"
}

finish() {
    echo "screenshots in $OUT"
    ((FAILURES == 0)) || { echo "--- tray log"; tail -40 "$WORK/tray.log"; } >&2
    exit $((FAILURES > 0))
}
# require DESCRIPTION CMD...: a check the rest of the run builds on; ends the run when it fails.
require() {
    local what=$1
    shift
    if "$@"; then
        pass "$what"
    else
        fail "$what"
        echo "stopping here: the steps below need this" >&2
        finish
    fi
}

echo "--- first launch in an empty home (origin $ORIGIN)"
check "the sandbox starts without the CLI" test ! -e "$CLI"
"$TRAY" >"$WORK/tray.log" 2>&1 &
TRAY_PID=$!
session_track $TRAY_PID

require "the tray icon is embedded in the panel" wait_for 30 tray_icon_window
ICON=$(tray_icon_window)

require "the CLI is installed into ~/.local/bin" wait_for 60 test -x "$CLI"
check "the installed CLI is the one the web origin serves" cmp -s "$SIM" "$CLI"
check "the service is started (its pid file appears)" wait_for 60 test -s "$PIDFILE"
daemon=$(head -n1 "$PIDFILE" 2>/dev/null | tr -dc 0-9)
check "the service's pid is a running process" kill -0 "${daemon:-0}"

ME=$("$CLI" account me --stdout-format=json 2>/dev/null)
TEAM=$(printf '%s' "$ME" | node -e 'let s="";process.stdin.on("data",d=>s+=d).on("end",()=>{try{process.stdout.write((j=>j.team_name||j.team||"")(JSON.parse(s)))}catch(e){}})')
check "the CLI reports a signed-in team ('$TEAM')" test -n "$TEAM"
SIGNED_IN_TITLE="Tovi — $TEAM"

check "the icon shows a red badge or dot once the status is in" wait_for 30 icon_has_red
shot "$OUT/01-first-launch-tray.png" "$ICON" 4 400

require "a click on the icon opens the window" open_window
check "the window is titled after the team ('$SIGNED_IN_TITLE')" wait_for 20 window_title_is "$SIGNED_IN_TITLE"
# Signed out the window is about 340 high and a list that has not loaded is shorter still.
# The title can change a moment before the list arrives and the window grows to fit it.
window_is_tall() { window_geometry "$WIN"; test "${WIN_H:-0}" -ge 400; }
wait_for 20 window_is_tall || true
check "the window is tall enough for the spaces list (height $WIN_H)" test "$WIN_H" -ge 400
sleep 1 # let the list paint its rows
shot "$OUT/02-first-launch-spaces.png" "$WIN"
check "the first launch opened no web page" test ! -s "$OPENED"

echo "--- sign-in through the browser"
"$CLI" account logout >/dev/null 2>&1
check "signed out: the window falls back to the plain title" wait_for 20 window_title_is "Tovi"
check "signed out: the icon drops its badge" wait_for 20 icon_has_no_red
sleep 1
shot "$OUT/03-signed-out.png" "$WIN"

window_geometry "$WIN"
read -r bx by <<<"$(find_sign_in)"
require "the signed-out screen shows the prominent Sign in button" test -n "${by:-}"
xdotool mousemove --sync $((WIN_X + bx)) $((WIN_Y + by)) click 1
# Out of the way, so no tooltip covers the screenshots that follow.
xdotool mousemove --sync 0 799
require "Sign in hands one page to the URL opener" wait_for 30 test -s "$OPENED"
URL=$(head -n1 "$OPENED" 2>/dev/null)
check "the page is the origin's approval page ($URL)" \
    sh -c 'case "$1" in "$2"/approve/?*) exit 0 ;; *) exit 1 ;; esac' _ "$URL" "$ORIGIN"
sleep 1
shot "$OUT/04-awaiting-approval.png" "$WIN"
check "while waiting the window still reads signed out" window_title_is "Tovi"

ANSWER=$(node "$HERE/approve_in_browser.js" "$URL" Approve "$OUT" 60 2>"$WORK/browser.log")
rc=$?
[ "$rc" -eq 0 ] || cat "$WORK/browser.log" >&2
require "the browser clicked Approve and got an answer (exit $rc)" test "$rc" -eq 0
check "the page confirms the approval ('$ANSWER')" \
    sh -c 'case "$1" in *approved*) exit 0 ;; *) exit 1 ;; esac' _ "$ANSWER"

check "the window returns to the team's spaces ('$SIGNED_IN_TITLE')" wait_for 40 window_title_is "$SIGNED_IN_TITLE"
wait_for 20 window_is_tall || true
check "the window is back to the spaces list (height $WIN_H)" test "$WIN_H" -ge 400
check "the CLI is signed in again" sh -c '"$1" account me --stdout-format=json | grep -q "$2"' _ "$CLI" "$TEAM"
check "the page was opened exactly once" test "$(wc -l <"$OPENED")" -eq 1
check "the icon shows its badge again" wait_for 20 icon_has_red
sleep 1
shot "$OUT/05-signed-in-spaces.png" "$WIN"
shot "$OUT/06-signed-in-tray.png" "$ICON" 4 400
shot "$OUT/07-screen.png"

finish
