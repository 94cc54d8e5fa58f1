#!/usr/bin/env bash
# Builds the Debian package of Kestrix and checks it (scripts/check-package.sh):
#
#   scripts/package.sh          -> build/release/package/kestrix_<version>_<arch>.deb
#
# Install it with: sudo apt install ./build/release/package/kestrix_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# Only what the package installs; the tests are not needed for it.
cmake --build build/release -j "$(nproc)" --target kestrix kestrix-signal kestrix-devsim kestrix_guide \
  kestrix_packaging_files
scripts/check-package.sh build/release
