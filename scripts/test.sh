#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite: a normal build (tests, each benchmark once in short
# mode, clang-tidy, the package), the fuzz targets under libFuzzer (clang), then the tests again
# under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
export KESTRIX_UPDATE_BASE_URL=http://127.0.0.1:9/
export QT_QPA_PLATFORM=offscreen

# Tests of backends that this machine runs once scripts/setup.sh has installed their packages. A
# skip in any of them fails CI: a missing program or a broken daemon must not pass as green. Add a
# test here when setup.sh installs what it needs.
must_not_skip=(
  tst_pulseaudioinput tst_micendtoend # PulseAudio
  tst_hidrawbus                       # umockdev
  tst_edscalendarstore                # evolution-data-server on a private session bus
  tst_pipewirecameradevices           # a private PipeWire daemon
  tst_traypanel                       # Xvfb and dbus-daemon
  tst_accessibility                   # Xvfb, dbus-daemon and at-spi2-core's accessibility bus
  tst_waylandsession                  # sway, swaybar, wtype and Qt's Wayland platform
  tst_logindsleep                     # python3-dbusmock's logind on a private system bus
  soak_short                          # a few simulated days under the sanitizers
)
# A network namespace and a tun device need root (CI runs as root); elsewhere the test skips.
if [ "$(id -u)" -eq 0 ]; then
  must_not_skip+=(tst_netnsinterfaces)
fi

# Runs CTest in build folder $1 (further arguments go to ctest), lists the tests it skipped with
# Qt Test's reasons, and fails when one of them is in must_not_skip.
run_ctest() {
  local dir=$1
  shift
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" "$@" | tee "$dir/ctest-summary.log"
  local skipped name bad=0
  skipped=$(sed -n 's/^[[:space:]]*[0-9]* - \(.*\) (Skipped)$/\1/p' "$dir/ctest-summary.log")
  [ -z "$skipped" ] && return 0
  echo "== skipped in $dir:"
  grep -h '^SKIP   : ' "$dir/Testing/Temporary/LastTest.log" | sort -u || true
  for name in $skipped; do
    for required in "${must_not_skip[@]}"; do
      if [ "$name" = "$required" ]; then
        echo "error: $name skipped, but this machine can run it" >&2
        bad=1
      fi
    done
  done
  return "$bad"
}

# The time each stage took is printed at the end, also when one fails.
timings=()
stage_name="" stage_start=$SECONDS
stage() {
  [ -n "$stage_name" ] && timings+=("$(printf '%5ds  %s' $((SECONDS - stage_start)) "$stage_name")")
  stage_name=$1 stage_start=$SECONDS
  [ -n "$1" ] && echo "== $1"
  return 0
}
trap 'stage ""; printf "%s\n" "== time per stage" "${timings[@]}"' EXIT

stage "set-up"
scripts/setup.sh

stage "format check"
git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror

# Full builds: each library compiled as a few large translation units, and line tables for debug
# information (enough for stack traces and sanitizer reports; nothing here reads more).
fast_build=(-DKESTRIX_UNITY_BUILD=ON)

stage "build (RelWithDebInfo)"
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${fast_build[@]}" \
  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" >/dev/null
cmake --build build/release -j "$jobs"

# The tests mostly wait on timers, sockets and child programs, so clang-tidy runs beside them at a
# lower priority; its findings are printed after the tests' results.
stage "test (RelWithDebInfo), with clang-tidy on the product code beside it"
nice -n 10 scripts/tidy.sh build/release >build/release/tidy.log 2>&1 &
tidy_pid=$!
tests_status=0
run_ctest build/release || tests_status=$?
tidy_status=0
wait "$tidy_pid" || tidy_status=$?
echo "== clang-tidy"
cat build/release/tidy.log
[ "$tests_status" -eq 0 ] || exit "$tests_status"
[ "$tidy_status" -eq 0 ] || exit "$tidy_status"

stage "Debian package from the release build: lintian, desktop entries, AppStream, unpacked run"
scripts/check-package.sh build/release

stage "fuzz targets under libFuzzer (clang)"
cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DKESTRIX_BUILD_TESTS=OFF -DKESTRIX_BUILD_BENCHMARKS=OFF "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" >/dev/null
cmake --build build/fuzz -j "$jobs" --target kestrix_fuzzers
ctest --test-dir build/fuzz -L fuzz --output-on-failure -j "$jobs"

stage "build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# The benchmarks run in the normal build only, so the sanitizer build does not compile them.
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKESTRIX_SANITIZE=ON -DKESTRIX_BUILD_BENCHMARKS=OFF \
  "${fast_build[@]}" -DCMAKE_CXX_FLAGS_DEBUG=-g1 >/dev/null
cmake --build build/asan -j "$jobs"
run_ctest build/asan
