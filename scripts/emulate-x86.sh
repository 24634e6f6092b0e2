#!/bin/bash
# Runs a command where 32-bit x86 programs run, for the 32-bit build's tests under Wine.
#   scripts/emulate-x86.sh COMMAND [ARGS...]
#
# Where the machine runs 32-bit code itself, the command just runs. Where it cannot (a hypervisor
# without 32-bit segments: every i386 program fails with "Exec format error"), the command runs in
# a private user and mount namespace with a binfmt_misc instance of its own that hands i386
# programs to qemu-i386 (Linux 6.7 or later). Nothing outside the namespace changes, and the
# namespace ends with the last process in it.
#
# Exit code: the command's; 125 when 32-bit programs cannot be run here at all.
set -uo pipefail

[[ $# -gt 0 ]] || { echo "usage: $0 COMMAND [ARGS...]" >&2; exit 2; }

# A 32-bit program of the i386 packages: its start says whether 32-bit code runs.
probe=/usr/lib/wine/wine
[[ -x "$probe" ]] || { echo "emulate-x86: $probe is missing (the i386 Wine packages, scripts/setup.sh)" >&2; exit 125; }
if "$probe" --version >/dev/null 2>&1; then
  exec "$@"
fi

qemu=$(command -v qemu-i386) || { echo "emulate-x86: qemu-i386 is missing (qemu-user, scripts/setup.sh)" >&2; exit 125; }
unshare --user --map-root-user --mount true 2>/dev/null ||
  { echo "emulate-x86: no private user namespace here (unshare refused)" >&2; exit 125; }
binfmt=$(mktemp -d "${TMPDIR:-/tmp}/binfmt.XXXXXX")

# ELF, 32-bit, little-endian, current version, executable or shared object, machine i386 (3);
# binfmt_misc reads the \x escapes itself.
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
inside='mount -t binfmt_misc binfmt_misc "$1" &&
  printf "%s" ":qemu-i386:M::$2:$3:$4:" >"$1/register" || exit 125
shift 4
exec "$@"'
unshare --user --map-root-user --mount bash -c "$inside" emulate-x86 "$binfmt" "$magic" "$mask" "$qemu" "$@"
status=$?
rmdir "$binfmt" 2>/dev/null
exit "$status"
