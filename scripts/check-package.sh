#!/usr/bin/env bash
# Builds the Debian package from a finished build folder and checks it: lintian, the desktop
# entries, the AppStream metadata (offline), the contents, and the unpacked programs in a scratch
# root (they must run there and find their resources there).
#
#   scripts/check-package.sh [BUILD_FOLDER]    (default build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
out="$build/package"
rm -rf "$out"
cpack --config "$build/CPackConfig.cmake" -B "$out" >"$out.log" 2>&1 || { cat "$out.log" >&2; exit 1; }
deb=$(echo "$out"/kestrix_*.deb)
[ -f "$deb" ] || { echo "check-package: no package in $out" >&2; exit 1; }

echo "-- $deb"
dpkg-deb --field "$deb" Package Version Architecture Depends Recommends
dpkg-deb --contents "$deb" | sed -E 's/^(\S+)(\s+\S+){4}\s+/\1 /'

echo "-- lintian"
# Warnings fail the check like errors; any accepted tag is overridden in the package with a reason.
lintian --fail-on error,warning --tag-display-limit 0 "$deb"

root=$(mktemp -d "${TMPDIR:-/tmp}/kestrix-package.XXXXXX")
trap 'rm -rf "$root"' EXIT
dpkg-deb --extract "$deb" "$root"

echo "-- desktop entries and AppStream metadata"
desktop-file-validate "$root/usr/share/applications/io.tamsel.desktop.desktop" \
  "$root/etc/xdg/autostart/io.tamsel.desktop.desktop"
appstreamcli validate --no-net --explain "$root/usr/share/metainfo/io.tamsel.desktop.metainfo.xml"

fail() { echo "check-package: $*" >&2; exit 1; }
echo "-- optional backends"
# The calendar server's and PipeWire's client libraries: recommended, never required, and never
# linked into the programs; their modules sit in the package's private library folder.
optional='libecal|libedataserver|libpipewire'
if dpkg-deb --field "$deb" Depends | grep -Eq "$optional"; then fail "Depends names an optional backend's library"; fi
for library in libecal libedataserver libpipewire qt6-wayland qt6-translations-l10n; do
  dpkg-deb --field "$deb" Recommends | grep -q "$library" || fail "Recommends lacks $library"
done
for module in kestrix-calendar-server kestrix-pipewire; do
  [ -f "$root/usr/lib/kestrix/$module.so" ] || fail "no module $module in usr/lib/kestrix"
done
for program in kestrix kestrix-signal kestrix-devsim; do
  if readelf -d "$root/usr/bin/$program" | grep NEEDED | grep -Eq "$optional"; then
    fail "$program links an optional backend's library"
  fi
done
echo "modules and dependencies as expected"

echo "-- the unpacked programs"
# A terminal without a desktop session and with nothing of the build tree in reach.
run() { env -i PATH=/usr/bin:/bin HOME="$root/home" LANG=C.UTF-8 "$@"; }
report=$(run "$root/usr/bin/kestrix" --version --verbose)
echo "$report"
grep -qx "Kestrix $(dpkg-deb --field "$deb" Version)" <<<"$report" || fail "wrong --version"
for resource in "menu bar icon: $root/usr/share/kestrix/MenuBarIcon.png" \
  "display icon: $root/usr/share/kestrix/AppIconDisplay.png" \
  "setup guide: $root/usr/share/kestrix/Advanced Setup (Terminal + AI Hooks).pdf"; do
  grep -qxF "$resource" <<<"$report" || fail "not found in the unpacked package: $resource"
done
grep -qxF "translations: $root/usr/share/kestrix/translations" <<<"$report" || fail "translations not found"
for language in de es fr; do
  [ -f "$root/usr/share/kestrix/translations/kestrix_$language.qm" ] || fail "no translation kestrix_$language.qm"
done
# The user's language reaches even the line said without a display.
said=$(run env LANGUAGE=de "$root/usr/bin/kestrix" 2>&1 >/dev/null || true)
grep -q "braucht eine Desktop-Sitzung" <<<"$said" || fail "kestrix does not speak German with LANGUAGE=de: $said"
grep -q "^self-update: off, .*update it through your package manager" <<<"$report" ||
  fail "the unpacked package does not refuse self-update"
if run "$root/usr/bin/kestrix" >/dev/null 2>"$root/err"; then fail "kestrix started without a display"; fi
[ "$(wc -l <"$root/err")" -eq 1 ] || fail "kestrix without a display said more than one line"
run "$root/usr/bin/kestrix-signal" --help >/dev/null
run "$root/usr/bin/kestrix-devsim" --make-image "$root/image.bin" --version 1.1.0
for page in kestrix kestrix-signal kestrix-devsim; do
  run man --warnings -E UTF-8 -l "$root/usr/share/man/man1/$page.1.gz" >/dev/null 2>"$root/err" || true
  [ ! -s "$root/err" ] || { cat "$root/err" >&2; fail "man page $page.1 has errors"; }
done
echo "package checks passed"
