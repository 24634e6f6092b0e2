#!/bin/bash
# Runs a command where 32-bit x86 programs run, for the 32-bit build's tests under Wine.
#   scripts/emulate-x86.sh COMMAND [ARGS...]
#   scripts/emulate-x86.sh --describe    one line: how 32-bit code runs here (natively or emulated,
#                                        by which emulator)
#
# Where the machine runs 32-bit code itself, the command just runs. Where it cannot (a hypervisor
# without 32-bit segments: every i386 program fails with "Exec format error"), the command runs in
# a private user and mount namespace with a binfmt_misc instance of its own that hands i386
# programs to the project's emulator, the qemu-i386 that scripts/emulator.sh built (never whatever
# qemu-i386 is on the PATH: Debian's shares one descriptor table between threads). Needs Linux 6.7
# or later. Nothing outside the namespace changes, and the namespace ends with the last process in
# it. Inside, WIZARD_X86_EMULATOR names the emulator (empty where 32-bit code runs natively).
#
# Exit code: the command's; 125 when 32-bit programs cannot be run here at all.
set -uo pipefail

here=$(dirname "${BASH_SOURCE[0]}")
[[ $# -gt 0 ]] || { echo "usage: $0 COMMAND [ARGS...] | --describe" >&2; exit 2; }

# A 32-bit program of the i386 packages: its start says whether 32-bit code runs.
probe=/usr/lib/wine/wine
[[ -x "$probe" ]] || { echo "emulate-x86: $probe is missing (the i386 Wine packages, scripts/setup.sh)" >&2; exit 125; }
if "$probe" --version >/dev/null 2>&1; then
  if [[ "$1" == --describe ]]; then echo "32-bit code runs natively"; exit 0; fi
  WIZARD_X86_EMULATOR="" exec "$@"
fi

qemu=$("$here/emulator.sh" path) ||
  { echo "emulate-x86: the project's qemu-i386 is not built (scripts/setup.sh builds it)" >&2; exit 125; }
if [[ "$1" == --describe ]]; then
  echo "32-bit code emulated by $qemu ($("$qemu" --version | head -n 1))"
  exit 0
fi
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
WIZARD_X86_EMULATOR="$qemu" unshare --user --map-root-user --mount bash -c "$inside" emulate-x86 "$binfmt" "$magic" "$mask" "$qemu" "$@"
status=$?
rmdir "$binfmt" 2>/dev/null
exit "$status"
