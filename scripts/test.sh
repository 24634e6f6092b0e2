#!/bin/bash
# The test command. Installs what is missing (scripts/setup.sh), then configures, builds and tests
# each build of the project:
#   native   portable units with GCC, ASan and UBSan
#   fuzz     libFuzzer targets (clang), each a bounded ctest run
#   windows  the product (mingw-w64); its test programs run under Wine, the GUI tests on an Xvfb
#            display of this script's own
#   windows-x86  the product for 32-bit Windows (mingw-w64 i686), built only: this machine's Wine
#            runs 64-bit programs only
# Each build's tests print ctest's output and their wall time. The summary gives each build's
# "N passed, N failed, N skipped", lists every skipped test with its reason (GTEST_SKIP's message,
# a Python skipTest's reason) and every failed one, and ends with the overall
# "N passed, N failed, N skipped" line. A skipped test is never counted as passed; a build that
# does not configure or build counts as one failed test. Exit code 0 only when every build built,
# no test failed and at least one passed.
#
#   scripts/test.sh                   all four builds
#   scripts/test.sh native windows    only those builds
# Environment: TEST_JOBS (ctest parallelism, default 2), CTEST_ARGS (extra ctest arguments, such as
# "-L gui" or "-R Rig").
#
# For the Windows tests this script starts, and stops again on exit, by process id: an Xvfb on the
# first free display number and a program that keeps Wine's desktop alive between test programs.
# It starts the build prefix's wineserver and Wine services (detached before ctest: they keep the
# output handles of whoever starts them, and ctest would wait for them) only when no wineserver runs
# for the prefix, and ends that server only if it started it and no other program (such as a wizard
# of scripts/run.sh) uses the prefix (scripts/common.sh).
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root" || exit 1
say_prefix="   "
# shellcheck source=scripts/common.sh
source scripts/common.sh

jobs=${TEST_JOBS:-2}
read -r -a ctest_args <<<"${CTEST_ARGS:-}"
if [[ $# -gt 0 ]]; then presets=("$@"); else presets=(native fuzz windows windows-x86); fi

work=$(mktemp -d "${TMPDIR:-/tmp}/wizard-test.XXXXXX")
keeper_pid=""

cleanup() {
  stop_pid "$keeper_pid"
  keeper_pid=""
  wine_stop
  stop_xvfb
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

summary=()   # one line per build
skipped=()   # "<build>  <test>: <reason>"
failed=()    # "<build>  <test>: <what>"
total_passed=0
total_failed=0
total_skipped=0
report_line=""  # set by count_report: "N passed, N failed, N skipped" of one build

note_failure() {  # note_failure <build> <what>: a build step failed; counts as one failed test
  summary+=("$1: $2")
  failed+=("$1  $2")
  total_failed=$((total_failed + 1))
}

now_ms() {  # wall clock in milliseconds
  local micro=${EPOCHREALTIME/[.,]/}
  echo $((micro / 1000))
}

seconds_since() {  # seconds_since <now_ms value>: "12.3 s"
  local ms=$(($(now_ms) - $1))
  printf '%d.%d s' $((ms / 1000)) $((ms % 1000 / 100))
}

# Adds a report of scripts/ctest_report.py to the totals, as build <name>; false when unreadable.
count_report() {  # count_report <name> <report file>
  local name=$1 kind test reason passed=0 failed_n=0 skipped_n=0 counted=""
  while IFS=$'\t' read -r kind test reason; do
    case "$kind" in
      skipped) skipped+=("$name  $test: $reason") ;;
      failed) failed+=("$name  $test: $reason") ;;
      counts) read -r passed failed_n skipped_n <<<"$test" && counted=1 ;;
    esac
  done <"$2"
  [[ -n "$counted" ]] || return 1
  report_line="$passed passed, $failed_n failed, $skipped_n skipped"
  total_passed=$((total_passed + passed))
  total_failed=$((total_failed + failed_n))
  total_skipped=$((total_skipped + skipped_n))
}

build() {  # build <preset>
  local preset=$1 log="$work/$1-build.log"
  forget_foreign_cache "build/$preset"
  echo "== $preset: configure and build"
  local started=$SECONDS
  if ! cmake --preset "$preset" >"$log" 2>&1; then
    tail -n 60 "$log"
    note_failure "$preset" "configure failed"
    return 1
  fi
  if ! cmake --build --preset "$preset" >>"$log" 2>&1; then
    grep -E -B2 -A12 'error|FAILED' "$log" | head -n 150
    note_failure "$preset" "build failed"
    return 1
  fi
  echo "   built in $((SECONDS - started)) s"
}

