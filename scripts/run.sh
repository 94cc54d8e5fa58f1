#!/usr/bin/env bash
# Sets up, builds and runs Kestrix against a simulated Dorvel: kestrix-devsim runs in the
# foreground (it shows the LED and takes the commands plug, unplug and quit), Kestrix runs beside
# it on a private device bus. Ctrl-C stops both. Without a display Kestrix runs offscreen.
# A demonstration update server on 127.0.0.1 publishes firmware newer than the simulated device's
# and a newer app release (see the README for why the app update stops short from a build folder).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release --target kestrix kestrix-devsim

bus=$(mktemp -d "${TMPDIR:-/tmp}/kestrix-bus.XXXXXX")
server=$(mktemp -d "${TMPDIR:-/tmp}/kestrix-releases.XXXXXX")
app_pid=
server_pid=
cleanup() {
  trap - EXIT INT TERM
  for pid in "$app_pid" "$server_pid"; do
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
      kill "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
    fi
  done
  rm -rf "$bus" "$server"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  export QT_QPA_PLATFORM=offscreen
fi
# Nothing started from here may reach an update server other than one on this machine.
export KESTRIX_UPDATE_BASE_URL="${KESTRIX_UPDATE_BASE_URL:-http://127.0.0.1:8787}"

# Demonstration releases, served on loopback only: firmware 1.1.0 for the simulated RP2350 (which
# runs 1.0.0), as an image the simulator boots, and an app release one patch newer than this build.
demo_port=${KESTRIX_DEMO_PORT:-8787}
if [ "$KESTRIX_UPDATE_BASE_URL" = "http://127.0.0.1:$demo_port" ]; then
  releases="$server/releases"
  mkdir -p "$releases/tarn-rp2350" "$releases/linux"
  build/release/tools/devsim/kestrix-devsim --make-image "$releases/tarn-rp2350/tarn-rp2350-1.1.0.bin" --version 1.1.0
  printf '{"version": "1.1.0", "asset": "tarn-rp2350-1.1.0.bin"}\n' >"$releases/tarn-rp2350/latest.json"
  app_version=$(sed -n 's/^project(Kestrix VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
  next_version="${app_version%.*}.$((${app_version##*.} + 1))"
  printf '{"version": "%s", "asset": "Kestrix-%s-linux-%s.tar.gz"}\n' "$next_version" "$next_version" \
    "$(uname -m)" >"$releases/linux/latest.json"
  python3 -m http.server --bind 127.0.0.1 --directory "$server" "$demo_port" >/dev/null 2>&1 &
  server_pid=$!
  # Kestrix checks for an app update as it starts: let the server listen first.
  for _ in $(seq 50); do
    (exec 3<>"/dev/tcp/127.0.0.1/$demo_port") 2>/dev/null && break
    sleep 0.1
  done
  echo "Demo update server on 127.0.0.1:$demo_port: firmware 1.1.0 and Kestrix $next_version."
fi

KESTRIX_DEVICE_BUS="$bus" build/release/src/app/kestrix --verbose &
app_pid=$!
echo "Kestrix is running (pid $app_pid) on the simulated device bus $bus."
echo "Type plug, unplug or quit; Ctrl-C stops both."
build/release/tools/devsim/kestrix-devsim --bus "$bus" || true
