#!/bin/bash
# Installs what building and testing need on Debian 12 (run as root, or with sudo available).
# Quick and silent when everything is there; asks apt only for what is missing.
#   scripts/setup.sh            install what is missing, then build the 32-bit emulator where it is
#                               needed and not yet built (scripts/emulator.sh)
#   scripts/setup.sh --check    list what is missing, install nothing (exit 1 if anything is)
#   scripts/setup.sh --packages-only   install what is missing, build no emulator (scripts/test.sh
#                               builds it itself while the 64-bit tests run)
#
# A package mirror in the middle of a sync serves package lists that do not fit together: then
# `apt-get update` is tried again a few times, with growing waits, and the run goes on with the
# lists apt has. When the install then fails because a library's update reached one architecture's
# list and not the other's (a multi-arch pair must have one version), it is tried once more with the
# security updates ranked below the release, through a preferences file given to that one apt call
# only; what was held back is remembered, and the next run of this script takes it.
# Environment: SETUP_NOTES (a file: one line is added for each step that was retried or relaxed,
# for scripts/test.sh's summary), SETUP_APT_WAITS (the seconds waited before each further
# `apt-get update`, default "5 10 20"), SETUP_STATE (the folder that remembers held-back updates,
# default /var/lib/criabd-setup).
set -euo pipefail

packages=(
  # builds: native (GCC with sanitizers), fuzz (clang with libFuzzer), windows (mingw-w64)
  cmake ninja-build g++ clang libclang-rt-14-dev lld googletest libgtest-dev libbenchmark-dev
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

read -r -a apt_waits <<<"${SETUP_APT_WAITS:-5 10 20}"
state=${SETUP_STATE:-/var/lib/criabd-setup}
held_back_file="$state/held-back"
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive

note() {  # note <line>: said now, and kept for the test command's summary
  echo "setup: $*" >&2
  if [[ -n "${SETUP_NOTES:-}" ]]; then echo "$*" >>"$SETUP_NOTES"; fi
}

first_error() {  # the first line apt gave as an error (or its first line at all)
  grep -m 1 -E '^(E|Err):' "$1" || head -n 1 "$1"
}

# Fresh package lists. A failed update leaves the lists apt had (apt keeps the old index of
# whatever it could not fetch), so after the last try the run goes on with those.
update_lists() {  # update_lists [tries]
  local log tries=${1:-$((${#apt_waits[@]} + 1))} try
  log=$(mktemp)
  for ((try = 1; try <= tries; try++)); do
    if "${sudo[@]}" apt-get update -qq >"$log" 2>&1; then
      [[ $try -gt 1 ]] && note "apt-get update succeeded at try $try of $tries"
      rm -f "$log"
      return 0
    fi
    echo "setup: apt-get update failed (try $try of $tries): $(first_error "$log")" >&2
    [[ $try -lt $tries ]] && sleep "${apt_waits[try - 1]}"
  done
  note "apt-get update failed (tries: $tries; the last said: $(first_error "$log")); going on with the package lists apt has"
  rm -f "$log"
}

# The candidates apt would take for the given packages, "name version" a line.
candidates() {  # candidates <apt option...> -- <package...>
  local options=()
  while [[ $1 != -- ]]; do options+=("$1"); shift; done
  shift
  apt-cache "${options[@]}" policy "$@" 2>/dev/null |
    awk '/^[^ ].*:$/ { name = substr($0, 1, length($0) - 1) } /^  Candidate:/ { print name, $2 }'
}

# apt-get install of the given packages. When the mirror's lists have a library's security update
# for one architecture and not the other, apt finds no version that both halves of a multi-arch
# pair can share and "holds broken packages": then, if the install works with the security updates
# ranked below the release (the system's own preferences still apply), it is done so, and the
# packages whose updates that held back are remembered for the next run.
install_packages() {
  local log prefs plan held planned=()
  log=$(mktemp)
  if "${sudo[@]}" apt-get install -y -q --no-install-recommends "$@" >"$log" 2>&1; then
    rm -f "$log"
    return 0
  fi
  prefs=$(mktemp)
  if [[ -f /etc/apt/preferences ]]; then cat /etc/apt/preferences >"$prefs" && echo >>"$prefs"; fi
  printf 'Package: *\nPin: release l=Debian-Security\nPin-Priority: 100\n' >>"$prefs"
  if ! grep -q 'held broken packages\|generated breaks' "$log" ||
     ! grep -qE '^ +[^ ]+:[a-z0-9]+ : ' "$log" ||  # an unmet dependency of another architecture's package
     ! plan=$(apt-get -s -q install --no-install-recommends -o Dir::Etc::Preferences="$prefs" "$@" 2>/dev/null); then
    cat "$log" >&2
    rm -f "$log" "$prefs"
    return 1
  fi
  mapfile -t planned < <(sed -n 's/^Inst \([^ ]*\) .*/\1/p' <<<"$plan")
  held=$(diff <(candidates -- "${planned[@]}") <(candidates -o Dir::Etc::Preferences="$prefs" -- "${planned[@]}") |
    sed -n 's/^< \([^ :]*\).*/\1/p' | sort -u | tr '\n' ' ' | sed 's/ $//' || true)
  echo "setup: the install failed on versions that differ between architectures; trying again with the security updates ranked below the release" >&2
  if ! "${sudo[@]}" apt-get install -y -q --no-install-recommends -o Dir::Etc::Preferences="$prefs" "$@" >"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log" "$prefs"
    return 1
  fi
  rm -f "$log" "$prefs"
  "${sudo[@]}" mkdir -p "$state"
  echo "$held" | "${sudo[@]}" tee "$held_back_file" >/dev/null
  note "security updates held back for ${held:-no package} (the mirror's lists differed between architectures); run scripts/setup.sh again later to take them"
}

# Updates held back by an earlier run: taken now, for every architecture installed, if the
# mirror has them for all; otherwise kept for another run.
take_held_back() {
  local package arch upgrade=() log
  [[ -s "$held_back_file" ]] || return 0
  for package in $(cat "$held_back_file"); do
    for arch in $(dpkg-query -W -f='${Architecture}\n' "$package" 2>/dev/null | sort -u); do
      upgrade+=("$package:$arch")
    done
  done
  log=$(mktemp)
  if [[ ${#upgrade[@]} -eq 0 ]] ||
     "${sudo[@]}" apt-get install -y -qq --no-install-recommends --only-upgrade "${upgrade[@]}" >"$log" 2>&1; then
    "${sudo[@]}" rm -f "$held_back_file"
    [[ ${#upgrade[@]} -eq 0 ]] || echo "setup: took the security updates held back earlier: ${upgrade[*]}" >&2
  else
    note "security updates still held back for $(cat "$held_back_file"): $(first_error "$log")"
  fi
  rm -f "$log"
}

held_back_before=""
[[ -s "$held_back_file" ]] && held_back_before=1
build_emulator() {
  [[ "${1:-}" == --packages-only ]] && exit 0
  exec "$(dirname "${BASH_SOURCE[0]}")/emulator.sh" build
}

if [[ ${#missing[@]} -eq 0 && -z "$held_back_before" ]]; then
  build_emulator "$@"
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo[@]}" dpkg --add-architecture i386
fi
# Only held-back updates to take: one try, for they can wait for another run.
if [[ ${#missing[@]} -gt 0 ]]; then update_lists; else update_lists 1; fi
if [[ ${#missing[@]} -gt 0 ]]; then
  echo "setup: installing ${missing[*]}" >&2
  install_packages "${missing[@]}"
  echo "setup: done" >&2
fi
[[ -n "$held_back_before" ]] && take_held_back
build_emulator "$@"
