#!/usr/bin/env bash
# Runs clang-tidy with the repository's .clang-tidy on the product code (every tracked .cpp under
# src/), each file once with the flags of the build folder's compile database, one process per
# core. Any warning fails the run.
#
# A file that passed is remembered by a key made of the contents of the source and of every header
# the build's compiler read for it (as ninja recorded them), its flags, the .clang-tidy file and
# clang-tidy's version, with the checkout's and build folder's paths left out so that clones in
# other folders share it; while none of these change, the file is not checked again. Findings are
# never remembered, and a file whose reads the build did not record is always checked. The record
# lives in KESTRIX_TIDY_CACHE (default ~/.cache/kestrix/tidy); KESTRIX_TIDY_CACHE=off checks all.
#
# Usage: scripts/tidy.sh [build folder, default build/release]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
tidy_dir="$build/tidy"
mkdir -p "$tidy_dir"

# Without a home folder or a cache folder there is nowhere to remember passes: every file is checked.
cache_home=${XDG_CACHE_HOME:-${HOME:+$HOME/.cache}}
exec python3 - "$build" "$tidy_dir" "$(nproc)" "${KESTRIX_TIDY_CACHE:-${cache_home:+$cache_home/kestrix/tidy}}" <<'PY'
import concurrent.futures, hashlib, json, os, re, shlex, subprocess, sys

build, tidy_dir, jobs, cache = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
root = os.getcwd()
build_abs = os.path.abspath(build)
sources = subprocess.run(["git", "ls-files", "-z", "--", "src/*.cpp"], check=True,
                         capture_output=True, text=True).stdout.split("\0")
wanted = {os.path.join(root, s) for s in sources if s}

# The compile database lists a source once per target that compiles it (fuzz targets, tests); keep
# the first entry of each product source so that every file is checked once. A unity build lists
# the unity files instead, each including several sources: they are checked as they were compiled,
# once per unity file, with the included sources' findings reported as well (a header filter that
# takes in .cpp files under src/). The unity file's own includes of sources are its purpose.
unity_args = ["--header-filter=/src/.*\\.(h|cpp)$", "--checks=-bugprone-suspicious-include"]
entries, seen = [], set()
for entry in json.load(open(os.path.join(build, "compile_commands.json"))):
    path = os.path.normpath(os.path.join(entry["directory"], entry["file"]))
    if re.search(r"/Unity/unity_[^/]*\.cxx$", path):
        included = {os.path.normpath(i) for i in re.findall(r'^#include "([^"]+)"', open(path).read(), re.M)}
        if included & wanted and path not in seen:
            seen.add(path)
            seen.update(included & wanted)
            entry["file"], entry["tidy_args"] = path, unity_args
            entries.append(entry)
    elif path in wanted and path not in seen:
        seen.add(path)
        entry["file"] = path
        entries.append(entry)
missing = wanted - seen
if missing:
    sys.exit("clang-tidy: not in the compile database: " + " ".join(sorted(missing)))
with open(os.path.join(tidy_dir, "compile_commands.json"), "w") as out:
    json.dump([{k: v for k, v in e.items() if k != "tidy_args"} for e in entries], out)

def neutral(text):
    return text.replace(build_abs, "@BUILD@").replace(root, "@SOURCE@")

tool = subprocess.run(["clang-tidy", "--version"], capture_output=True, text=True).stdout
config = open(".clang-tidy").read()

# What each object was built from, as the compiler reported it to ninja: the source and every
# header it read (the project's, the generated ones and the system's).
deps, current = {}, None
for line in subprocess.run(["ninja", "-C", build, "-t", "deps"], check=True, capture_output=True,
                           text=True).stdout.splitlines():
    if line and not line[0].isspace():
        current = deps.setdefault(line.split(":", 1)[0], []) if "(VALID)" in line else None
    elif line.strip() and current is not None:
        current.append(line.strip())

# A file's contents with the checkout's and build folder's paths left out: generated files (unity
# files above all) name the sources by their absolute paths.
root_bytes, build_bytes = root.encode(), build_abs.encode()
digests = {}
def content(path):
    if path not in digests:
        try:
            data = open(path, "rb").read().replace(build_bytes, b"@BUILD@").replace(root_bytes, b"@SOURCE@")
            digests[path] = hashlib.sha256(data).hexdigest()
        except OSError:
            digests[path] = "missing"
    return digests[path]

def key(entry):
    """The file's record name, or None when the build did not record what the file read."""
    args = shlex.split(entry["command"]) if "command" in entry else list(entry["arguments"])
    if "-o" not in args:
        return None
    inputs = deps.get(args[args.index("-o") + 1])
    if not inputs:
        return None
    compiler = next(i for i, a in enumerate(args) if re.search(r"(g\+\+|clang\+\+|c\+\+)(-\d+)?$", a))
    digest = hashlib.sha256()
    for part in [tool, config, neutral(" ".join(args[compiler:]))] + sorted(
            neutral(os.path.normpath(os.path.join(build_abs, i))) + " " +
            content(os.path.join(build_abs, i)) for i in inputs):
        digest.update(part.encode())
        digest.update(b"\0")
    return digest.hexdigest()

def findings_in(output):
    return len(re.findall(r": (warning|error): ", output))

def tidy(entry, k):
    run = subprocess.run(["clang-tidy", "-p", tidy_dir, "--quiet", *entry.get("tidy_args", []), entry["file"]],
                         capture_output=True, text=True)
    output = run.stdout
    if run.returncode != 0 and not findings_in(output):
        # A crash or a file clang-tidy could not read is a finding too, never a pass.
        output = f"{entry['file']}: error: clang-tidy exited with {run.returncode}\n{run.stderr}"
    elif not findings_in(output) and k is not None:
        open(os.path.join(cache, k), "w").close()  # at once, so that a run cut short keeps it
    return output

use_cache = cache not in ("", "off")
if use_cache:
    os.makedirs(cache, exist_ok=True)
with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
    keys = list(pool.map(key, entries)) if use_cache else [None] * len(entries)
    todo = [(e, k) for e, k in zip(entries, keys)
            if k is None or not os.path.exists(os.path.join(cache, k))]
    outputs = list(pool.map(lambda item: tidy(*item), todo))

findings = 0
with open(os.path.join(tidy_dir, "clang-tidy.log"), "w") as log:
    for output in outputs:
        log.write(output)
        findings += findings_in(output)
        if findings_in(output):
            print(output, end="")
if findings:
    sys.exit(f"clang-tidy: {findings} findings (see above)")
print(f"clang-tidy: no findings in {len(wanted)} sources, {len(entries)} compilations ({len(todo)} checked, "
      f"{len(entries) - len(todo)} unchanged since they last passed)")
PY
