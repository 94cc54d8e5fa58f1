#!/usr/bin/env bash
# Sets up, builds and runs Kestrix against a simulated Dorvel: kestrix-devsim runs in the
# foreground (it shows the LED and takes the commands plug, unplug and quit), Kestrix runs beside
# it on a private device bus. Ctrl-C stops both. Without a display Kestrix runs offscreen.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release --target kestrix kestrix-devsim

bus=$(mktemp -d "${TMPDIR:-/tmp}/kestrix-bus.XXXXXX")
app_pid=
cleanup() {
  trap - EXIT INT TERM
  if [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; then
    kill "$app_pid" 2>/dev/null || true
    wait "$app_pid" 2>/dev/null || true
  fi
  rm -rf "$bus"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  export QT_QPA_PLATFORM=offscreen
fi
# Nothing started from here may reach an update server other than one on this machine.
export KESTRIX_UPDATE_BASE_URL="${KESTRIX_UPDATE_BASE_URL:-http://127.0.0.1:8787}"

KESTRIX_DEVICE_BUS="$bus" build/release/src/app/kestrix &
app_pid=$!
echo "Kestrix is running (pid $app_pid) on the simulated device bus $bus."
echo "Type plug, unplug or quit; Ctrl-C stops both."
build/release/tools/devsim/kestrix-devsim --bus "$bus" || true
