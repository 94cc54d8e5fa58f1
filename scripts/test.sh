#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite: a normal build, the fuzz targets under
# libFuzzer (clang), then everything again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

jobs=$(nproc)
export KESTRIX_UPDATE_BASE_URL=http://127.0.0.1:9/
export QT_QPA_PLATFORM=offscreen

echo "== format check"
git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror

echo "== build and test (RelWithDebInfo)"
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j "$jobs"
ctest --test-dir build/release --output-on-failure -j "$jobs"

echo "== Debian package from the release build: lintian, desktop entries, AppStream, unpacked run"
scripts/check-package.sh build/release

echo "== fuzz targets under libFuzzer (clang)"
cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DKESTRIX_BUILD_TESTS=OFF -DKESTRIX_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build/fuzz -j "$jobs" --target kestrix_fuzzers
ctest --test-dir build/fuzz -L fuzz --output-on-failure -j "$jobs"

echo "== build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKESTRIX_SANITIZE=ON >/dev/null
cmake --build build/asan -j "$jobs"
ctest --test-dir build/asan --output-on-failure -j "$jobs"
