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
# started is stopped when the wizard ends or on Ctrl+C.
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root" || exit 1
dir=build/windows
run="$dir/run"
sql_port=${RUN_SQL_PORT:-1433}
browser_port=${RUN_SQL_BROWSER:-1434}

server_pid=""
xvfb_pid=""
wine_prefix=""
wine_server=""
own_wineserver=""

cleanup() {
  if [[ -n "$server_pid" ]]; then
    kill "$server_pid" 2>/dev/null
    wait "$server_pid" 2>/dev/null
    echo "run: SQL test server stopped"
  fi
  if [[ -n "$own_wineserver" ]]; then
    WINEPREFIX="$wine_prefix" "$wine_server" -k </dev/null >/dev/null 2>&1
  fi
  if [[ -n "$xvfb_pid" ]]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

scripts/setup.sh || exit 1

echo "run: building the wizard (log: $dir/run-build.log)"
mkdir -p "$dir"
if [[ -f "$dir/CMakeCache.txt" ]] &&
   ! grep -qx "CMAKE_HOME_DIRECTORY:INTERNAL=$root" "$dir/CMakeCache.txt"; then
  rm -rf "$dir/CMakeCache.txt" "$dir/CMakeFiles"  # configured for another copy of the tree
fi
# The wizard, and the stand-ins for the products' executables (their file versions name the
# default databases).
if ! { cmake --preset windows && cmake --build --preset windows --target wizard wizard_products; } \
     >"$dir/run-build.log" 2>&1; then
  grep -E -B2 -A12 'error|FAILED|Error' "$dir/run-build.log" | head -n 80
  echo "run: the build failed"
  exit 1
fi

rm -rf "$run"
mkdir -p "$run"
cp "$dir/bin/CriaBD.exe" "$run/"
shopt -s nullglob
for file in "$dir"/bin/*.inf "$dir"/bin/Velmo*.exe; do cp "$file" "$run/"; done
products=("$run"/Velmo*.exe)
[[ ${#products[@]} -gt 0 ]] || echo "run: note: no product executable (Velmo*.exe) beside the wizard"

# The SQL Server test server, in the foreground of a background job of ours.
echo "run: starting the SQL test server (TCP $sql_port, Browser UDP $browser_port, instance MARLOVEXSQL)"
(cd tools/sqltestserver &&
  exec python3 -m sqltestserver serve --port "$sql_port" --browser "$browser_port" --instance MARLOVEXSQL \
    --log "$root/$run/sqltestserver.log") </dev/null >"$run/sqltestserver.out" 2>&1 &
server_pid=$!
for ((i = 0; i < 200; i++)); do
  grep -q '^sqltestserver: port' "$run/sqltestserver.out" 2>/dev/null && break
  kill -0 "$server_pid" 2>/dev/null || break
  sleep 0.1
done
if ! grep -q '^sqltestserver: port' "$run/sqltestserver.out" 2>/dev/null; then
  cat "$run/sqltestserver.out"
  echo "run: the SQL test server did not start (ports $sql_port/TCP and $browser_port/UDP free?)"
  exit 1
fi
sed 's/^/run: /' "$run/sqltestserver.out"
host=$(hostname)
if ! getent ahostsv4 "$host" | grep -q '^127\.'; then
  echo "run: note: this computer's name ($host) is not a loopback address: type 127.0.0.1 as Servidor"
fi

if [[ -z "${DISPLAY:-}" ]]; then
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$run/display" </dev/null >"$run/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for ((i = 0; i < 200; i++)); do
    [[ -s "$run/display" ]] && break
    sleep 0.05
  done
  [[ -s "$run/display" ]] || { echo "run: Xvfb did not start"; exit 1; }
  DISPLAY=":$(head -n 1 "$run/display")"
  export DISPLAY
  echo "run: no DISPLAY set: the wizard runs on an Xvfb of its own, display $DISPLAY"
  echo "run:   screenshot:  DISPLAY=$DISPLAY import -window root /tmp/wizard.png"
  echo "run:   drive it:    DISPLAY=$DISPLAY xdotool search --name 'Base de Dados'   (Ctrl+C here ends all)"
fi

wine_prefix=$(sed -n 's/^WIZARD_WINEPREFIX:PATH=//p' "$dir/CMakeCache.txt")
wine_server=$(sed -n 's/^WINESERVER_BIN:FILEPATH=//p' "$dir/CMakeCache.txt")
export WINEPREFIX="$wine_prefix"
# A wineserver that runs already (tests, an earlier run) stays; one started here is stopped at the end.
if [[ ! -f "$wine_prefix/.ready" ]]; then
  own_wineserver=1
  echo "run: creating the Wine prefix $wine_prefix (about 20 s, once)"
elif "$wine_server" -p </dev/null >/dev/null 2>&1; then
  own_wineserver=1
fi
echo "run: starting the wizard ($run/CriaBD.exe)"
(cd "$run" && "$root/$dir/wine-run.sh" CriaBD.exe)
echo "run: the wizard ended (exit code $?)"
