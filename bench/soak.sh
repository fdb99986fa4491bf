#!/usr/bin/env bash
# Soak run: tovi-tray (Release) against tovi-sim with a snapshot that changes on every
# call, polling every 50 ms, with the window open, for MINUTES minutes (default 10), under
# Xvfb with an XEmbed tray and a private session bus, in a sandbox HOME.
#
#   bench/soak.sh [MINUTES]          (TOVI_SOAK_BUILD_DIR, default build/soak)
#
# Every 10 s it samples the process: RSS (VmRSS), open descriptors, zombie children (a
# child that stays a zombie across two looks 0.5 s apart is one the app never reaped), and
# the number of status calls the stand-in CLI has answered. It prints the curve, writes it
# to bench/results/soak.md and ends with a verdict:
#   - RSS does not grow after the first minute: the highest sample of the last five minutes
#     (the last half for shorter runs) is at most the highest of minutes 1–2 plus 2 MiB;
#   - the descriptor count (the fewest of five looks, so that the pipes of a status call in
#     flight don't count) of the tail stays within that of minutes 1–2;
#   - no zombie children; the window is still open and the process still alive.
# Exit status 0 when every check passes, 1 otherwise.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
source "$ROOT/scripts/lib.sh"
MINUTES="${1:-10}"
[[ "$MINUTES" =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [MINUTES]" >&2; exit 2; }
SAMPLE_SECONDS=10
POLL_MS=50
BUILD="${TOVI_SOAK_BUILD_DIR:-$ROOT/build/soak}"
# The fast poll below is a developer switch, compiled in on request only.
if ! grep -qs '^TOVI_DEVELOPER_SWITCHES:BOOL=ON$' "$BUILD/CMakeCache.txt"; then
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOVI_SANITIZE=OFF -DTOVI_BUILD_TESTS=OFF \
        -DTOVI_DEVELOPER_SWITCHES=ON
fi
cmake --build "$BUILD" -j "$(jobs)" --target tovi-tray tovi-sim >/dev/null

source "$ROOT/scripts/x11-session.sh"
WORK="$ROOT/build/soak-run"
rm -rf "$WORK"
trap session_stop EXIT
trap 'exit 130' INT TERM
session_start "$WORK/session"

settled_sandbox "$WORK" "$BUILD"
"$BUILD/bin/tovi-sim" scenario set '{"churn": true}' >/dev/null
calls() { sed -n 's/.*"calls"[^0-9]*\([0-9]*\).*/\1/p' "$HOME/.tovi/churn.json" 2>/dev/null || true; }

TOVI_DEV_POLL_INTERVAL_MS=$POLL_MS "$BUILD/bin/tovi-tray" >"$WORK/tray.log" 2>&1 &
PID=$!
session_track $PID
wait_for 20 tray_icon_window || { echo "no tray icon; see $WORK/tray.log" >&2; exit 1; }
click_window_centre "$(tray_icon_window)"
wait_for 20 tovi_window || { echo "the window did not open" >&2; exit 1; }
sleep 2
shot "$WORK/window-start.png" "$(tovi_window)"

rss_kb() { awk '$1 == "VmRSS:" {print $2}' "/proc/$PID/status"; }
# The fewest descriptors of five looks 50 ms apart: a status call in flight holds a few pipe
# ends for a moment, a leak holds them for good.
fd_count() {
    local n least=
    for _ in 1 2 3 4 5; do
        n=$(ls "/proc/$PID/fd" | wc -l)
        [ -z "$least" ] || ((n < least)) && least=$n
        sleep 0.05
    done
    echo "$least"
}
zombie_pids() { ps --ppid "$PID" -o pid=,stat= | awk '$2 ~ /Z/ {print $1}' | sort; }
cpu_ms() { awk -v hz="$(getconf CLK_TCK)" '{print int(($14 + $15) * 1000 / hz)}' "/proc/$PID/stat"; }
# Zombies that are still zombies half a second later: children nobody reaps.
stuck_zombies() {
    local first
    first=$(zombie_pids)
    [ -z "$first" ] && { echo 0; return; }
    sleep 0.5
    comm -12 <(echo "$first") <(zombie_pids) | sed '/^$/d' | wc -l
}

CURVE="$WORK/curve.tsv"
printf 't_s\trss_kb\tfds\tzombies\tcalls\tcpu_ms\twindow\n' >"$CURVE"
printf '%6s %9s %5s %8s %9s %8s %8s\n' t_s rss_kb fds zombies calls calls/s cpu_ms
start=$SECONDS
samples=$((MINUTES * 60 / SAMPLE_SECONDS))
prev_calls=$(calls)
alive=1
for ((i = 1; i <= samples; i++)); do
    wait_s=$((start + i * SAMPLE_SECONDS - SECONDS))
    ((wait_s > 0)) && sleep "$wait_s"
    if ! kill -0 "$PID" 2>/dev/null; then
        alive=0
        echo "tovi-tray exited; see $WORK/tray.log"
        break
    fi
    t=$((i * SAMPLE_SECONDS))
    rss=$(rss_kb) fds=$(fd_count) z=$(stuck_zombies) c=$(calls) cpu=$(cpu_ms)
    c=${c:-0}
    win=$([ -n "$(tovi_window)" ] && echo open || echo closed)
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$t" "$rss" "$fds" "$z" "$c" "$cpu" "$win" >>"$CURVE"
    printf '%6d %9d %5d %8d %9d %8.1f %8d %s\n' "$t" "$rss" "$fds" "$z" "$c" \
        "$(awk -v a="$c" -v b="${prev_calls:-0}" -v s=$SAMPLE_SECONDS 'BEGIN {print (a - b) / s}')" "$cpu" "$win"
    prev_calls=$c
done
[ -n "$(tovi_window)" ] && shot "$WORK/window-end.png" "$(tovi_window)"

# The verdict, from the curve.
tail_s=$((MINUTES >= 10 ? 300 : MINUTES * 30))
end_s=$((MINUTES * 60))
verdict=$(awk -F'\t' -v tail_from=$((end_s - tail_s)) -v tail_s=$tail_s -v alive=$alive -v minutes="$MINUTES" \
    -v sample_s=$SAMPLE_SECONDS '
    NR == 1 { next }
    { n++; last_window = $7; calls = $5 }
    $1 > 60 && $1 <= 120 { if ($2 > base_rss) base_rss = $2; if ($3 > base_fd) base_fd = $3 }
    $1 > tail_from { if ($2 > tail_rss) tail_rss = $2; if ($3 > tail_fd) tail_fd = $3 }
    $4 > 0 { zombies += $4 }
    $7 != "open" { closed++ }
    END {
        ok = 1
        if (minutes < 3) { print "too short for a memory verdict (needs 3 minutes or more)"; ok = 0 }
        else {
            grow = tail_rss - base_rss
            printf "RSS: max of minutes 1-2 %d KiB, max of the last %d s %d KiB (%+d KiB; limit +2048): %s\n",
                base_rss, tail_s, tail_rss, grow, grow <= 2048 ? "ok" : "GROWS"
            if (grow > 2048) ok = 0
            printf "descriptors: max of minutes 1-2 %d, max of the tail %d: %s\n",
                base_fd, tail_fd, tail_fd <= base_fd ? "ok" : "LEAK"
            if (tail_fd > base_fd) ok = 0
        }
        printf "zombie children seen in %d samples: %s\n", zombies, zombies == 0 ? "ok" : "LEAK"
        if (zombies) ok = 0
        printf "window open in every sample: %s\n", closed ? "no (" closed " closed)" : "ok"
        if (closed) ok = 0
        if (!alive) { print "process: EXITED"; ok = 0 }
        printf "status calls answered: %d (%.1f per second)\n", calls, calls / (n * sample_s)
        print ok ? "VERDICT: PASS" : "VERDICT: FAIL"
    }' "$CURVE")
echo
echo "$verdict"

mkdir -p "$ROOT/bench/results"
{
    echo "# Soak run"
    echo
    echo "$(date -u +%Y-%m-%d), $(uname -m), $(nproc) cores, ${MINUTES} min, polling every ${POLL_MS} ms," \
        "a changing snapshot on every call, window open, Xvfb + trayer. Produced by \`bench/soak.sh\`."
    echo
    echo '| t (s) | RSS (KiB) | fds | zombies | status calls | CPU (ms) | window |'
    echo '|---:|---:|---:|---:|---:|---:|---|'
    awk -F'\t' 'NR > 1 {printf "| %s | %s | %s | %s | %s | %s | %s |\n", $1, $2, $3, $4, $5, $6, $7}' "$CURVE"
    echo
    echo '```'
    echo "$verdict"
    echo '```'
} >"$ROOT/bench/results/soak.md"
echo "Curve: $CURVE; summary: bench/results/soak.md"
grep -q 'VERDICT: PASS' <<<"$verdict"
