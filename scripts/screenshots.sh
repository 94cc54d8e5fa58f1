#!/usr/bin/env bash
# Renders every window of the application offscreen to PNG files, for looking at a change of the
# views; prints the folder they are in. Usage: scripts/screenshots.sh [build folder, default
# build/release]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
export KESTRIX_UPDATE_BASE_URL=http://127.0.0.1:9/
export QT_QPA_PLATFORM=offscreen
cmake --build "$build" -j "$(nproc)" --target kestrix-screenshots >/dev/null
"$build/tests/ui/kestrix-screenshots" -silent
echo "screenshots in $build/tests/ui/screenshots"
