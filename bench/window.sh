#!/usr/bin/env bash
# Start-up, memory, idle CPU and window-opening figures of tovi-tray under Xvfb with an
# XEmbed tray, against tovi-sim. The window paints with Qt's raster engine ("software", the one
# renderer there is to name in BACKENDS). Prints the median of RUNS runs (default 5).
#
#   bench/window.sh [BUILD_DIR]      (default build/release; builds tovi-tray and tovi-sim)
#   RUNS=5 IDLE_SECONDS=60 BACKENDS=software bench/window.sh
#
# Figures: exec → tray icon embedded; RSS and PSS idle before the window was ever opened,
# with the window open, and after it closed; CPU time of the process (and of the process
# plus its reaped CLI children) over IDLE_SECONDS of idle polling; click → first frame,
# cold (first open, builds the window's widgets) and warm (second open).
#
# Beside Tovi, in the same session and over the same seconds, a baseline: the least a Qt
# Widgets tray costs (bench/IdleTrayBaseline.cpp: an icon, no window, /bin/true every 5 s,
# like Tovi's poll); its idle CPU and RSS, and Tovi's idle CPU as a multiple of it. A second
# one runs Tovi's own status command every 5 s and reads what it prints ("io" figures): the
# same child, the same output, none of Tovi's own work.
# Beside each figure stands its goal, where it has one: idle CPU within 1.15 times the
# baseline, RSS with the window open at most 45 MiB, click → first frame at most 100 ms cold
# and 16 ms warm. Last, a floor to read Tovi's window against: a mock of it in Qt Widgets
# (bench/WidgetsWindowProbe.cpp: the same parts and texts as plain widgets, none of Tovi's view
# models, list model or painting), built on the first click and measured the same way.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build/release}"
RUNS="${RUNS:-5}"
IDLE_SECONDS="${IDLE_SECONDS:-60}"
if [ ! -f "$BUILD/build.ninja" ]; then
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOVI_BUILD_TESTS=OFF -DTOVI_WERROR=OFF
fi
# Timed by the trace lines: a release build with them compiled in.
cmake -B "$BUILD" -DTOVI_BUILD_BENCH=ON -DTOVI_TRACE=ON >/dev/null
cmake --build "$BUILD" --target tovi-tray tovi-sim IdleTrayBaseline WidgetsWindowProbe >/dev/null
source "$ROOT/scripts/x11-session.sh"

# Its own work folder per caller: two runs at once must not delete each other's sandboxes.
WORK="${TOVI_WINDOW_WORK:-$ROOT/build/bench-window}"
rm -rf "$WORK"
mkdir -p "$WORK"
trap session_stop EXIT
session_start "$WORK/session"
export BROWSER=true ASAN_OPTIONS=detect_leaks=0
unset TOVI_DIR

