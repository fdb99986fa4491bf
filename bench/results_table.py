#!/usr/bin/env python3
"""Turns one scripts/bench run into the Markdown table: Google Benchmark JSON files and
"key value" figure files in OUT_DIR (see scripts/bench). Prints the table."""
import json
import os
import platform
import statistics
import subprocess
import sys
from datetime import datetime, timezone

out = sys.argv[1]


def load(name):
    path = os.path.join(out, name + ".json")
    if not os.path.exists(path):
        return {}
    with open(path) as f:
        data = json.load(f)
    # With repetitions, keep the median aggregate; without, the single run.
    runs = {}
    for b in data.get("benchmarks", []):
        if b.get("error_occurred"):
            continue
        if b.get("run_type") == "aggregate":
            if b.get("aggregate_name") == "median":
                runs[b["run_name"]] = b
        else:
            runs.setdefault(b.get("run_name", b["name"]), b)
    return runs


def figures(name):
    path = os.path.join(out, name)
    values = {}
    if os.path.exists(path):
        with open(path) as f:
            for line in f:
                parts = line.split()
                if len(parts) == 2:
                    values[parts[0]] = parts[1]
    return values


def ms(b, key="real_time"):
    if not b:
        return None
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b.get("time_unit", "ns")]
    return b[key] * scale


def cpu(b):
    return ms(b, "cpu_time")


def fmt_ms(v, digits=2):
    return "n/a" if v is None else f"{v:.{digits}f} ms"


def fmt_us(v):
    return "n/a" if v is None else f"{v * 1000:.0f} µs"


def mbps(b):
    return "n/a" if not b or "bytes_per_second" not in b else f"{b['bytes_per_second'] / 1e6:.0f} MB/s"


def ratio(a, b):
    return "n/a" if not a or not b else f"{ms(a) / ms(b):.1f}×"


def kib_to_mib(v):
    try:
        return f"{float(v) / 1024:.1f} MiB"
    except (TypeError, ValueError):
        return "n/a"


def plain(v, unit):
    return "n/a" if v in (None, "", "n/a") else f"{v} {unit}"


decode = load("DecodeBench")
refresh = load("RefreshBench")
run = load("RunBench")
search = load("SearchBench")
large = load("LargeDataBench")
tray = load("TrayIconBench")
win = figures("window-software")
win_default = figures("window-default")
peer = figures("peer")
big = figures("large-window")


def worst(runs, prefix, measure=ms):
    values = [measure(b) for name, b in runs.items() if name.startswith(prefix)]
    return max(values) if values else None


def wall_cpu(b, digits=2):
    """Wall-clock time, with the CPU time of the benchmark's thread beside it: on a loaded
    machine the wall clock also counts the time other processes had the core."""
    if not b:
        return "n/a"
    return f"{fmt_ms(ms(b), digits)} (CPU {fmt_ms(cpu(b), digits)})"


def worst_wall_cpu(runs, prefix):
    w, c = worst(runs, prefix), worst(runs, prefix, cpu)
    return "n/a" if w is None else f"worst {fmt_ms(w)} (CPU {fmt_ms(c)})"


def median_of(runs, prefix):
    values = [ms(b) for name, b in runs.items() if name.startswith(prefix)]
    return statistics.median(values) if values else None


def renders(label_arg):
    b = tray.get(f"BM_TrayIconPolls/{label_arg}")
    if not b:
        return "n/a"
    return f"{b.get('renders_per_status_change', 0):.2f} ({fmt_us(ms(b))} per poll)"


rows = []


def row(measure, tovi, peer_value="", note=""):
    rows.append((measure, tovi, peer_value, note))


row("Decode, typical snapshot (3 nodes, 10 spaces)", mbps(decode.get("BM_DecodeTypical")), "",
    f"{ratio(decode.get('BM_DecodeTypical'), decode.get('BM_ParseTypical'))} the time of a bare JSON parse")
row("Decode, large snapshot (1,000 nodes × 20 spaces)",
    f"{mbps(decode.get('BM_DecodeLarge'))}, {fmt_ms(ms(decode.get('BM_DecodeLarge')), 1)}", "",
    f"{ratio(decode.get('BM_DecodeLarge'), decode.get('BM_ParseLarge'))} the time of a bare JSON parse")
row("Refresh without the child (typical snapshot)",
    f"{fmt_us(ms(refresh.get('BM_Refresh')))} (CPU {fmt_us(cpu(refresh.get('BM_Refresh')))})", "",
    "decode + store fields + notifications")
