#!/usr/bin/env bash
# Sets up, builds and runs Kestrix.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKESTRIX_BUILD_TESTS=OFF -DKESTRIX_BUILD_BENCHMARKS=OFF -DKESTRIX_BUILD_FUZZERS=OFF >/dev/null
cmake --build build/release --target kestrix
# Nothing started from here may reach an update server other than one on this machine.
export KESTRIX_UPDATE_BASE_URL="${KESTRIX_UPDATE_BASE_URL:-http://127.0.0.1:8787}"
exec build/release/src/app/kestrix "$@"
