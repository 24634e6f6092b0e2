#!/bin/sh
# cmake/wine-run.sh starts a test program once more only when its start failed before any of its
# code ran (no start mark, tests/support/StartMark.cpp); a program that ran, or a program without
# the mark, runs once whatever its exit code.
#   wine_run_test.sh <build folder> <a test program of the build>
# Each case: the environment, the program and its arguments, then the exit code, the number of
# notes "starting it once more" and the number of starts that Wine's loader or the program reports.
build=$1
run="$build/wine-run.sh"
program=$2
out=$(mktemp -d) || exit 1
trap 'rm -rf "$out"' EXIT
failures=0

check() {  # check <label> <exit code> <notes> <starts> <start pattern> <env> <program> [arguments...]
  label=$1 want_code=$2 want_notes=$3 want_starts=$4 pattern=$5 setting=$6
  shift 6
  env WINEDEBUG=-all,err+module $setting "$run" "$@" >"$out/stdout" 2>"$out/stderr" </dev/null
  code=$?
  notes=$(grep -c 'before any of its code ran.*starting it once more' "$out/stderr")
  starts=$(cat "$out/stdout" "$out/stderr" | grep -c -- "$pattern")
  if [ "$code" != "$want_code" ] || [ "$notes" != "$want_notes" ] || [ "$starts" != "$want_starts" ]; then
    echo "FAILED $label: exit code $code (expected $want_code), notes $notes ($want_notes), starts $starts ($want_starts)"
    sed 's/^/  | /' "$out/stderr"
    failures=$((failures + 1))
  else
    echo "ok     $label"
  fi
}

# A test program that lists its tests: one start.
check "a listing that works" 0 0 1 "^Running main()" "" "$program" --gtest_list_tests
# The program runs and fails (gtest refuses a bad internal flag): never started again.
check "a test program that ran and failed" 3 0 1 "Bad --gtest_internal_run_death_test" "" \
  "$program" --gtest_internal_run_death_test=bad
# Wine cannot load the program (its C library is withheld): it never ran, so it is started once
# more, told once, and its failure passed on.
check "a test program Wine did not start" 53 1 2 "Importing dlls for .*${program##*/}.* failed" \
  "WINEDLLOVERRIDES=mscoree,mshtml,msvcrt=" "$program" --gtest_list_tests
# Wine's own tool has no start mark: it runs once, failing or not.
check "a program without the mark" 1 0 1 "Unable to find the specified registry key" "" reg query 'HKCU\Software\NoSuchKeyOfTheTests'
[ "$failures" -eq 0 ]