# ctest's own output as it runs; the counts come from its junit report (ctest's "% tests passed"
# line counts skipped tests as passed). Passed tests' output is kept whole for the skip reasons.
run_ctest() {  # run_ctest <preset>
  local preset=$1 log="$work/$1-ctest.log" junit="$work/$1-junit.xml" report="$work/$1-report.txt"
  echo "== $preset: tests"
  local started wall
  started=$(now_ms)
  ctest --preset "$preset" -j "$jobs" --output-junit "$junit" \
    --test-output-size-passed 1048576 --test-output-size-failed 1048576 "${ctest_args[@]}" 2>&1 | tee "$log"
  wall=$(seconds_since "$started")
  echo "   $preset: tests took $wall (wall time)"
  if grep -q 'No tests were found' "$log"; then
    summary+=("$preset: no tests ($wall)")
    return
  fi
  if ! python3 scripts/ctest_report.py junit "$junit" >"$report" || ! count_report "$preset" "$report"; then
    note_failure "$preset" "ctest did not report a result"
    return
  fi
  summary+=("$preset: $report_line; tests $wall wall time")
}

run_python_server_tests() {
  # Run here only when no build runs them as a ctest test.
  [[ -d tools/sqltestserver/tests ]] || return 0
  grep -q 'tools/sqltestserver' CMakeLists.txt && return 0
  echo "== sqltestserver: Python unit tests"
  local log="$work/python.log" report="$work/python-report.txt" started wall
  started=$(now_ms)
  (cd tools/sqltestserver && PYTHONDONTWRITEBYTECODE=1 python3 -m unittest discover -v -s tests -t .) 2>&1 | tee "$log"
  wall=$(seconds_since "$started")
  if ! python3 scripts/ctest_report.py unittest "$log" >"$report" || ! count_report sqltestserver "$report"; then
    note_failure sqltestserver "unittest did not report a result"
    return
  fi
  summary+=("sqltestserver: $report_line; tests $wall wall time")
}

# The windows build's test environment: an Xvfb, the prefix and its wineserver, the desktop keeper.
start_windows_environment() {
  local dir=build/windows started=$SECONDS
  start_xvfb "$work" || return 1
  echo "   Xvfb on display $DISPLAY (pid $xvfb_pid)"
  wine_lookup "$dir" && wine_start || return 1
  echo "   Wine ready in $((SECONDS - started)) s"
  if [[ -f "$dir/bin/desktop_keeper.exe" ]]; then
    "$dir/wine-run.sh" "$dir/bin/desktop_keeper.exe" </dev/null >/dev/null 2>&1 &
    keeper_pid=$!
  fi
}

test_started=$SECONDS
if ! scripts/setup.sh; then
  echo "setup failed"
  echo "0 passed, 1 failed, 0 skipped"
  exit 1
fi

for preset in "${presets[@]}"; do
  case "$preset" in
    native | fuzz)
      build "$preset" && run_ctest "$preset"
      ;;
    windows)
      if build windows; then
        echo "== windows: test environment"
        if start_windows_environment; then
          run_ctest windows
        else
          note_failure windows "test environment did not start"
        fi
      fi
      ;;
    windows-x86)
      build windows-x86 && summary+=("windows-x86: built (CriaBD.exe only; no 32-bit Wine here to run tests)")
      ;;
    *)
      echo "unknown build: $preset (native, fuzz, windows or windows-x86)"
      note_failure "$preset" "unknown build"
      ;;
  esac
done
[[ $# -eq 0 ]] && run_python_server_tests

echo
echo "== summary ($((SECONDS - test_started)) s)"
for line in "${summary[@]}"; do echo "$line"; done
if [[ ${#skipped[@]} -gt 0 ]]; then
  echo "skipped:"
  for line in "${skipped[@]}"; do echo "  $line"; done
fi
if [[ ${#failed[@]} -gt 0 ]]; then
  echo "failed:"
  for line in "${failed[@]}"; do echo "  $line"; done
fi
echo "$total_passed passed, $total_failed failed, $total_skipped skipped"
[[ $total_failed -eq 0 && $total_passed -gt 0 ]]
