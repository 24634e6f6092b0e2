#!/bin/bash
# The release kit checked as a technician uses it (scripts/test.sh runs it after both Windows builds):
#   scripts/kit-test.sh
# 1. makes a throw-away self-signed certificate and a kit with scripts/release.sh, signed with it,
#    in a folder of its own (the dist/ folder is not touched);
# 2. unpacks the zip into a fresh folder, checks SHA256SUMS and every executable's signature
#    (osslsigncode verify), and puts the products' stand-in executables and the sample scripts beside the
#    programs, as at a shop;
# 3. runs the kit's 64-bit wizard through one whole installation against the SQL Server test
#    server with real input (the GUI test of a VelmoPos installation, told to take the wizard from
#    the kit: WIZARD_PROGRAM_FOLDER);
# 4. under the 32-bit emulation of the tests (scripts/emulate-x86.sh), starts the kit's 32-bit
#    wizard (the start-up test's window check) and runs the kit's 32-bit checker against the test
#    server, reading what it prints.
# The last line says "kit test: passed" or "kit test: FAILED: <why>"; exit code 0 or 1.
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root" || exit 1
say_prefix="kit: "
# shellcheck source=scripts/common.sh
source scripts/common.sh

work=""
server_password="Kit#test-2026"
cleanup() {
  stop_pid "$server_pid"
  wine_stop
  stop_xvfb
  [[ -n "$work" ]] && rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
fail() {
  echo "kit test: FAILED: $*"
  exit 1
}

windows_path() { echo "Z:${1//\//\\}"; }

# The 32-bit half, inside the emulation: <kit's x86 folder> <work folder>.
if [[ "${1:-}" == "--inside-emulation" ]]; then
  x86=$2 work=""
  start_xvfb "$3" || fail "no Xvfb for the 32-bit programs"
  wine_lookup build/windows-x86 && wine_start >/dev/null || fail "the 32-bit Wine prefix did not start"
  WIZARD_PROGRAM_FOLDER=$(windows_path "$x86") build/windows-x86/wine-run.sh \
    build/windows-x86/bin/wizard_startup_test.exe \
    --gtest_filter=WizardStartup.WindowHasItsTitleFixedDialogFrameSizeAndCentredPlace >"$3/x86-wizard.log" 2>&1
  status=$?
  # The Wine server ends with SIGKILL a process that is slow to leave once its last thread has
  # gone; emulated on a busy machine, the test program can be that slow after it has reported. Its
  # report decides then (exit code 137 and a complete, passed run).
  if [[ $status -eq 137 ]] && grep -q '^\[  PASSED  \] 1 test\.' "$3/x86-wizard.log"; then
    say "the 32-bit test program passed, and was ended by the Wine server on its way out (exit code 137)"
    status=0
  fi
  [[ $status -eq 0 ]] || { tail -n 30 "$3/x86-wizard.log"; fail "the kit's 32-bit wizard did not start as it should"; }
  start_sql_server "$3/sqltestserver.out" --port 0 --browser 0 --login "sa:$server_password" \
    --log "$3/sqltestserver.log" || fail "the test server did not start"
  # The technician's command: the server and login as options, the password typed when asked.
  (cd "$x86" && printf '%s\n' "$server_password" |
    "$root/build/windows-x86/wine-run.sh" ./VerificaBD.exe /servidor "127.0.0.1,$server_port" /utilizador sa \
      >"$3/x86-checker.log" 2>&1)
  status=$?
  sed 's/^/    /' "$3/x86-checker.log"
  grep -q "^\[ OK \] login em master como sa" "$3/x86-checker.log" ||
    fail "the kit's 32-bit checker did not report the login to the test server (exit code $status)"
  exit 0
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/kit-test.XXXXXX")

say "a throw-away certificate and a signed kit"
openssl req -x509 -newkey rsa:2048 -sha256 -days 2 -subj "/CN=CriaBD kit test" \
  -keyout "$work/key.pem" -out "$work/cert.pem" -passout pass:kit-test >"$work/openssl.log" 2>&1 ||
  fail "no test certificate (openssl)"
DIST_DIR="$work/dist" SIGN_CERT="$work/cert.pem" SIGN_KEY="$work/key.pem" SIGN_PASS=kit-test \
  scripts/release.sh >"$work/release.log" 2>&1 || { cat "$work/release.log"; fail "scripts/release.sh failed"; }
sed 's/^/    /' "$work/release.log"
zips=("$work"/dist/CriaBD-*.zip)
[[ -f "${zips[0]}" ]] || fail "scripts/release.sh wrote no zip"
name=$(basename "${zips[0]}" .zip)

say "unpacked into a fresh folder: checksums, signatures, version"
mkdir "$work/shop"
python3 -m zipfile -e "${zips[0]}" "$work/shop" || fail "the zip does not unpack"
kit="$work/shop/$name"
(cd "$kit" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not verify"
for exe in "$kit"/x64/*.exe "$kit"/x86/*.exe; do
  osslsigncode verify -CAfile "$work/cert.pem" -in "$exe" >"$work/verify.log" 2>&1 ||
    { tail -n 5 "$work/verify.log"; fail "the signature of ${exe#"$kit"/} does not verify"; }
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/windows/CMakeCache.txt)
[[ "$name" == "CriaBD-$version" ]] || fail "the kit is named $name, the project's version is $version"
for folder in x64 x86; do
  cp build/windows/bin/Velmo*.exe provisioning/sql/*.inf "$kit/$folder/" || fail "no products or sample scripts to stage"
done

say "the kit's 64-bit wizard: one whole installation with real input"
start_xvfb "$work" || fail "no Xvfb"
# A prefix of the kit test's own: the windows build's tests may still run in the build's prefix.
# (Not named wineprefix-*: those are the tests' own prefixes, which the end of their run stops.)
wine_lookup build/windows "$root/build/windows/wineprefix.kit" && wine_start >/dev/null ||
  fail "the Wine prefix did not start"
(cd tools/sqltestserver && python3 -m sqltestserver start --dir "$work/supervisor" >/dev/null 2>&1) ||
  fail "the test server's supervisor did not start"
SQLTESTSERVER_PORT_FILE="$work/supervisor/sqltestserver.port" WIZARD_PROGRAM_FOLDER=$(windows_path "$kit/x64") \
  build/windows/wine-run.sh build/windows/bin/wizard_install_test.exe \
  --gtest_filter='EveryProduct/CompleteInstallation.EndsOnTheFinalPageWithTheDatabaseFilled/VelmoPosNormal' \
  >"$work/x64-install.log" 2>&1
status=$?
(cd tools/sqltestserver && python3 -m sqltestserver stop --dir "$work/supervisor" >/dev/null 2>&1)
grep -q '^\[  PASSED  \] 1 test' "$work/x64-install.log" && [[ $status -eq 0 ]] ||
  { tail -n 40 "$work/x64-install.log"; fail "the kit's 64-bit wizard did not complete the installation"; }

say "the kit's 32-bit wizard and checker, emulated where the machine cannot run them"
scripts/emulate-x86.sh scripts/kit-test.sh --inside-emulation "$kit/x86" "$work"
status=$?
[[ $status -eq 0 ]] || { [[ $status -eq 125 ]] && fail "32-bit programs cannot run on this machine"; exit 1; }
echo "kit test: passed"
