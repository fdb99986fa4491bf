#!/usr/bin/env bash
# Desktop notifications from the real tovi-tray through a real notification server (dunst) on
# the session's private bus, its Notify calls captured by dbus-monitor:
#   notifications_e2e.sh TOVI-TRAY TOVI-SIM OUT      screenshots and logs in OUT/
set -uo pipefail
TRAY=$1 SIM=$2 OUT=$3 TAG=notifications
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
require_tools Xvfb openbox trayer dunst dunstctl dbus-monitor dbus-send import convert

WORK="$OUT/run" LOG="$OUT/run/tray.log" TRAY_PID=""
sandbox "$WORK"
mkdir -p "$OUT"
rm -f "$OUT"/*.png
stop_app() { app_stop "$TRAY_PID"; stop_sandbox_service "$HOME"; }
trap 'stop_app; session_stop' EXIT

session_start "$WORK/session" openbox trayer || exit 1
# The context menu's pick: the entry of the "open" action (dunst lists "#Label (summary) [id,key]").
cat >"$WORK/pick" <<'PICK'
#!/bin/sh
tee "$(dirname "$0")/menu" | grep -m1 ',open]$'
PICK
chmod +x "$WORK/pick"
cat >"$WORK/dunstrc" <<INI
[global]
markup = full
format = "<b>%s</b>\n%b"
font = DejaVu Sans 10
width = 360
origin = top-right
offset = 10x40
dmenu = $WORK/pick
[urgency_normal]
timeout = 0
INI
dunst -conf "$WORK/dunstrc" >"$WORK/dunst.log" 2>&1 &
session_track $!
check "the notification server is up" wait_for 10 bus_name_owned org.freedesktop.Notifications
dbus-monitor --session "type='method_call',interface='org.freedesktop.Notifications',member='Notify'" \
    >"$WORK/notify.log" 2>&1 &
session_track $!

"$SIM" serve --port 0 >"$WORK/origin" 2>"$WORK/sim.log" &
session_track $!
wait_for 15 test -s "$WORK/origin" || { echo "tovi-sim did not start" >&2; exit 1; }
export TOVI_WEB_ORIGIN="$(head -n1 "$WORK/origin")"
TOVI_DEV_POLL_INTERVAL_MS=500 "$TRAY" >"$LOG" 2>&1 &
TRAY_PID=$!
session_track $TRAY_PID
CLI="$HOME/.local/bin/tovi"
check "Tovi installs the stand-in and reads its status" wait_for 60 test -s "$HOME/.tovi/status.json"
# Two polls past the first good reading: the start-up state is in, and told nobody.
sleep 1.5
notices() { grep -c 'member=Notify' "$WORK/notify.log"; }
check "nothing is told for the state found at start-up ($(notices) notices)" test "$(notices)" -eq 0

# A space turns to attention: one notice, its name and label as written.
"$CLI" internal status --stdout-format=json >"$WORK/status.json"
python3 - "$WORK/status.json" >"$WORK/attention.json" <<'PY'
import json, sys
s = json.load(open(sys.argv[1]))
space = s["spaces"]["nodes"][0]["spaces"][0]
space["name"] = "<b>Café</b> & co"
space["indicator"] = "attention"
space["indicator_label"] = "Waiting for approval <i>now</i>"
print(json.dumps(s))
PY
"$SIM" scenario status "@$WORK/attention.json" >/dev/null
told() { grep -a -q "$1" "$WORK/notify.log"; }
check "a space that needs attention is told" wait_for 15 told 'needs attention'
sleep 1.5 # more polls of the same state
check "it is told once ($(notices) notices)" test "$(notices)" -eq 1
check "the summary carries the name as plain text" told 'string "<b>Café</b> & co needs attention"'
check "the body is escaped for a server that reads markup" \
    told 'string "Waiting for approval &lt;i&gt;now&lt;/i&gt; on '
check "the notice names Tovi's desktop entry" told 'string "dev.tovi.Tovi"'
sleep 0.5
shot "$OUT/attention-notice.png"
# "Open" through dunst's context menu: the space's page opens.
dunstctl context
opened() { grep -q "/spaces/" "$WORK/opened-urls" 2>/dev/null; }
check "Open opens the space's page" wait_for 10 opened

# The service stops: told once, with Start.
"$CLI" uninstall service >/dev/null
check "a stopped service is told" wait_for 15 told 'The Tovi service stopped'
shot "$OUT/service-notice.png"

# Switched off: nothing at all.
before=$(notices)
app_stop "$TRAY_PID"
conf="$HOME/.config/Tovi/Tovi.conf"
mkdir -p "${conf%/*}"; [ -s "$conf" ] || printf "[General]\n" >"$conf"
if grep -q '^\[General\]' "$conf"; then sed -i '/^\[General\]/a notifications=false' "$conf"; else sed -i '1i notifications=false' "$conf"; fi
TOVI_DEV_POLL_INTERVAL_MS=500 "$TRAY" >>"$LOG" 2>&1 &
TRAY_PID=$!
session_track $TRAY_PID
sleep 2
"$CLI" install service >/dev/null
"$CLI" uninstall service >/dev/null
"$SIM" scenario status default >/dev/null
sleep 3
check "with the switch off nothing is told ($before -> $(notices))" test "$(notices)" -eq "$before"

echo "screenshots in $OUT"
if ((FAILURES > 0)); then
    for log in "$LOG" "$WORK/dunst.log" "$WORK/notify.log"; do
        echo "--- $log"
        tail -n 30 "$log"
    done >&2
fi
exit $((FAILURES > 0))
