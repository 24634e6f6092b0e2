#!/bin/bash
# The 32-bit x86 emulator of the windows-x86 tests, for machines that cannot run 32-bit code.
#   scripts/emulator.sh build   build it when the cache lacks it (scripts/setup.sh calls this)
#   scripts/emulator.sh path    print the binary's path; exit 1 when it is not built
#   scripts/emulator.sh check   run the descriptor check (tools/emulator/descriptor_check.c) with it
#
# Debian 12's qemu-i386 shares one descriptor table between all threads of a process, where Linux
# gives each thread its own thread-local entries; Wine's 32-bit threads then wake up as another
# thread and wait for ever. So the emulator is Debian's own qemu source, of the version of the
# installed qemu-user package (apt's source index, verified by apt), with
# tools/emulator/per-thread-descriptor-table.patch applied, built for the i386-linux-user target
# only (2 to 6 minutes on two cores). It is kept in $EMULATOR_CACHE (default
# /var/cache/criabd-emulator, or ~/.cache/criabd-emulator for a user other than root), in a folder named after the source version and the patch's hash, so
# later runs and other checkouts reuse it and a new patch or source builds anew. Nothing is built
# where 32-bit programs run natively.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
patch="$root/tools/emulator/per-thread-descriptor-table.patch"
if [[ $(id -u) -eq 0 ]]; then cache=/var/cache/criabd-emulator; else cache=$HOME/.cache/criabd-emulator; fi
cache=${EMULATOR_CACHE:-$cache}

say() { echo "emulator: $*" >&2; }

runs_natively() { /usr/lib/wine/wine --version >/dev/null 2>&1; }

source_version() {  # the Debian source version of the installed qemu-user, e.g. 1:7.2+dfsg-7+deb12u18
  dpkg-query -W -f='${source:Version}' qemu-user 2>/dev/null
}

folder() {  # the cache folder of this source version and this patch
  local version patch_hash
  version=$(source_version) || return 1
  [[ -n "$version" ]] || return 1
  patch_hash=$(sha256sum "$patch" | cut -c1-12)
  echo "$cache/qemu-i386-${version//:/_}-$patch_hash"
}

binary_path() {
  local dir
  dir=$(folder) || return 1
  [[ -x "$dir/qemu-i386" ]] || return 1
  echo "$dir/qemu-i386"
}

# The descriptor check, built without a 32-bit C library (only the compiler's -m32 code generation).
check_program() {  # check_program <output file>
  gcc -m32 -static -nostdlib -ffreestanding -fno-pie -no-pie -fno-stack-protector -O1 \
    -o "$1" "$root/tools/emulator/descriptor_check.c"
}

# A private apt configuration that reads the source indexes of the machine's own Debian archives.
fetch_source() {  # fetch_source <work folder> <version>
  local work=$1 version=$2 apt_dir="$1/apt" list
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$work/src"
  : >"$apt_dir/sources.list"
  for list in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [[ -f "$list" ]] && sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$list" >>"$apt_dir/sources.list"
  done
  mkdir -p "$apt_dir/sources.list.d"
  for list in /etc/apt/sources.list.d/*.sources; do
    [[ -f "$list" ]] && sed 's/^Types:.*/Types: deb-src/' "$list" >"$apt_dir/sources.list.d/${list##*/}"
  done
  local apt=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
    -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache" -o "APT::Sandbox::User=root")
  apt-get "${apt[@]}" update -qq >"$work/apt.log" 2>&1 || true  # an archive without sources is no matter
  (cd "$work/src" && apt-get "${apt[@]}" source --download-only "qemu=$version") >>"$work/apt.log" 2>&1 || {
    tail -n 5 "$work/apt.log" >&2
    say "Debian's qemu source $version could not be fetched"
    return 1
  }
  dpkg-source --no-check -x "$work/src"/qemu_*.dsc "$work/qemu" >>"$work/apt.log" 2>&1
}

build() {
  if runs_natively; then
    return 0
  fi
  if binary_path >/dev/null; then
    return 0
  fi
  local version dir started
  version=$(source_version) || { say "qemu-user is not installed (scripts/setup.sh)"; return 1; }
  dir=$(folder)
  mkdir -p "$cache"
  exec 9>"$cache/.lock"
  flock 9  # another checkout may be building the same
  binary_path >/dev/null && return 0
  started=$SECONDS
  say "building qemu-i386 from Debian's qemu $version with ${patch##*/} (a few minutes, once)"
  work=$(mktemp -d "$cache/build.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  fetch_source "$work" "$version"
  patch -d "$work/qemu" -p1 --quiet <"$patch"
  mkdir "$work/build"
  (cd "$work/build" && "$work/qemu/configure" --target-list=i386-linux-user --disable-system --disable-tools \
    --disable-docs --disable-guest-agent --disable-werror --disable-debug-info \
    --with-pkgversion="Debian $version + ${patch##*/}" && ninja qemu-i386) >"$work/build.log" 2>&1 || {
    tail -n 30 "$work/build.log" >&2
    say "the build failed"
    return 1
  }
  check_program "$work/descriptor_check"
  "$work/build/qemu-i386" "$work/descriptor_check" || { say "the built emulator fails the descriptor check"; return 1; }
  mkdir -p "$work/out"
  cp "$work/build/qemu-i386" "$work/out/"
  rm -rf "$dir"
  mv "$work/out" "$dir"
  say "built $dir/qemu-i386 in $((SECONDS - started)) s"
}

case "${1:-}" in
  build) build ;;
  path) binary_path ;;
  check)
    program=$(mktemp "${TMPDIR:-/tmp}/descriptor_check.XXXXXX")
    trap 'rm -f "$program"' EXIT
    check_program "$program"
    "$program"
    ;;
  *) echo "usage: $0 build|path|check" >&2; exit 2 ;;
esac
