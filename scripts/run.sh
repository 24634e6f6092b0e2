#!/bin/bash
# The run command: builds the wizard (the windows build), starts the SQL Server test server as the
# machine's default database server, and runs the wizard under Wine until it ends.
#
# The wizard runs from build/windows/run/, beside copies of the script files (DBScript.inf,
# DBDefault.inf, DBDemo.inf) and of the products' stand-in executables (VelmoPos.exe, ... with
# test file versions, from tests/gui/fixtures); it writes its data
# link file (<product>.udl) there. The test server listens on 127.0.0.1 TCP 1433 (RUN_SQL_PORT to
# change it) and answers the Browser lookup of instance MARLOVEXSQL on UDP 1434 (RUN_SQL_BROWSER;
# the database client asks port 1434 only); login sa with the wizard's default password. Its log of every statement: build/windows/run/sqltestserver.log.
#
# The window appears on $DISPLAY; with no DISPLAY set, on an Xvfb of this script's own (it says
# which display, so that screenshots can be taken and xdotool can drive it). Everything this script
# started is stopped, by process id, when the wizard ends, on Ctrl+C or when the script is sent
# SIGTERM: the wizard, the test server, the Xvfb, and the prefix's wineserver if this script started
# it and no other program (such as a test run of scripts/test.sh) uses the prefix (scripts/common.sh).
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root" || exit 1
say_prefix="run: "
# shellcheck source=scripts/common.sh
source scripts/common.sh

dir=build/windows
run="$dir/run"
sql_port=${RUN_SQL_PORT:-1433}
browser_port=${RUN_SQL_BROWSER:-1434}

server_pid=""
wizard_pid=""

cleanup() {
  if [[ -n "$wizard_pid" ]]; then
    stop_pid "$wizard_pid"
    wizard_pid=""
    say "the wizard was ended"
  fi
  if [[ -n "$server_pid" ]]; then
    stop_pid "$server_pid"
    server_pid=""
    say "SQL test server stopped"
  fi
  wine_stop
  stop_xvfb
}
trap cleanup EXIT
trap 'exit 130' INT TERM

scripts/setup.sh --packages-only || exit 1  # the 64-bit wizard needs no 32-bit emulator

say "building the wizard (log: $dir/run-build.log)"
mkdir -p "$dir"
forget_foreign_cache "$dir"
# The wizard, and the stand-ins for the products' executables (their file versions name the
# default databases).
if ! { cmake --preset windows && cmake --build --preset windows --target wizard wizard_products; } \
     >"$dir/run-build.log" 2>&1; then
  grep -E -B2 -A12 'error|FAILED|Error' "$dir/run-build.log" | head -n 80
  say "the build failed"
  exit 1
fi

rm -rf "$run"
mkdir -p "$run"
cp "$dir/bin/CriaBD.exe" "$run/"
shopt -s nullglob
for file in "$dir"/bin/*.inf "$dir"/bin/Velmo*.exe; do cp "$file" "$run/"; done
products=("$run"/Velmo*.exe)
[[ ${#products[@]} -gt 0 ]] || say "note: no product executable (Velmo*.exe) beside the wizard"

# The SQL Server test server, in the foreground of a background job of ours.
say "starting the SQL test server (TCP $sql_port, Browser UDP $browser_port, instance MARLOVEXSQL)"
if ! start_sql_server "$run/sqltestserver.out" --port "$sql_port" --browser "$browser_port" --instance MARLOVEXSQL \
  --log "$root/$run/sqltestserver.log"; then
  cat "$run/sqltestserver.out"
  say "the SQL test server did not start (ports $sql_port/TCP and $browser_port/UDP free?)"
  exit 1
fi
sed 's/^/run: /' "$run/sqltestserver.out"
host=$(hostname)
if ! getent ahostsv4 "$host" | grep -q '^127\.'; then
  say "note: this computer's name ($host) is not a loopback address: type 127.0.0.1 as Servidor"
fi

if [[ -z "${DISPLAY:-}" ]]; then
  start_xvfb "$run" || exit 1
  say "no DISPLAY set: the wizard runs on an Xvfb of its own, display $DISPLAY"
  say "  screenshot:  DISPLAY=$DISPLAY import -window root /tmp/wizard.png"
  say "  drive it:    DISPLAY=$DISPLAY xdotool search --name 'Base de Dados'   (Ctrl+C here ends all)"
fi

wine_lookup "$dir" && wine_start || exit 1
say "starting the wizard ($run/CriaBD.exe)"
# In the background, so that a signal to this script ends it at once (bash runs a trap only after
# a foreground command has ended).
(cd "$run" && exec "$root/$dir/wine-run.sh" CriaBD.exe) &
wizard_pid=$!
say "the wizard runs (pid $wizard_pid)"
wait "$wizard_pid"
status=$?
wizard_pid=""
say "the wizard ended (exit code $status)"