row("One status run end to end (fork/exec of the CLI)", wall_cpu(run.get("BM_RunInternalStatus/real_time", run.get("BM_RunInternalStatus"))), "",
    "what each 5 s poll pays in total")
row("Search keystroke, 20,000 spaces: filter + list model",
    worst_wall_cpu(search, "BM_KeystrokeRebuild"), "",
    f"goal ≤ 16 ms; median over the queries {fmt_ms(median_of(search, 'BM_KeystrokeRebuild'))}")
row("Search keystroke, 20,000 spaces, window open: view model → model updated",
    worst_wall_cpu(large, "BM_Keystroke/"), "", "goal ≤ 16 ms")
row("… and the frame rendered", worst_wall_cpu(large, "BM_KeystrokeToFrame/"), "",
    "software renderer, offscreen")
row("New large snapshot, window open: decode → store → list rebuilt",
    wall_cpu(large.get("BM_NewSnapshot/0"), 1), "",
    f"{fmt_ms(ms(large.get('BM_NewSnapshot/1')), 1)} while a search narrows the list")
row("… and the frame rendered", wall_cpu(large.get("BM_NewSnapshotToFrame/0"), 1), "", "")
row("Tray icon renders per status change", renders(0), "",
    f"icon unchanged; {renders(10)} when the badge changes every 10th poll; {renders(1)} every poll")
row("Drawing the tray icon (all sizes)",
    f"{fmt_us(ms(tray.get('BM_TrayIconRender')))} (CPU {fmt_us(cpu(tray.get('BM_TrayIconRender')))})", "", "")
row("Exec → tray icon embedded", plain(win.get("exec_to_icon_ms"), "ms"), plain(peer.get("exec_to_icon_ms"), "ms"),
    "Xvfb + trayer")
row("Idle RSS / PSS, window never opened",
    f"{kib_to_mib(win.get('idle_rss_kb'))} / {kib_to_mib(win.get('idle_pss_kb'))}",
    f"{kib_to_mib(peer.get('idle_rss_kb'))} / {kib_to_mib(peer.get('idle_pss_kb'))}", "10 s after start")
row("RSS / PSS, window open", f"{kib_to_mib(win.get('open_rss_kb'))} / {kib_to_mib(win.get('open_pss_kb'))}", "",
    f"Qt's default renderer: {kib_to_mib(win_default.get('open_rss_kb'))} / {kib_to_mib(win_default.get('open_pss_kb'))}")
row("RSS / PSS, after closing the window",
    f"{kib_to_mib(win.get('closed_rss_kb'))} / {kib_to_mib(win.get('closed_pss_kb'))}", "", "")
row("CPU per minute of idle polling", plain(win.get("idle_cpu_ms_per_min"), "ms"),
    plain(peer.get("idle_cpu_ms_per_min"), "ms"),
    f"{plain(win.get('idle_cpu_with_cli_ms_per_min'), 'ms')} with the CLI children; over {win.get('idle_seconds', '60')} s")
row("Click → first frame, cold (builds the window)", plain(win.get("click_to_frame_cold_ms"), "ms"), "",
    f"Qt's default renderer: {plain(win_default.get('click_to_frame_cold_ms'), 'ms')}")
row("Click → first frame, warm", plain(win.get("click_to_frame_warm_ms"), "ms"), "",
    f"Qt's default renderer: {plain(win_default.get('click_to_frame_warm_ms'), 'ms')}")
if big:
    row("Large account under Xvfb: click → first frame", plain(big.get("large_click_to_frame_ms"), "ms"), "",
        f"RSS with the window open {kib_to_mib(big.get('large_open_rss_kb'))}")

peer_name = peer.get("name", "syncthingtray")
peer_version = peer.get("version", "not installed")
load = os.getloadavg()
print("# Benchmarks")
print()
print(f"{datetime.now(timezone.utc):%Y-%m-%d %H:%M} UTC · {platform.machine()} · {os.cpu_count()} cores · "
      f"load {load[0]:.1f} at the end of the run · Release build · produced by `scripts/bench`.")
print(f"Window figures: median of {win.get('runs', '?')} run(s) of `bench/window.sh`, Qt Widgets "
      f"(raster painting). Side by side: {peer_name} {peer_version}, same Xvfb and trayer set-up.")
print()
print(f"| Measure | Tovi | {peer_name} | Notes |")
print("|---|---:|---:|---|")
for measure, tovi, p, note in rows:
    print(f"| {measure} | {tovi} | {p} | {note} |")
