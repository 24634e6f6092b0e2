# shellcheck shell=bash
# Helpers shared by scripts/test.sh and scripts/run.sh (sourced by them, not run on its own):
# build folder checks, an Xvfb of the script's own, the windows build's Wine prefix and its
# wineserver, and ending what the script started by its process id.
#
# The sourcing script sets `root` (the source tree, its current folder) and `say_prefix` (put before
# every line these helpers print). Each script run marks its environment with a token of its own,
# WIZARD_SCRIPT_RUN, which every process it starts inherits (Wine hands it on to the Windows
# programs it starts): that is how a script tells its own Wine processes from another's.

WIZARD_SCRIPT_RUN="$(basename "$0"):$$:$(date +%s%N)"
export WIZARD_SCRIPT_RUN

say() { echo "${say_prefix:-}$*"; }

stop_pid() {  # stop_pid <pid>: ends a background job of this script (if any) and reaps it
  [[ -n "${1:-}" ]] || return 0
  kill "$1" 2>/dev/null
  wait "$1" 2>/dev/null
  return 0
}

# A build folder configured from another source tree (a copied or cloned tree) cannot be reused:
# its cache is dropped, so that the next configure starts afresh.
forget_foreign_cache() {  # forget_foreign_cache <build folder>
  local cache="$1/CMakeCache.txt" home
  [[ -f "$cache" ]] || return 0
  home=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$cache")
  if [[ -n "$home" && "$home" != "${root:?}" ]]; then
    say "$1 was configured for $home; configuring it afresh"
    rm -rf "$cache" "$1/CMakeFiles"
  fi
}

# Starts an Xvfb on the first free display number (-displayfd: the server picks it and writes it
# to the descriptor) and exports DISPLAY. Sets xvfb_pid; its files go to <folder>. The screen is
# large enough for the wizard's window at 200 % (1166 x 729 with its frame, for the DPI tests).
xvfb_pid=""
start_xvfb() {  # start_xvfb <folder>
  local folder=$1 i
  rm -f "$folder/display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$folder/display" </dev/null >"$folder/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for ((i = 0; i < 200; i++)); do
    [[ -s "$folder/display" ]] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.05
  done
  if [[ ! -s "$folder/display" ]]; then
    cat "$folder/xvfb.log"
    stop_pid "$xvfb_pid"
    xvfb_pid=""
    say "Xvfb did not start"
    return 1
  fi
  DISPLAY=":$(head -n 1 "$folder/display")"
  export DISPLAY
}

stop_xvfb() {
  stop_pid "$xvfb_pid"
  xvfb_pid=""
}

# --- the SQL Server test server -------------------------------------------------------------------
# Starts one instance in the foreground of a background job of the script's own, with the given
# `serve` options, its output in <file>; sets server_pid and server_port. False when it did not
# come up within 20 s (its output then says why).
server_pid=""
server_port=""
start_sql_server() {  # start_sql_server <output file> <serve options...>
  local out=$1 i
  shift
  (cd "${root:?}/tools/sqltestserver" && exec python3 -m sqltestserver serve "$@") </dev/null >"$out" 2>&1 &
  server_pid=$!
  for ((i = 0; i < 200; i++)); do
    server_port=$(sed -n 's/^sqltestserver: port \([0-9]*\).*/\1/p' "$out" 2>/dev/null)
    [[ -n "$server_port" ]] && return 0
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.1
  done
  return 1
}

# --- Wine -----------------------------------------------------------------------------------------
# The windows build runs its programs through <build>/wine-run.sh in the prefix named in its cache.
# A script starts the prefix's wineserver only when none runs (`wineserver -p` says so), and ends
# it again only when it is still that server and no process of anybody else uses the prefix; a
# server it leaves to another ends by itself `wine_linger` seconds after its last program.
wine_build=""
wine_prefix=""
wine_server=""
own_wineserver=""
wine_linger=10

# A prefix other than the build's (a path in the build folder starting "wineprefix") is made as a
# copy of the build's template prefix by wine-run.sh, in a second.
wine_lookup() {  # wine_lookup <build folder> [prefix]: sets wine_build, wine_prefix, wine_server
  wine_build=$1
  wine_prefix=${2:-$(sed -n 's/^WIZARD_WINEPREFIX:PATH=//p' "$1/CMakeCache.txt" 2>/dev/null)}
  wine_server=$(sed -n 's/^WINESERVER_BIN:FILEPATH=//p' "$1/CMakeCache.txt" 2>/dev/null)
  if [[ -z "$wine_prefix" || ! -x "$wine_server" || ! -x "$1/wine-run.sh" ]]; then
    say "no Wine prefix, wineserver or wine-run.sh in $1 (configure the windows preset first)"
    return 1
  fi
  export WINEPREFIX="$wine_prefix"
}

