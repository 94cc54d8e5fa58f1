#!/usr/bin/env bash
# Renders every window of the application offscreen to PNG files, for looking at a change of the
# views; prints the folder they are in. Usage:
#   scripts/screenshots.sh [--language de|fr|es] [--font-scale 1.5] [build folder, default build/release]
# --language shows the windows translated and in that locale; --font-scale enlarges the font as a
# desktop's large-text setting does, to find labels that clip.
set -euo pipefail
cd "$(dirname "$0")/.."
while [ $# -gt 0 ]; do
  case "$1" in
    --language) export KESTRIX_SCREENSHOT_LANGUAGE=$2; shift 2 ;;
    --font-scale) export KESTRIX_SCREENSHOT_FONT_SCALE=$2; shift 2 ;;
    -*) echo "screenshots: unknown option $1" >&2; exit 2 ;;
    *) break ;;
  esac
done
build=${1:-build/release}
export KESTRIX_UPDATE_BASE_URL=http://127.0.0.1:9/
export QT_QPA_PLATFORM=offscreen
cmake --build "$build" -j "$(nproc)" --target kestrix-screenshots >/dev/null
"$build/tests/ui/kestrix-screenshots" -silent
echo "screenshots in $build/tests/ui/screenshots"
