#!/bin/bash
# The reliability soak, on demand: the wizard's accessible tree walked and its default actions
# taken by two screen readers at once, ROUNDS rounds of WALKS walks and as many actions each
# (default 5 rounds of 100: a thousand walks and a thousand actions), with its GDI, USER and
# accessible objects counted before and after. Prints the test's figures; the test command runs the
# same test with one short round.
#   scripts/soak.sh [ROUNDS [WALKS]]
# Builds the windows build and runs that one test through scripts/test.sh (its closing line says
# whether it passed).
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.." || exit 1
export WIZARD_SOAK_ROUNDS=${1:-5} WIZARD_SOAK_WALKS=${2:-100}
CTEST_ARGS="-R WalksAndDefaultActionsLeaveNoObjectsBehind -V" exec scripts/test.sh windows