now_ms() { date +%s%3N; }
kb() { awk -v k="$2:" '$1 == k {print $2}' "/proc/$1/smaps_rollup"; }
ticks() { awk '{print $14 + $15, $14 + $15 + $16 + $17}' "/proc/$1/stat"; }
# CPU time of the process's threads in nanoseconds: idle figures are a few ticks a minute,
# too coarse for a ratio.
cpu_ns() { cat /proc/"$1"/task/*/schedstat | awk '{s += $1} END {print s}'; }
CLK=$(getconf CLK_TCK)
median() { sort -n | awk '{a[NR] = $1} END {if (NR == 0) print "n/a"; else if (NR % 2) print a[(NR + 1) / 2]; else print (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }
baseline_icons() { # how many baseline icons the panel holds
    local panel
    for panel in $(xdotool search --class trayer 2>/dev/null); do
        xwininfo -id "$panel" -tree 2>/dev/null | grep -c '("IdleTrayBaseline" ' || true
    done | awk '{n += $1} END {print n + 0}'
}
both_baselines() { [ "$(baseline_icons)" -ge 2 ]; }
trace_at() { grep "tovi-trace: $2 " "$1" | sed -n "${3:-1}p" | awk '{print $3}'; }

one_run() { # one_run BACKEND RUNDIR → appends "key value" lines to RUNDIR/figures
    local backend=$1 dir=$2 pid base io t0 t1 icon win c0 c1 b0 b1 n0 n1 m0 m1 i0 i1 log
    mkdir -p "$dir/home"
    session_track_service "$dir/home" # also when the run fails half-way
    export HOME="$dir/home" XDG_CONFIG_HOME="$dir/home/.config" XDG_DATA_HOME="$dir/home/.local/share"
    export XDG_CACHE_HOME="$dir/home/.cache"
    "$BUILD/bin/tovi-sim" serve --port 0 >"$dir/origin" 2>/dev/null &
    local sim=$!
    wait_for 30 test -s "$dir/origin" || { echo "tovi-sim did not start" >&2; return 1; }
    export TOVI_WEB_ORIGIN="$(head -n1 "$dir/origin")"
    # Installed beforehand: the figures are for a settled application, not the first launch.
    HOME="$dir/home" curl -fsSL "$TOVI_WEB_ORIGIN/install.sh" | HOME="$dir/home" bash >/dev/null
    HOME="$dir/home" "$dir/home/.local/bin/tovi" install service >/dev/null

    log="$dir/tray.log"
    t0=$(now_ms)
    TOVI_TRACE_FIRST_FRAME=1 "$BUILD/bin/tovi-tray" >"$log" 2>&1 &
    pid=$!
    while ! tray_icon_window >/dev/null 2>&1; do sleep 0.01; done
    t1=$(now_ms)
    icon=$(tray_icon_window)
    echo "exec_to_icon_ms $((t1 - t0))" >>"$dir/figures"
    "$BUILD/bin/IdleTrayBaseline" >"$dir/baseline.log" 2>&1 &
    base=$!
    "$BUILD/bin/IdleTrayBaseline" "$dir/home/.local/bin/tovi" >"$dir/baseline-io.log" 2>&1 &
    io=$!
    wait_for 30 both_baselines || { echo "the baseline tray icons did not appear" >&2; return 1; }

    sleep 10
    echo "idle_rss_kb $(kb $pid Rss)" >>"$dir/figures"
    echo "idle_pss_kb $(kb $pid Pss)" >>"$dir/figures"
    echo "baseline_rss_kb $(kb $base Rss)" >>"$dir/figures"
    read -r c0 c0all < <(ticks $pid)
    read -r b0 b0all < <(ticks $base)
    n0=$(cpu_ns $pid) m0=$(cpu_ns $base) i0=$(cpu_ns $io)
    sleep "$IDLE_SECONDS"
    read -r c1 c1all < <(ticks $pid)
    read -r b1 b1all < <(ticks $base)
    n1=$(cpu_ns $pid) m1=$(cpu_ns $base) i1=$(cpu_ns $io)
    kill $base $io 2>/dev/null || true
    wait $base $io 2>/dev/null || true
    echo "idle_cpu_ms_per_min $(((n1 - n0) * 60 / 1000000 / IDLE_SECONDS))" >>"$dir/figures"
    echo "idle_cpu_with_cli_ms_per_min $(((c1all - c0all) * 1000 * 60 / CLK / IDLE_SECONDS))" >>"$dir/figures"
    echo "baseline_cpu_ms_per_min $(((m1 - m0) * 60 / 1000000 / IDLE_SECONDS))" >>"$dir/figures"
    echo "baseline_cpu_with_child_ms_per_min $(((b1all - b0all) * 1000 * 60 / CLK / IDLE_SECONDS))" >>"$dir/figures"
    awk -v t=$((n1 - n0)) -v b=$((m1 - m0)) 'BEGIN {printf "idle_cpu_ratio %.2f\n", (b > 0 ? t / b : 0)}' >>"$dir/figures"
    echo "baseline_io_cpu_ms_per_min $(((i1 - i0) * 60 / 1000000 / IDLE_SECONDS))" >>"$dir/figures"
    awk -v t=$((n1 - n0)) -v b=$((i1 - i0)) 'BEGIN {printf "idle_cpu_ratio_io %.2f\n", (b > 0 ? t / b : 0)}' >>"$dir/figures"

    click_window_centre "$icon"
    wait_for 20 tovi_window
    wait_for 10 sh -c "grep -q 'tovi-trace: frame' '$log'"
    sleep 3
    echo "open_rss_kb $(kb $pid Rss)" >>"$dir/figures"
    echo "open_pss_kb $(kb $pid Pss)" >>"$dir/figures"
    win=$(tovi_window)
    xdotool key Escape
    wait_for 10 no_tovi_window
    sleep 3
    echo "closed_rss_kb $(kb $pid Rss)" >>"$dir/figures"
    echo "closed_pss_kb $(kb $pid Pss)" >>"$dir/figures"
    click_window_centre "$icon"
    wait_for 10 sh -c "[ \$(grep -c 'tovi-trace: frame' '$log') -ge 2 ]"
    awk -v c="$(trace_at "$log" click 1)" -v f="$(trace_at "$log" frame 1)" \
        'BEGIN {printf "click_to_frame_cold_ms %.1f\n", f - c}' >>"$dir/figures"
    awk -v c="$(trace_at "$log" click 2)" -v f="$(trace_at "$log" frame 2)" \
        'BEGIN {printf "click_to_frame_warm_ms %.1f\n", f - c}' >>"$dir/figures"

    kill $pid $sim 2>/dev/null || true
    wait $pid $sim 2>/dev/null || true
    HOME="$dir/home" "$dir/home/.local/bin/tovi" uninstall service >/dev/null 2>&1 || true
}

probe_icon_window() {
    local panel id
    for panel in $(xdotool search --class trayer 2>/dev/null); do
        id=$(xwininfo -id "$panel" -tree 2>/dev/null | awk '/\("WidgetsWindowProbe" / {print $1; exit}')
        [ -n "$id" ] && { printf '%d\n' "$id"; return 0; }
    done
    return 1
}
frames_at_least() { [ "$(grep -c 'tovi-trace: frame' "$1")" -ge "$2" ]; }

widgets_run() { # widgets_run RUNDIR → the probe's figures, as one_run's
    local dir=$1 pid icon log=$1/probe.log
    mkdir -p "$dir"
    "$BUILD/bin/WidgetsWindowProbe" >"$log" 2>&1 &
    pid=$!
    wait_for 30 probe_icon_window || { echo "the probe's icon did not appear" >&2; return 1; }
    icon=$(probe_icon_window)
    sleep 10
    echo "idle_rss_kb $(kb $pid Rss)" >>"$dir/figures"
    click_window_centre "$icon"
    wait_for 10 frames_at_least "$log" 1
    sleep 3
    echo "open_rss_kb $(kb $pid Rss)" >>"$dir/figures"
    click_window_centre "$icon"
    wait_for 10 no_tovi_window
    click_window_centre "$icon"
    wait_for 10 frames_at_least "$log" 2
    awk -v c="$(trace_at "$log" click 1)" -v f="$(trace_at "$log" frame 1)" \
        'BEGIN {printf "click_to_frame_cold_ms %.1f\n", f - c}' >>"$dir/figures"
    awk -v c="$(trace_at "$log" click 3)" -v f="$(trace_at "$log" frame 2)" \
        'BEGIN {printf "click_to_frame_warm_ms %.1f\n", f - c}' >>"$dir/figures"
    kill $pid 2>/dev/null || true
    wait $pid 2>/dev/null || true
}

goal() { # the goal beside a figure
    case $1 in
        open_rss_kb) echo "(goal ≤ 46080)" ;;
        idle_cpu_ratio) echo "(goal ≤ 1.15)" ;;
        click_to_frame_cold_ms) echo "(goal ≤ 100)" ;;
        click_to_frame_warm_ms) echo "(goal ≤ 16)" ;;
    esac
}

for backend in ${BACKENDS:-software}; do
    for i in $(seq 1 "$RUNS"); do
        one_run "$backend" "$WORK/$backend-$i"
    done
    echo "== $backend renderer (median of $RUNS)"
    for key in exec_to_icon_ms idle_rss_kb idle_pss_kb open_rss_kb open_pss_kb closed_rss_kb closed_pss_kb \
        baseline_rss_kb idle_cpu_ms_per_min idle_cpu_with_cli_ms_per_min baseline_cpu_ms_per_min \
        baseline_cpu_with_child_ms_per_min idle_cpu_ratio baseline_io_cpu_ms_per_min idle_cpu_ratio_io \
        click_to_frame_cold_ms click_to_frame_warm_ms; do
        printf '  %-30s %-10s %s\n' "$key" "$(cat "$WORK/$backend"-*/figures | awk -v k=$key '$1 == k {print $2}' | median)" \
            "$(goal $key)"
    done
done
for i in $(seq 1 "$RUNS"); do
    widgets_run "$WORK/widgets-$i"
done
echo "== a mock of the window in plain Qt Widgets (probe; median of $RUNS)"
for key in idle_rss_kb open_rss_kb click_to_frame_cold_ms click_to_frame_warm_ms; do
    printf '  %-30s %-10s %s\n' "$key" "$(cat "$WORK"/widgets-*/figures | awk -v k=$key '$1 == k {print $2}' | median)" \
        "$(goal $key)"
done
