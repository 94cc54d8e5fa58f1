#!/usr/bin/env bash
# Runs clang-tidy with the repository's .clang-tidy on the product code (every tracked .cpp under
# src/), each file once with the flags of the build folder's compile database, two files per
# process and one process per core. Any warning fails the run.
# Usage: scripts/tidy.sh [build folder, default build/release]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
jobs=$(nproc)
tidy_dir="$build/tidy"
mkdir -p "$tidy_dir"

# The compile database lists a source once per target that compiles it (fuzz targets, tests); keep
# the first entry of each product source so that every file is checked once.
python3 - "$build/compile_commands.json" "$PWD/src/" >"$tidy_dir/compile_commands.json" <<'PY'
import json, os, sys
entries, seen = [], set()
for entry in json.load(open(sys.argv[1])):
    path = os.path.normpath(os.path.join(entry["directory"], entry["file"]))
    if path.startswith(sys.argv[2]) and path not in seen:
        seen.add(path)
        entries.append(entry)
json.dump(entries, sys.stdout)
PY

log="$tidy_dir/clang-tidy.log"
git ls-files -z -- 'src/*.cpp' |
  xargs -0 -n 2 -P "$jobs" clang-tidy -p "$tidy_dir" --quiet 2>/dev/null >"$log" || true
if grep -q ': warning: \|: error: ' "$log"; then
  grep -A3 ': warning: \|: error: ' "$log"
  echo "clang-tidy: $(grep -c ': warning: \|: error: ' "$log") findings (see above)" >&2
  exit 1
fi
echo "clang-tidy: no findings in $(git ls-files -- 'src/*.cpp' | wc -l) files"
