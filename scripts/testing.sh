# shellcheck shell=bash
# What scripts/test.sh and scripts/test-emulated.sh share (sourced by them after scripts/common.sh,
# not run on its own): wall-clock figures, one build's ctest run turned into a report, and a Windows
# build's test environment.
#
# The sourcing script sets `work` (its own temporary folder) and may set `build_niceness` (the
# priority its tests run at); `jobs`, `ctest_args` and `keeper_pid` are set here.

jobs=${TEST_JOBS:-2}                        # ctest's parallelism
read -r -a ctest_args <<<"${CTEST_ARGS:-}"  # extra ctest arguments
keeper_pid=""                               # the program that keeps Wine's desktop alive between test programs

now_ms() {  # wall clock in milliseconds
  local micro=${EPOCHREALTIME/[.,]/}
  echo $((micro / 1000))
}

seconds_since() {  # seconds_since <now_ms value>: "12.3 s"
  local ms=$(($(now_ms) - $1))
  printf '%d.%d s' $((ms / 1000)) $((ms % 1000 / 100))
}

# ctest's own output as it runs; the counts come from its junit report (ctest's "% tests passed"
# line counts skipped tests as passed). Passed tests' output is kept whole for the skip reasons.
# Leaves <folder>/<preset>-report.txt (none when no test was found) and <preset>-wall.txt.
ctest_to_report() {  # ctest_to_report <preset> <folder>
  local preset=$1 log="$work/$1-ctest.log" junit="$work/$1-junit.xml" report="$2/$1-report.txt"
  echo "== $preset: tests"
  local started wall
  started=$(now_ms)
  nice -n "${build_niceness:-0}" ctest --preset "$preset" -j "$jobs" --output-junit "$junit" \
    --test-output-size-passed 1048576 --test-output-size-failed 1048576 "${ctest_args[@]}" 2>&1 | tee "$log"
  wall=$(seconds_since "$started")
  echo "   $preset: tests took $wall (wall time)"
  echo "$wall" >"$2/$preset-wall.txt"
  rm -f "$report"
  grep -q 'No tests were found' "$log" && return
  python3 scripts/ctest_report.py junit "$junit" >"$report" || echo "unreadable" >"$report"
}

# A Windows build's test environment: an Xvfb, the prefix and its wineserver, the desktop keeper.
start_windows_environment() {  # start_windows_environment <build folder>
  local dir=$1 started=$SECONDS
  start_xvfb "$work" || return 1
  echo "   Xvfb on display $DISPLAY (pid $xvfb_pid)"
  wine_lookup "$dir" && wine_start || return 1
  echo "   Wine ready in $((SECONDS - started)) s"
  if [[ -f "$dir/bin/desktop_keeper.exe" ]]; then
    "$dir/wine-run.sh" "$dir/bin/desktop_keeper.exe" </dev/null >/dev/null 2>&1 &
    keeper_pid=$!
  fi
}

stop_windows_environment() {
  stop_pid "$keeper_pid"
  keeper_pid=""
  own_prefixes_stop
  wine_stop
  stop_xvfb
}
