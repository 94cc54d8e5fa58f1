#!/usr/bin/env bash
# The long soak: months of compressed use of the application object against the release build,
# at low priority. Writes the samples and their plot to build/soak/ (samples.csv, soak.svg) and
# prints the resource table and the verdict. Usage: scripts/soak.sh [days, default 60] [build folder]
set -euo pipefail
cd "$(dirname "$0")/.."
days=${1:-60}
build=${2:-build/release}
export KESTRIX_UPDATE_BASE_URL=http://127.0.0.1:9/
export QT_QPA_PLATFORM=offscreen
cmake --build "$build" -j "$(nproc)" --target kestrix-soak >/dev/null
mkdir -p build/soak
status=0
nice "$build/tools/soak/kestrix-soak" --days "$days" --events-per-day 400 --sample-every 100 --warm-up-days 3 \
  --out build/soak | tee build/soak/soak.log || status=$?
python3 tools/soak/plot.py build/soak/samples.csv build/soak/soak.svg
exit "$status"
