#!/bin/bash
# The test command. Installs what is missing (scripts/setup.sh), then configures, builds and tests
# each build of the project:
#   native   portable units with GCC, ASan and UBSan
#   fuzz     libFuzzer targets (clang), each a bounded ctest run
#   windows  the product (mingw-w64); its test programs run under Wine, the GUI tests on an Xvfb
#            display of this script's own
# and ends with ctest's line per build and an overall "N passed, N failed" line. Exit code 0 only
# when every build built and every test passed.
#
#   scripts/test.sh                   all three builds
#   scripts/test.sh native windows    only those builds
# Environment: TEST_JOBS (ctest parallelism, default 2), CTEST_ARGS (extra ctest arguments, such as
# "-L gui" or "-R Rig").
#
# For the Windows tests this script starts, and stops again on exit, by process id: an Xvfb on the
# first free display number, the build prefix's wineserver and Wine services (started detached
# before ctest: they keep the output handles of whoever starts them, and ctest would wait for them),
# and a program that keeps Wine's desktop alive between test programs. On exit it also runs
# `wineserver -k` for the build's prefix.
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root" || exit 1
jobs=${TEST_JOBS:-2}
read -r -a ctest_args <<<"${CTEST_ARGS:-}"
if [[ $# -gt 0 ]]; then presets=("$@"); else presets=(native fuzz windows); fi

work=$(mktemp -d "${TMPDIR:-/tmp}/wizard-test.XXXXXX")
xvfb_pid=""
keeper_pid=""
wine_prefix=""
wine_server=""

cleanup() {
  if [[ -n "$keeper_pid" ]]; then
    kill "$keeper_pid" 2>/dev/null
    wait "$keeper_pid" 2>/dev/null
  fi
  if [[ -n "$wine_server" && -d "$wine_prefix" ]]; then
    WINEPREFIX="$wine_prefix" "$wine_server" -k </dev/null >/dev/null 2>&1
  fi
  if [[ -n "$xvfb_pid" ]]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

summary=()
total_passed=0
total_failed=0

note_failure() {  # a build step failed: counts as one failed test of that build
  summary+=("$1: $2")
  total_failed=$((total_failed + 1))
}

# A build folder configured from another source tree (a copied or cloned tree) cannot be reused.
forget_foreign_cache() {
  local cache="$1/CMakeCache.txt" home
  [[ -f "$cache" ]] || return 0
  home=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$cache")
  if [[ -n "$home" && "$home" != "$root" ]]; then
    echo "test: $1 was configured for $home; configuring it afresh"
    rm -rf "$cache" "$1/CMakeFiles"
  fi
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

run_ctest() {  # run_ctest <preset>
  local preset=$1 log="$work/$1-ctest.log"
  echo "== $preset: tests"
  ctest --preset "$preset" -j "$jobs" "${ctest_args[@]}" 2>&1 | tee "$log"
  local line
  line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [[ -z "$line" ]]; then
    if grep -q 'No tests were found' "$log"; then
      summary+=("$preset: no tests")
    else
      note_failure "$preset" "ctest did not report a result"
    fi
    return
  fi
  local total failed
  total=${line##* out of }
  failed=$(sed -E 's/.* ([0-9]+) tests? failed out of.*/\1/' <<<"$line")
  summary+=("$preset: $line")
  total_passed=$((total_passed + total - failed))
  total_failed=$((total_failed + failed))
}

start_xvfb() {
  # -displayfd: the server takes the first free display number and writes it to the descriptor.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" </dev/null >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  local i
  for ((i = 0; i < 200; i++)); do
    [[ -s "$work/display" ]] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.05
  done
  if [[ ! -s "$work/display" ]]; then
    cat "$work/xvfb.log"
    xvfb_pid=""
    return 1
  fi
  DISPLAY=":$(head -n 1 "$work/display")"
  export DISPLAY
  echo "   Xvfb on display $DISPLAY (pid $xvfb_pid)"
}

# The build's prefix is created if needed (wine-run.sh does it, ~20 s the first time), then the
# wineserver and the Wine services are started with no handle of ours.
start_wine() {
  local dir=build/windows
  wine_prefix=$(sed -n 's/^WIZARD_WINEPREFIX:PATH=//p' "$dir/CMakeCache.txt")
  wine_server=$(sed -n 's/^WINESERVER_BIN:FILEPATH=//p' "$dir/CMakeCache.txt")
  [[ -n "$wine_prefix" && -x "$wine_server" ]] || { echo "no Wine prefix or wineserver in $dir/CMakeCache.txt"; return 1; }
  export WINEPREFIX="$wine_prefix"
  local started=$SECONDS
  [[ -f "$wine_prefix/.ready" ]] || echo "   creating the Wine prefix $wine_prefix"
  "$dir/wine-run.sh" wineboot </dev/null >/dev/null 2>&1
  if [[ ! -f "$wine_prefix/.ready" ]]; then
    echo "   the Wine prefix could not be made ready"
    return 1
  fi
  echo "   Wine ready in $((SECONDS - started)) s"
  if [[ -f "$dir/bin/desktop_keeper.exe" ]]; then
    "$dir/wine-run.sh" "$dir/bin/desktop_keeper.exe" </dev/null >/dev/null 2>&1 &
    keeper_pid=$!
  fi
}

run_python_server_tests() {
  # Run here only when no build runs them as a ctest test.
  [[ -d tools/sqltestserver/tests ]] || return 0
  grep -q 'tools/sqltestserver' CMakeLists.txt && return 0
  echo "== sqltestserver: Python unit tests"
  local log="$work/python.log"
  (cd tools/sqltestserver && PYTHONDONTWRITEBYTECODE=1 python3 -m unittest discover -s tests -t .) 2>&1 | tee "$log"
  local ran failures errors
  ran=$(sed -nE 's/^Ran ([0-9]+) tests?.*/\1/p' "$log" | tail -n 1)
  failures=$(sed -nE 's/.*failures=([0-9]+).*/\1/p' "$log" | tail -n 1)
  errors=$(sed -nE 's/.*errors=([0-9]+).*/\1/p' "$log" | tail -n 1)
  if [[ -z "$ran" ]]; then
    note_failure sqltestserver "unittest did not report a result"
    return
  fi
  local failed=$(( ${failures:-0} + ${errors:-0} ))
  summary+=("sqltestserver: $ran tests, $failed failed")
  total_passed=$((total_passed + ran - failed))
  total_failed=$((total_failed + failed))
}

test_started=$SECONDS
if ! scripts/setup.sh; then
  echo "setup failed"
  echo "0 passed, 1 failed"
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
        if start_xvfb && start_wine; then
          run_ctest windows
        else
          note_failure windows "test environment did not start"
        fi
      fi
      ;;
    *)
      echo "unknown build: $preset (native, fuzz or windows)"
      note_failure "$preset" "unknown build"
      ;;
  esac
done
[[ $# -eq 0 ]] && run_python_server_tests

echo
echo "== summary ($((SECONDS - test_started)) s)"
for line in "${summary[@]}"; do echo "$line"; done
echo "$total_passed passed, $total_failed failed"
[[ $total_failed -eq 0 && $total_passed -gt 0 ]]
