#!/bin/sh
# A Wine prefix of some tests' own, beside the build's, made ready by a ctest fixture and ended
# after them.
#   - The DPI tests (--dpi): the screen's DPI (LogPixels) is one value per prefix, read when each
#     program starts, and they change it; the other tests keep theirs at 96 however the DPI tests
#     end. DpiScalingVer is set so that a program is DPI aware only when it declares so (a new
#     prefix makes every program per-monitor aware).
#   - The reliability tests (--own-screen): minutes of walks, typing and clicks that need a screen,
#     a pointer and a keyboard focus nobody else moves. On a screen (an Xvfb) of their own they run
#     beside the other GUI tests instead of in their queue. The screen's name (":N") is written to
#     <prefix>.display, which cmake/wine-run.sh reads when WIZARD_SCREEN_FILE names it.
#
#   own_prefix.sh start <build folder> <wineserver> <name> [--dpi] [--own-screen]   creates
#       <build folder>/wineprefix-<name> the first time (a copy of the build's template prefix, never
#       of a prefix in use: cmake/wine-run.sh), starts its screen if it has
#       one, the prefix's wineserver, services and a desktop keeper (see
#       tests/gui/fixtures/desktop_keeper.cpp), detached from the caller's output.
#   own_prefix.sh stop <build folder> <wineserver> <name>   ends the prefix's wineserver, and with
#       it every program of the prefix, and its screen.
set -eu
action=$1
build=$2
wineserver=$3
WINEPREFIX="$build/wineprefix-$4"
export WINEPREFIX
shift 4
run="$build/wine-run.sh"
screen_file="$WINEPREFIX.display"
screen_pid_file="$WINEPREFIX.xvfb-pid"
# The prefix's own programs (wineboot, the desktop keeper) wait by design: not watched for stalls.
unset WIZARD_STALL_SECONDS

stop_screen() {
    if [ -f "$screen_pid_file" ]; then
        kill "$(cat "$screen_pid_file")" 2>/dev/null || true
        rm -f "$screen_pid_file" "$screen_file"
    fi
}

case "$action" in
start)
    # What an interrupted run left goes first: the prefix is these tests' alone.
    "$wineserver" -k </dev/null >/dev/null 2>&1 || true
    stop_screen
    for option in "$@"; do
        [ "$option" = --own-screen ] || continue
        # The same screen as scripts/common.sh's start_xvfb; Xvfb picks a free display number.
        setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$screen_file.new" \
            </dev/null >"$WINEPREFIX.xvfb.log" 2>&1 &
        echo $! >"$screen_pid_file"
        tries=0
        while [ ! -s "$screen_file.new" ] && [ $tries -lt 200 ]; do
            sleep 0.05
            tries=$((tries + 1))
        done
        [ -s "$screen_file.new" ] || { cat "$WINEPREFIX.xvfb.log"; stop_screen; echo "no screen for $WINEPREFIX"; exit 1; }
        echo ":$(head -n 1 "$screen_file.new")" >"$screen_file"
        rm -f "$screen_file.new"
        DISPLAY=$(cat "$screen_file")
        export DISPLAY
    done
    "$run" wineboot </dev/null >/dev/null 2>&1
    [ -f "$WINEPREFIX/.ready" ] || { echo "the prefix $WINEPREFIX could not be made"; exit 1; }
    for option in "$@"; do
        [ "$option" = --dpi ] || continue
        "$run" reg add 'HKCU\Control Panel\Desktop' /v DpiScalingVer /t REG_DWORD /d 0x1018 /f </dev/null >/dev/null 2>&1
        "$run" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f </dev/null >/dev/null 2>&1
    done
    if [ -f "$build/bin/desktop_keeper.exe" ]; then
        setsid "$run" "$build/bin/desktop_keeper.exe" </dev/null >/dev/null 2>&1 &
    fi
    echo "prefix ready: $WINEPREFIX${DISPLAY:+ (screen $DISPLAY)}"
    ;;
stop)
    "$wineserver" -k </dev/null >/dev/null 2>&1 || true
    stop_screen
    echo "prefix stopped: $WINEPREFIX"
    ;;
*)
    echo "usage: own_prefix.sh start|stop <build folder> <wineserver> <name> [--dpi] [--own-screen]" >&2
    exit 2
    ;;
esac
