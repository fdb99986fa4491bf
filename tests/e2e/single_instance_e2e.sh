#!/usr/bin/env bash
# Ten copies started at once: exactly one keeps running and owns the bus name, the others
# exit 0. After the survivor is killed with SIGKILL, a new copy takes the lock.
set -uo pipefail
TRAY=$1 WORK=$2
source "$(dirname "$0")/common.sh"
require_tools dbus-daemon dbus-send

sandbox "$WORK"
trap session_stop EXIT
# No display is needed: without a tray the window opens offscreen.
export QT_QPA_PLATFORM=offscreen
: >"$WORK/bus"
dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$WORK/bus" >/dev/null 2>&1 &
session_track $!
wait_for 10 test -s "$WORK/bus" || { echo "dbus-daemon did not start" >&2; exit 1; }
export DBUS_SESSION_BUS_ADDRESS="$(head -n1 "$WORK/bus")"
# Nothing to install from: the set-up fails quickly and quietly.
export TOVI_WEB_ORIGIN=http://127.0.0.1:9

pids=()
for i in $(seq 1 10); do
    "$TRAY" >"$WORK/copy-$i.log" 2>&1 &
    pids+=($!)
done
for p in "${pids[@]}"; do session_track "$p"; done

# Nine must leave by themselves; the deadline only bounds a hang.
alive() { local n=0 p; for p in "${pids[@]}"; do kill -0 "$p" 2>/dev/null && n=$((n + 1)); done; echo $n; }
wait_for 60 sh -c "[ \$(for p in ${pids[*]}; do kill -0 \$p 2>/dev/null && echo x; done | wc -l) -le 1 ]"
check "exactly one of ten copies keeps running (running: $(alive))" test "$(alive)" -eq 1

survivor=""
for p in "${pids[@]}"; do
    if kill -0 "$p" 2>/dev/null; then
        survivor=$p
    else
        wait "$p"
        rc=$?
        [ "$rc" -eq 0 ] || fail "a copy that handed over exited with status $rc"
    fi
done
check "the survivor owns the application's bus name" wait_for 15 bus_name_owned dev.tovi.Tovi
check "the lock file exists" test -f "$XDG_DATA_HOME/Tovi/instance.lock"

if [ -n "$survivor" ]; then
    kill -KILL "$survivor"
    wait "$survivor" 2>/dev/null
    wait_for 10 sh -c '! dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner string:dev.tovi.Tovi | grep -q "boolean true"'
    "$TRAY" >"$WORK/after-crash.log" 2>&1 &
    next=$!
    session_track $next
    check "after a crash a new copy takes over the bus name" wait_for 20 bus_name_owned dev.tovi.Tovi
    check "and keeps running" kill -0 "$next"
fi

((FAILURES == 0)) || { echo "--- survivor log"; tail -20 "$WORK"/copy-*.log; } >&2
exit $((FAILURES > 0))
