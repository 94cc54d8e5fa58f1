#!/usr/bin/env bash
# Makes a Linux release of Kestrix for the update server: builds the bundle (a Kestrix.app folder
# holding bin/kestrix and its resources) that trusts the given signing key for later updates,
# signs it with that key, packs it into the release image and writes the manifest the app updater
# reads. Publish the output folder's files under <update server>/releases/linux/.
#
#   scripts/release.sh SECRET_KEY_FILE OUTPUT_FOLDER
#
# Make a signing key once with: build/release/tools/sign/kestrix-sign keygen SECRET_KEY_FILE
# (keep it secret; every release must be signed with the same key, or installed copies refuse it).
set -euo pipefail
if [ $# -ne 2 ]; then
  sed -n '2,11s/^# \{0,1\}//p' "$0" >&2
  exit 2
fi
key=$(realpath "$1")
out=$(realpath -m "$2")
cd "$(dirname "$0")/.."
scripts/setup.sh

build=build/bundle
jobs=$(nproc)
# kestrix-sign itself comes from the same sources; the first configure builds it to read the key.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTRIX_BUILD_TESTS=OFF \
  -DKESTRIX_BUILD_BENCHMARKS=OFF -DKESTRIX_BUILD_FUZZERS=OFF >/dev/null
cmake --build "$build" -j "$jobs" --target kestrix-sign
sign="$build/tools/sign/kestrix-sign"
public_key=$("$sign" public-key "$key" | sed -n 1p)
team=$("$sign" public-key "$key" | sed -n 2p)

cmake -S . -B "$build" -DKESTRIX_TRUSTED_TEAM_KEYS="$public_key" >/dev/null
cmake --build "$build" -j "$jobs"
version=$(sed -n 's/^project(Kestrix VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

mkdir -p "$out"
stage=$(mktemp -d "${TMPDIR:-/tmp}/kestrix-release.XXXXXX")
trap 'rm -rf "$stage"' EXIT
# Everything but the system-wide autostart entry, which a bundle cannot place.
cmake --install "$build" --prefix "$stage/Kestrix.app" --component Unspecified --strip >/dev/null
image="Kestrix-$version-linux-$(uname -m).tar.gz"
rm -f "$out/$image"
"$sign" release "$key" "$stage/Kestrix.app" "$version" "$out/$image"
"$sign" verify --trust "$public_key" "$stage/Kestrix.app"

# The asset is named relative to the manifest, so the folder can be published anywhere.
printf '{\n  "version": "%s",\n  "asset": "%s"\n}\n' "$version" "$image" >"$out/latest.json"
echo "Kestrix $version for team $team:"
echo "  $out/$image"
echo "  $out/latest.json"
echo "Publish both under <update server>/releases/linux/."
