#!/bin/sh
# The DPI tests' own Wine prefix, beside the build's: the screen's DPI (LogPixels) is one value
# per prefix, read when each program starts, and the DPI tests change it; the other tests keep
# theirs at 96 however the DPI tests end. In it, DpiScalingVer is set so that a program is DPI
# aware only when it declares so (a new prefix makes every program per-monitor aware).
#
#   dpi_prefix.sh start <build folder> <wineserver>   creates the prefix the first time (about
#       20 s; made fresh, never copied from the build's: a copy would talk to the build prefix's
#       server), sets LogPixels 96, starts the prefix's wineserver, services and a desktop keeper
#       (see tests/gui/fixtures/desktop_keeper.cpp), detached from the caller's output.
#   dpi_prefix.sh stop <build folder> <wineserver>    ends the prefix's wineserver and with it every
#       program of the prefix (only the DPI tests use it).
set -eu
action=$1
build=$2
wineserver=$3
WINEPREFIX="$build/wineprefix-dpi"
export WINEPREFIX
run="$build/wine-run.sh"
# The prefix's own programs (wineboot, the desktop keeper) wait by design: not watched for stalls.
unset WIZARD_STALL_SECONDS

case "$action" in
start)
    # A server left by an interrupted run goes first: the prefix is these tests' alone.
    "$wineserver" -k </dev/null >/dev/null 2>&1 || true
    "$run" wineboot </dev/null >/dev/null 2>&1
    [ -f "$WINEPREFIX/.ready" ] || { echo "the DPI tests' prefix $WINEPREFIX could not be made"; exit 1; }
    "$run" reg add 'HKCU\Control Panel\Desktop' /v DpiScalingVer /t REG_DWORD /d 0x1018 /f </dev/null >/dev/null 2>&1
    "$run" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f </dev/null >/dev/null 2>&1
    if [ -f "$build/bin/desktop_keeper.exe" ]; then
        setsid "$run" "$build/bin/desktop_keeper.exe" </dev/null >/dev/null 2>&1 &
    fi
    echo "DPI tests' prefix ready: $WINEPREFIX"
    ;;
stop)
    "$wineserver" -k </dev/null >/dev/null 2>&1 || true
    echo "DPI tests' prefix stopped: $WINEPREFIX"
    ;;
*)
    echo "usage: dpi_prefix.sh start|stop <build folder> <wineserver>" >&2
    exit 2
    ;;
esac
