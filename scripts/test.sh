#!/bin/bash
# The test command. Installs what is missing (scripts/setup.sh), then configures, builds and tests
# each build of the project:
#   native   portable units with GCC, ASan and UBSan
#   fuzz     libFuzzer targets (clang), each a bounded ctest run
#   windows  the product (mingw-w64); its test programs run under Wine, the GUI tests on an Xvfb
#            display of this script's own
#   windows-x86  the product for 32-bit Windows (mingw-w64 i686) and the test programs its
#            32-bit runs need: start-up, one installation, the page screenshots, the ODBC
#            connection, the wizard at 144 DPI; they run under Wine's 32-bit half, emulated where
#            the machine cannot run 32-bit code (scripts/emulate-x86.sh)
# With other builds in the run, the windows build is built first and its tests run in the
# background while the others are built and tested, the 32-bit tests and the release kit's test
# too (each on a screen and in a Wine prefix of its own); their output is printed when they end.
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
# shellcheck source=scripts/testing.sh
source scripts/testing.sh

if [[ $# -gt 0 ]]; then presets=("$@"); else presets=(native fuzz windows windows-x86); fi

work=$(mktemp -d "${TMPDIR:-/tmp}/wizard-test.XXXXXX")
: >"$work/started"  # what this run made is newer
preparing_pid=""  # the process making a build's Wine prefix ready while it is built
# While the windows build's tests run in the background, the other builds' compiles and the native
# and fuzz tests run at a lower priority: those tests wait on windows most of the time, and a
# compiler that lengthens their waits lengthens the run. (The 32-bit tests and the kit's keep the
# normal priority: they wait on windows too.)
build_niceness=0

cleanup() {
  stop_pid "${windows_tests_pid:-}"
  stop_pid "$preparing_pid"
  stop_windows_environment
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
built=()  # the Windows builds that built in this run
declare -A built_in=()  # seconds each build took to configure and build
report_line=""  # set by count_report: "N passed, N failed, N skipped" of one build

note_failure() {  # note_failure <build> <what>: a build step failed; counts as one failed test
  summary+=("$1: $2")
  failed+=("$1  $2")
  total_failed=$((total_failed + 1))
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
  # A Windows build's Wine prefix is made while the build is built (its tests wait for it); the
  # 32-bit build's where its programs run, in the emulation (a prefix made outside lacks its 32-bit
  # half). What the making printed stays in the build folder.
  local prefix_log="build/$preset/wineprefix-prepare.log"
  if [[ -x "build/$preset/wine-run.sh" ]]; then
    local where=()
    [[ "$preset" == windows-x86 ]] && where=(scripts/emulate-x86.sh)
    "${where[@]}" "build/$preset/wine-run.sh" --prepare </dev/null >"$prefix_log" 2>&1 &
    preparing_pid=$!
  fi
  local built_ok=1
  if ! nice -n "$build_niceness" cmake --build --preset "$preset" >>"$log" 2>&1; then
    grep -E -B2 -A12 'error|FAILED' "$log" | head -n 150
    note_failure "$preset" "build failed"
    built_ok=""
  fi
  if [[ -n "$preparing_pid" ]]; then
    local prepared=0
    wait "$preparing_pid" || prepared=$?  # (it takes far less than the build)
    preparing_pid=""
    if [[ $prepared -ne 0 ]]; then
      tail -n 30 "$prefix_log"
      # Counted, and the tests still run: each makes the prefix again on its way, or says why not.
      note_failure "$preset" "its Wine prefix could not be made (exit code $prepared; $prefix_log)"
    fi
  fi
  [[ -n "$built_ok" ]] || return 1
  built_in[$preset]=$((SECONDS - started))
  echo "   built in ${built_in[$preset]} s"
}

# Adds what ctest_to_report left in <folder> to the summary and the totals.
count_ctest() {  # count_ctest <preset> <folder>
  local preset=$1 report="$2/$1-report.txt" wall
  wall=$(cat "$2/$preset-wall.txt" 2>/dev/null)
  if [[ ! -f "$report" ]]; then
    note_failure "$preset" "no tests were found"
  elif ! count_report "$preset" "$report"; then
    note_failure "$preset" "ctest did not report a result"
  else
    summary+=("$preset: $report_line; built in ${built_in[$preset]:-?} s, tests $wall wall time")
  fi
}

run_ctest() {  # run_ctest <preset>
  ctest_to_report "$1" "$work" && count_ctest "$1" "$work"
}

# The 32-bit build's tests run inside the emulation (scripts/test-emulated.sh), which leaves their
# report in this run's folder. First, as a test of its own, the emulation itself: each thread
# must have descriptor-table entries of its own (tools/emulator/descriptor_check.c), or Wine's
# threads hang; when it fails, the 32-bit tests are not run.
run_x86_tests() {
  local status
  echo "== windows-x86: $(scripts/emulate-x86.sh --describe 2>&1)"
  scripts/emulate-x86.sh scripts/emulator.sh check
  status=$?
  if [[ $status -eq 0 ]]; then
    summary+=("windows-x86: 1 passed (each thread has its own descriptor table)")
    total_passed=$((total_passed + 1))
  elif [[ $status -ne 125 ]]; then
    note_failure windows-x86 "descriptor check failed: the emulator shares one descriptor table between threads; the 32-bit tests were not run"
    return
  fi
  scripts/emulate-x86.sh scripts/test-emulated.sh windows-x86 "$work"
  status=$?
  if [[ $status -eq 125 ]]; then
    # Not the program's fault: said as a skip, with the reason the emulation gave above.
    summary+=("windows-x86: built; its tests skipped (32-bit programs cannot run on this machine)")
    skipped+=("windows-x86  every test: 32-bit programs cannot run on this machine (see scripts/emulate-x86.sh)")
    total_skipped=$((total_skipped + 1))
  elif [[ ! -f "$work/windows-x86-wall.txt" ]]; then
    note_failure windows-x86 "test environment did not start"
  else
    count_ctest windows-x86 "$work"
    x86_screenshots_taken=1
  fi
}

x86_screenshots_taken=""  # the 32-bit tests ran: their screenshots are compared once the 64-bit ones are taken

# One more test: the 32-bit build's page screenshots are pixel for pixel the 64-bit build's. A
# 32-bit run that took none fails (unless ctest was told to run only some tests); without 64-bit
# pictures of this run there is nothing to compare with, which is a skip.
compare_x86_screenshots() {
  local page differing=() pixels pages=() why=""
  for page in build/windows-x86/screenshots/page*.png; do
    [[ -f "$page" && "$page" -nt "$work/started" ]] && pages+=("$page")
  done
  if [[ ${#pages[@]} -eq 0 && ${#ctest_args[@]} -gt 0 ]]; then
    why="ctest ran only some tests (CTEST_ARGS)"
  elif [[ ${#pages[@]} -eq 0 ]]; then
    note_failure windows-x86 "page screenshots: the 32-bit build took none"
    return
  fi
  for page in "${pages[@]}"; do
    [[ "build/windows/screenshots/${page##*/}" -nt "$work/started" ]] || why="the 64-bit build took none in this run"
  done
  if [[ -n "$why" ]]; then
    skipped+=("windows-x86  page screenshots equal the 64-bit build's: $why")
    total_skipped=$((total_skipped + 1))
    return
  fi
  for page in "${pages[@]}"; do
    pixels=$(compare -metric AE "$page" "build/windows/screenshots/${page##*/}" null: 2>&1)
    [[ "$pixels" == 0 ]] || differing+=("${page##*/}: $pixels pixels")
  done
  if [[ ${#differing[@]} -eq 0 ]]; then
    summary+=("windows-x86: 1 passed (the page screenshots equal the 64-bit build's)")
    total_passed=$((total_passed + 1))
  else
    summary+=("windows-x86: 1 failed (page screenshots)")
    failed+=("windows-x86  screenshots differ from the 64-bit build's: ${differing[*]}")
    total_failed=$((total_failed + 1))
  fi
}

test_started=$SECONDS
# A set-up step that was retried or relaxed (a package mirror in the middle of a sync) leaves a
# line in setup-notes, which the summary repeats: a green run that needed it shows so.
if ! SETUP_NOTES="$work/setup-notes" scripts/setup.sh --packages-only; then
  echo "setup failed"
  echo "0 passed, 1 failed, 0 skipped"
  exit 1
fi
setup_seconds=$((SECONDS - test_started))

# The windows build's tests spend most of their time waiting for windows, not computing: with
# other builds in the run, they run in the background (their output kept, and printed when they
# end) while the others are built and tested.
windows_tests_pid=""
start_windows_tests() {
  echo "== windows: tests in the background while the other builds are built (their output follows when they end)"
  (
    trap stop_windows_environment EXIT
    echo "== windows: test environment"
    if start_windows_environment build/windows; then
      ctest_to_report windows "$work"
    else
      : >"$work/windows-environment-failed"
    fi
  ) >"$work/windows-tests.log" 2>&1 &
  windows_tests_pid=$!
  build_niceness=10
}
finish_windows_tests() {
  [[ -n "$windows_tests_pid" ]] || return 0
  wait "$windows_tests_pid"
  windows_tests_pid=""
  cat "$work/windows-tests.log"
  if [[ -f "$work/windows-environment-failed" ]]; then
    note_failure windows "test environment did not start"
  else
    count_ctest windows "$work"
  fi
}

run_build() {  # run_build <preset>
  case "$1" in
    native | fuzz)
      build "$1" && run_ctest "$1"
      ;;
    windows)
      if build windows; then
        built+=(windows)
        if [[ ${#presets[@]} -gt 1 ]]; then
          start_windows_tests
        else
          echo "== windows: test environment"
          if start_windows_environment build/windows; then
            run_ctest windows
          else
            note_failure windows "test environment did not start"
          fi
        fi
      fi
      ;;
    windows-x86)
      # The emulator of the 32-bit tests, where this machine needs one (built once, a few minutes).
      if ! scripts/emulator.sh build; then
        note_failure windows-x86 "the 32-bit emulator could not be built (scripts/emulator.sh)"
      elif build windows-x86; then
        built+=(windows-x86)
        run_x86_tests
      fi
      ;;
    *)
      echo "unknown build: $1 (native, fuzz, windows or windows-x86)"
      note_failure "$1" "unknown build"
      ;;
  esac
}

# The release kit, as a technician uses it, when both Windows builds built in this run.
run_kit_test() {
  [[ " ${built[*]} " == *" windows "* && " ${built[*]} " == *" windows-x86 "* && ${#ctest_args[@]} -eq 0 ]] || return 0
  echo "== release kit: made, unpacked and used (scripts/kit-test.sh)"
  local started result
  started=$(now_ms)
  scripts/kit-test.sh 2>&1 | tee "$work/kit.log"
  result=$(tail -n 1 "$work/kit.log")
  if [[ "$result" == "kit test: passed" ]]; then
    summary+=("release kit: 1 passed; $(seconds_since "$started") wall time")
    total_passed=$((total_passed + 1))
  else
    note_failure "release kit" "${result#kit test: }"
  fi
}

# The windows build first, so that its tests run while the others are built and tested; then the
# 32-bit build and the kit, whose tests (on one core, mostly waiting for windows) run beside it,
# and last the builds whose compiles and tests keep both cores busy to the end.
[[ " ${presets[*]} " == *" windows "* ]] && run_build windows
if [[ " ${presets[*]} " == *" windows-x86 "* ]]; then
  run_build windows-x86
  run_kit_test
fi
for preset in "${presets[@]}"; do
  [[ "$preset" == windows || "$preset" == windows-x86 ]] || run_build "$preset"
done

finish_windows_tests
[[ -n "$x86_screenshots_taken" ]] && compare_x86_screenshots

echo
echo "== summary ($((SECONDS - test_started)) s)"
# What the verdict may depend on: the kernel, the cores, and how 32-bit code ran.
echo "machine: Linux $(uname -r), $(nproc) cores; $(scripts/emulate-x86.sh --describe 2>&1)"
echo "setup: $setup_seconds s"
if [[ -s "$work/setup-notes" ]]; then
  while IFS= read -r line; do echo "setup: $line"; done <"$work/setup-notes"
fi
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
