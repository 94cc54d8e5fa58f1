#!/usr/bin/env bash
# Runs every benchmark in full against the release build and prints its figures next to the
# performance targets of the design notes. Takes several minutes (the idle measurement alone
# watches the app for a minute). Usage: scripts/bench.sh [build folder, default build/release]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
export KESTRIX_UPDATE_BASE_URL=http://127.0.0.1:9/
export QT_QPA_PLATFORM=offscreen
unset KESTRIX_BENCH_SHORT

benches=(bench_trigger_to_led bench_trigger bench_firmware_transfer bench_device_manager bench_camera
  bench_windows bench_app bench_memory)
cmake --build "$build" -j "$(nproc)" --target "${benches[@]}" >/dev/null
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for b in "${benches[@]}"; do
  echo "== $b" >&2
  "$build/bench/$b" --benchmark_format=json --benchmark_out="$out/$b.json" --benchmark_out_format=json >/dev/null
done

python3 - "$out" <<'PY'
import json, pathlib, sys

runs = {}  # by base name ("BM_X" of "BM_X/iterations:10/manual_time")
every = []
for path in sorted(pathlib.Path(sys.argv[1]).glob("*.json")):
    for b in json.loads(path.read_text())["benchmarks"]:
        runs[b["name"].split("/")[0]] = b
        every.append(b)

def ms(b):
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b.get("time_unit", "ns")]
    return b["real_time"] * scale

rows = []
def row(name, label, value, unit, target, met):
    rows.append((label, f"{value:,.3f} {unit}" if value is not None else "(not run)", target,
                 "" if value is None else ("ok" if met(value) else "MISSED")))

def get(name):
    return runs.get(name)

b = get("BM_TriggerLineToLEDReport")
row(b, "trigger line to LED report, p99", b and b.get("p99_us") / 1000, "ms", "< 1 ms", lambda v: v < 1)
b = get("BM_OneLineConnections")
row(b, "one-line trigger connections", b and 1000.0 / ms(b), "per s", ">= 10,000 per s", lambda v: v >= 10000)
if b:
    row(b, "trigger memory growth", (b.get("rss_after_KiB", 0) - b.get("rss_before_KiB", 0)) / 1024, "MiB",
        "flat", lambda v: v < 2)
b = get("BM_LargestImageZeroLatency")
row(b, "largest image (65,536 chunks), zero latency", b and ms(b), "ms", "< 1,500 ms", lambda v: v < 1500)
row(b, "app-side cost per chunk", b and ms(b) * 1000 / 65536, "us", "< 20 us", lambda v: v < 20)
b = get("BM_ThousandChunksOneMillisecond")
row(b, "1,000 chunks at a 1 ms round trip", b and ms(b), "ms", "<= 1,020 ms (2 % over)", lambda v: v <= 1020)
b = get("BM_IdleCPU")
row(b, "idle CPU, every watcher running", b and b.get("percent_of_core"), "% of a core", "< 0.05 %",
    lambda v: v < 0.05)
b = get("BM_IdleResidentMemory")
row(b, "idle resident memory", b and b.get("rss_MiB"), "MiB", "< 35 MB", lambda v: v < 35)
b = get("BM_MemoryBesideBareTrayNoServices")
row(b, "resident beside a bare tray app, no services", b and b.get("rss_ratio"), "x", "<= 1.4x", lambda v: v <= 1.4)
row(b, "private beside a bare tray app, no services", b and b.get("private_ratio"), "x", "<= 1.15x",
    lambda v: v <= 1.15)
b = get("BM_MemoryBesideBareTrayBothServices")
row(b, "resident beside a bare tray app, both services", b and b.get("rss_ratio"), "x", "(reported)", lambda v: True)
row(b, "private beside a bare tray app, both services", b and b.get("private_ratio"), "x", "(reported)",
    lambda v: True)
for name, label in (("BM_OpenStatusRulesWindow", "status rules window opens"),
                    ("BM_OpenTimerWindow", "timer window opens")):
    b = get(name)
    row(b, label, b and ms(b), "ms", "< 100 ms", lambda v: v < 100)
b = get("BM_LaunchToDeviceAttached")
row(b, "start-up to tray and HID bus", b and ms(b), "ms", "< 100 ms", lambda v: v < 100)
b = get("BM_AttachToLEDStateResent")
row(b, "device attach to LED state re-sent", b and ms(b), "ms", "< 5 ms", lambda v: v < 5)

width = max(len(r[0]) for r in rows)
print(f"{'measure':<{width}}  {'measured':>22}  {'target':<24}")
for label, value, target, verdict in rows:
    print(f"{label:<{width}}  {value:>22}  {target:<24}{verdict}")
print("\nOther benchmarks (no target of their own):")
named = {"BM_TriggerLineToLEDReport", "BM_OneLineConnections", "BM_LargestImageZeroLatency",
         "BM_ThousandChunksOneMillisecond", "BM_IdleCPU", "BM_IdleResidentMemory", "BM_OpenStatusRulesWindow",
         "BM_OpenTimerWindow", "BM_LaunchToDeviceAttached", "BM_AttachToLEDStateResent",
         "BM_MemoryBesideBareTrayNoServices", "BM_MemoryBesideBareTrayBothServices"}
for b in every:
    if b["name"].split("/")[0] not in named:
        print(f"  {b['name']:<{width}}  {b['real_time']:,.3f} {b.get('time_unit', 'ns')}")
PY