ours() {  # ours <pid>: the process belongs to this script run (the token, or a child of ours)
  grep -qzxF "WIZARD_SCRIPT_RUN=$WIZARD_SCRIPT_RUN" "/proc/$1/environ" 2>/dev/null && return 0
  local pid=$1 stat fields
  while [[ "$pid" -gt 1 ]]; do
    [[ "$pid" -eq $$ ]] && return 0
    read -r stat 2>/dev/null <"/proc/$pid/stat" || return 1
    read -r -a fields <<<"${stat##*) }"  # state, parent id, ...
    pid=${fields[1]}
  done
  return 1
}

wine_users() {  # the process ids whose environment names the prefix (Wine programs, wine-run.sh)
  local environ pid
  while read -r environ; do
    pid=${environ#/proc/}
    echo "${pid%/environ}"
  done < <(grep -lszxF "WINEPREFIX=$wine_prefix" /proc/[0-9]*/environ)
}

wine_server_pid() {  # the process id of the prefix's wineserver, if one runs
  local pid comm
  for pid in $(wine_users); do
    read -r comm 2>/dev/null <"/proc/$pid/comm" || continue
    [[ "$comm" == wineserver* ]] && { echo "$pid"; return 0; }
  done
  return 1
}

wine_others() {  # the process ids that use the prefix and were not started by this script run
  local pid
  for pid in $(wine_users); do
    # (one that has ended meanwhile, such as the grep that listed them, is nobody's)
    ours "$pid" || { [[ -e "/proc/$pid" ]] && echo "$pid"; }
  done
}

# Makes the prefix ready (wine-run.sh creates it the first time, ~20 s), starts its wineserver when
# none runs, and the Wine services detached (they keep the output handles of whoever starts them).
# Call wine_lookup first. Sets own_wineserver when this script run started the server.
wine_start() {
  local server
  if [[ ! -f "$wine_prefix/.ready" ]]; then
    say "creating the Wine prefix $wine_prefix (about 20 s, once)"
    "$wine_build/wine-run.sh" wineboot </dev/null >/dev/null 2>&1
    [[ -f "$wine_prefix/.ready" ]] || { say "the Wine prefix could not be made ready"; return 1; }
    # wine-run.sh left the server that made the prefix running: when it is ours it is the run's own
    # (ending it and starting another at once made the first test programs fail now and then).
    server=$(wine_server_pid) && ours "$server" && own_wineserver=1
  fi
  # `wineserver -p<n>` returns 0 when it started a server, non-zero when one runs already. What the
  # server itself says goes to <prefix>.wineserver.log, as with cmake/wine-run.sh.
  if [[ -z "$own_wineserver" ]] && "$wine_server" -p"$wine_linger" </dev/null >/dev/null 2>>"$wine_prefix.wineserver.log"; then
    own_wineserver=1
  fi
  "$wine_build/wine-run.sh" wineboot </dev/null >/dev/null 2>&1
  server=$(wine_server_pid)
  if [[ -n "$own_wineserver" ]]; then
    say "Wine: wineserver started (pid ${server:-?}) for $wine_prefix"
  else
    say "Wine: the wineserver of $wine_prefix runs already (pid ${server:-?}); it is left as it is"
  fi
}

# Ends the wineserver if this script run started it, it still runs (not a newer one of somebody
# else's) and no process of anybody else uses the prefix. End the script's own Wine programs first.
# The prefixes of some tests' own (tests/support/own_prefix.sh) are ended by ctest's fixtures; an
# interrupted ctest run leaves their servers and screens, which this ends.
own_prefixes_stop() {
  [[ -n "${wine_build:-}" && -x "${wine_server:-}" ]] || return 0
  local prefix
  for prefix in "$wine_build"/wineprefix-*/; do
    [[ -d "$prefix" ]] || continue
    prefix=${prefix%/}
    sh tests/support/own_prefix.sh stop "$wine_build" "$wine_server" "${prefix##*/wineprefix-}" >/dev/null
  done
}

wine_stop() {
  [[ -n "$own_wineserver" ]] || return 0
  own_wineserver=""
  local server others
  server=$(wine_server_pid) || return 0
  if ! ours "$server"; then
    say "Wine: the wineserver now running (pid $server) is not this script's; left running"
    return 0
  fi
  others=$(wine_others | tr '\n' ' ')
  if [[ -n "$others" ]]; then
    say "Wine: the wineserver (pid $server) is left running for processes ${others% } using the prefix;"
    say "      it ends by itself ${wine_linger} s after the last Wine program"
    return 0
  fi
  WINEPREFIX="$wine_prefix" "$wine_server" -k </dev/null >/dev/null 2>&1
}
