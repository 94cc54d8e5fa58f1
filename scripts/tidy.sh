#!/usr/bin/env bash
# Runs clang-tidy with the repository's .clang-tidy on the product code (every tracked .cpp under
# src/), each file once with the flags of the build folder's compile database, one process per
# core. Any warning fails the run.
#
# A file that passed is remembered by a key made of its preprocessed text (comments kept, so NOLINT
# counts; the checkout's and build folder's paths replaced, so clones in other folders share it),
# its flags, the .clang-tidy file and clang-tidy's version; while none of these change, the file is
# not checked again. Findings are never remembered. The record lives in KESTRIX_TIDY_CACHE (default
# ~/.cache/kestrix/tidy); KESTRIX_TIDY_CACHE=off checks everything.
#
# Usage: scripts/tidy.sh [build folder, default build/release]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
tidy_dir="$build/tidy"
mkdir -p "$tidy_dir"

exec python3 - "$build" "$tidy_dir" "$(nproc)" "${KESTRIX_TIDY_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/kestrix/tidy}" <<'PY'
import concurrent.futures, hashlib, json, os, re, shlex, subprocess, sys

build, tidy_dir, jobs, cache = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
root = os.getcwd()
build_abs = os.path.abspath(build)
sources = subprocess.run(["git", "ls-files", "-z", "--", "src/*.cpp"], check=True,
                         capture_output=True, text=True).stdout.split("\0")
wanted = {os.path.join(root, s) for s in sources if s}

# The compile database lists a source once per target that compiles it (fuzz targets, tests); keep
# the first entry of each product source so that every file is checked once.
entries, seen = [], set()
for entry in json.load(open(os.path.join(build, "compile_commands.json"))):
    path = os.path.normpath(os.path.join(entry["directory"], entry["file"]))
    if path in wanted and path not in seen:
        seen.add(path)
        entry["file"] = path
        entries.append(entry)
missing = wanted - seen
if missing:
    sys.exit("clang-tidy: not in the compile database: " + " ".join(sorted(missing)))
with open(os.path.join(tidy_dir, "compile_commands.json"), "w") as out:
    json.dump(entries, out)

def neutral(text):
    return text.replace(build_abs, "@BUILD@").replace(root, "@SOURCE@")

tool = subprocess.run(["clang-tidy", "--version"], capture_output=True, text=True).stdout
config = open(".clang-tidy").read()

def key(entry):
    """The file's record name, or None when the file cannot be preprocessed (then it is checked)."""
    args = shlex.split(entry["command"]) if "command" in entry else list(entry["arguments"])
    # Drop the launcher (ccache through cmake -E env) and the output; preprocess with comments kept.
    compiler = next(i for i, a in enumerate(args) if re.search(r"(g\+\+|clang\+\+|c\+\+)(-\d+)?$", a))
    args = args[compiler:]
    if "-o" in args:
        i = args.index("-o")
        del args[i:i + 2]
    flags = [a for a in args if a != "-c"]
    run = subprocess.run(flags + ["-E", "-C"], cwd=entry["directory"], capture_output=True)
    if run.returncode != 0:
        return None
    digest = hashlib.sha256()
    for part in (tool, config, neutral(" ".join(flags)), neutral(run.stdout.decode("utf-8", "replace"))):
        digest.update(part.encode())
        digest.update(b"\0")
    return digest.hexdigest()

def tidy(entry):
    run = subprocess.run(["clang-tidy", "-p", tidy_dir, "--quiet", entry["file"]],
                         capture_output=True, text=True)
    if run.returncode != 0 and not re.search(r": (warning|error): ", run.stdout):
        # A crash or a file clang-tidy could not read is a finding too, never a pass.
        return f"{entry['file']}: error: clang-tidy exited with {run.returncode}\n{run.stderr}"
    return run.stdout

use_cache = cache != "off"
if use_cache:
    os.makedirs(cache, exist_ok=True)
with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
    keys = list(pool.map(key, entries)) if use_cache else [None] * len(entries)
    todo = [(e, k) for e, k in zip(entries, keys)
            if k is None or not os.path.exists(os.path.join(cache, k))]
    outputs = list(pool.map(lambda item: tidy(item[0]), todo))

findings = 0
with open(os.path.join(tidy_dir, "clang-tidy.log"), "w") as log:
    for (entry, k), output in zip(todo, outputs):
        log.write(output)
        count = len(re.findall(r": (warning|error): ", output))
        findings += count
        if count:
            print(output, end="")
        elif use_cache and k is not None:
            open(os.path.join(cache, k), "w").close()
if findings:
    sys.exit(f"clang-tidy: {findings} findings (see above)")
print(f"clang-tidy: no findings in {len(entries)} files ({len(todo)} checked, "
      f"{len(entries) - len(todo)} unchanged since they last passed)")
PY
