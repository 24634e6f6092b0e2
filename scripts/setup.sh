#!/bin/bash
# Installs what building and testing need on Debian 12 (run as root, or with sudo available).
# Quick and silent when everything is there; asks apt only for what is missing.
#   scripts/setup.sh            install what is missing, then build the 32-bit emulator where it is
#                               needed and not yet built (scripts/emulator.sh)
#   scripts/setup.sh --check    list what is missing, install nothing (exit 1 if anything is)
set -euo pipefail

packages=(
  # builds: native (GCC with sanitizers), fuzz (clang with libFuzzer), windows (mingw-w64)
  cmake ninja-build g++ clang libclang-rt-14-dev googletest libgtest-dev libbenchmark-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix libz-mingw-w64-dev zlib1g-dev
  # Windows programs under Wine; Debian's wine 8 needs fonts-wine linked into each prefix
  wine64 wine fonts-wine fonts-liberation fonts-dejavu-core
  # an X server for the GUI tests and the wizard, and tools to look at it
  xvfb xauth x11-apps imagemagick xdotool
  # the wizard's database path under Wine: odbc32 -> unixODBC -> FreeTDS
  unixodbc tdsodbc freetds-bin
  # the SQL Server test server and the scripts
  python3 util-linux procps
  # the release kit (scripts/release.sh): Authenticode signatures; the kit test's certificate
  osslsigncode openssl
  # the 32-bit build's tests: Wine's 32-bit half with its ODBC chain; where the machine cannot run
  # 32-bit code itself, an emulator built from Debian's qemu-user source with a mend
  # (scripts/emulator.sh) and what building it needs
  wine32:i386 wine32-preloader:i386 libodbc2:i386 tdsodbc:i386 qemu-user
  dpkg-dev meson libglib2.0-dev pkg-config
)

declare -A installed=()
native=$(dpkg --print-architecture)
while read -r name arch state; do
  [[ "$state" == "install ok installed" ]] || continue
  installed[$name:$arch]=1  # a package asked for with its architecture (wine32:i386)
  [[ "$arch" == "$native" || "$arch" == all ]] && installed[$name]=1
done < <(dpkg-query -W -f='${Package} ${Architecture} ${Status}\n' "${packages[@]}" 2>/dev/null || true)
missing=()
for package in "${packages[@]}"; do
  [[ -n "${installed[$package]:-}" ]] || missing+=("$package")
done

if [[ "${1:-}" == "--check" ]]; then
  [[ ${#missing[@]} -eq 0 ]] && exit 0
  echo "missing packages: ${missing[*]}"
  exit 1
fi
if [[ ${#missing[@]} -eq 0 ]]; then
  exec "$(dirname "${BASH_SOURCE[0]}")/emulator.sh" build
fi

echo "setup: installing ${missing[*]}" >&2
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo[@]}" dpkg --add-architecture i386
fi
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "setup: done" >&2
exec "$(dirname "${BASH_SOURCE[0]}")/emulator.sh" build
