#!/usr/bin/env bash
# Installs every Debian package Kestrix needs to build, run and test. Idempotent: packages
# already present are not fetched again. Needs root or sudo.
set -euo pipefail

packages=(
  # toolchain
  g++ cmake ninja-build ccache mold pkg-config git clang libclang-rt-14-dev clang-format clang-tidy
  # libraries
  qt6-base-dev qt6-base-dev-tools qcoro-qt6-dev libudev-dev libpulse-dev libical-dev libecal2.0-dev libpipewire-0.3-dev libarchive-dev libsodium-dev
  # translations: lupdate and lrelease with their CMake package, and Qt's own translated texts
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
  # tests and benchmarks
  libbenchmark-dev umockdev libumockdev-dev pulseaudio pulseaudio-utils iproute2 fonts-dejavu-core
  dbus-daemon evolution-data-server pipewire-bin
  # the desktop presence backends: a logind stand-in, GNOME's settings through dconf
  python3-dbusmock dconf-service libglib2.0-bin gsettings-desktop-schemas
  # the tray menu as desktop panels see it: an X server for the panel end-to-end test
  xvfb libxcb1-dev
  # screen readers' view of the windows: the accessibility bus (bus launcher and registry)
  at-spi2-core
  # a Wayland session: sway headless with swaybar as the tray host, Qt's Wayland platform, wtype for
  # keys, grim for screenshots, the activation protocol for the test's launcher part, and setpriv
  # and useradd to run the session as an ordinary user when the tests run as root
  sway wtype grim qt6-wayland libwayland-dev wayland-protocols util-linux passwd
)

# Debian package: dependencies from the binaries (dpkg-shlibdeps), package checks, man page check,
# and the demonstration update server of scripts/run.sh.
packages+=(dpkg-dev file lintian desktop-file-utils appstream man-db python3)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "setup: run as root or install sudo" >&2; exit 1; }
  as_root=(sudo)
fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
