#!/usr/bin/env bash
# tovi-tray's command line: --help, --version and mistyped options answer without a display; one
# copy of ten keeps running, a new one takes over after a crash, --show and --quit reach it.
set -uo pipefail
TRAY=$1 MANPAGE=$2 VERSION=$3 WORK=$4
source "$(dirname "$0")/common.sh"
require_tools dbus-daemon dbus-send

sandbox "$WORK"
trap session_stop EXIT
# No display of any kind: an option that needed one would fail here.
unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS

run() { # run NAME ARGS...: exit status, standard output and error in $WORK/NAME.{rc,out,err}
    local name=$1
    shift
    "$TRAY" "$@" >"$WORK/$name.out" 2>"$WORK/$name.err"
    echo $? >"$WORK/$name.rc"
}
rc() { cat "$WORK/$1.rc"; }
empty() { ! [ -s "$WORK/$1" ]; }
has() { grep -qF -- "$2" "$WORK/$1"; }

run help --help
check "--help exits 0" test "$(rc help)" = 0
check "--help prints the usage line first" sh -c "head -n1 '$WORK/help.out' | grep -qx 'Usage: tovi-tray \[--show | --quit\] \[--help\] \[--version\]'"
check "--help writes nothing on standard error" empty help.err

run version --version
check "--version exits 0" test "$(rc version)" = 0
check "--version prints the version and build" test "$(cat "$WORK/version.out")" = "tovi-tray $VERSION"
run qt-option -platform offscreen -v
check "-v is --version, beside Qt's own options" cmp -s "$WORK/version.out" "$WORK/qt-option.out"
# Qt's options that take a value keep it, so the value is not read as a stray argument.
run qt-values -qwindowgeometry 300x200+0+0 -qwindowtitle Tovi -qwindowicon tovi -v
check "Qt's options keep their values" cmp -s "$WORK/version.out" "$WORK/qt-values.out"

for row in "unknown|--frobnicate|Unknown option 'frobnicate'." "argument|stray|Unexpected argument 'stray'." \
           "both|--show --quit|--show and --quit cannot be used together."; do
    IFS='|' read -r name arguments message <<<"$row"
    # shellcheck disable=SC2086
    run "$name" $arguments
    check "$arguments: exit status 2" test "$(rc "$name")" = 2
    check "$arguments: says why on standard error" has "$name.err" "tovi-tray: $message"
    check "$arguments: nothing on standard output" empty "$name.out"
done

# The manual page names the same long options as --help.
long_options() { grep -o -- '--[a-z][a-z-]*' | sort -u; }
check "the manual page documents exactly the options of --help" \
    test "$(long_options <"$WORK/help.out")" = "$(sed 's/\\-/-/g' "$MANPAGE" | long_options)"

run no-bus --quit
check "--quit without a session bus fails with status 1" test "$(rc no-bus)" = 1
check "and says so" has no-bus.err "no session bus"

bus_start "$WORK" || exit 1

run not-running --quit
check "--quit with no copy running exits 0" test "$(rc not-running)" = 0
check "and says Tovi is not running" has not-running.err "Tovi is not running."

# Ten copies at once (offscreen, no tray: the window opens by itself; nothing to install from):
# exactly one keeps running and owns the bus name, the others hand over and exit 0.
export TOVI_WEB_ORIGIN=http://127.0.0.1:9 QT_QPA_PLATFORM=offscreen
copies=()
for i in $(seq 1 10); do
    "$TRAY" >"$WORK/copy-$i.log" 2>&1 &
    copies+=($!)
    session_track $!
done
alive() { local p; for p in "${copies[@]}"; do kill -0 "$p" 2>/dev/null && echo "$p"; done; }
wait_for 60 sh -c "[ \$(for p in ${copies[*]}; do kill -0 \$p 2>/dev/null && echo x; done | wc -l) -le 1 ]"
check "exactly one of ten copies keeps running (running: $(alive | wc -l))" test "$(alive | wc -l)" -eq 1
for p in "${copies[@]}"; do
    kill -0 "$p" 2>/dev/null && continue
    wait "$p" || fail "a copy that handed over exited with status $?"
done
check "the survivor owns the bus name" wait_for 15 bus_name_owned dev.tovi.Tovi
check "the lock file exists" test -f "$XDG_DATA_HOME/Tovi/instance.lock"

# After a crash a new copy takes the lock and the name.
kill -KILL "$(alive)"
name_free() { ! bus_name_owned dev.tovi.Tovi; }
wait_for 10 name_free
"$TRAY" >"$WORK/running.log" 2>&1 &
running=$!
session_track $running
check "after a crash a new copy takes over the bus name" wait_for 30 bus_name_owned dev.tovi.Tovi
run show --show
check "--show with a copy running hands over and exits 0" test "$(rc show)" = 0
check "the running copy stays" kill -0 $running
run quit --quit
check "--quit exits 0" test "$(rc quit)" = 0
check "--quit prints nothing" empty quit.err
# --quit returns once the copy has let go of the bus: it has quit, or is just ending.
[ "$(rc quit)" = 0 ] || kill "$running"
wait $running
status=$?
check "the running copy quit with status 0 (got $status)" test "$status" = 0
check "and no longer owns the bus name" name_free

((FAILURES == 0)) || { echo "--- running copy"; tail -20 "$WORK/running.log"; } >&2
exit $((FAILURES > 0))
