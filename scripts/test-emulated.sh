#!/bin/bash
# The 32-bit build's tests, run by scripts/test.sh inside the emulation (scripts/emulate-x86.sh):
# the build's test environment (an Xvfb, the prefix's wineserver, the desktop keeper), then its
# ctest run, whose report is left in the calling run's folder for it to count.
#   scripts/test-emulated.sh <preset> <report folder>
# Environment: TEST_JOBS and CTEST_ARGS, as scripts/test.sh takes them. Exit code 1 when the test
# environment did not start; otherwise 0 (the report tells how the tests went).
set -uo pipefail

[[ $# -eq 2 ]] || { echo "usage: $0 <preset> <report folder>" >&2; exit 2; }
preset=$1
report_folder=$2
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root" || exit 1
say_prefix="   "
# shellcheck source=scripts/common.sh
source scripts/common.sh
# shellcheck source=scripts/testing.sh
source scripts/testing.sh

work=$(mktemp -d "${TMPDIR:-/tmp}/wizard-test-emulated.XXXXXX")
trap 'stop_windows_environment; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

echo "== $preset: test environment (32-bit Wine)"
start_windows_environment "build/$preset" || exit 1
# An emulated test that stops making progress is ended within a minute (45 s without progress),
# with what it waited in (cmake/wine-run.sh.in); the environment's own programs are not watched.
[[ -n "${WIZARD_X86_EMULATOR:-}" ]] && export WIZARD_STALL_SECONDS=45
ctest_to_report "$preset" "$report_folder"
exit 0
