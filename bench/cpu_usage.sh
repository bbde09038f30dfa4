#!/bin/bash
# CPU use of the program under Xvfb, side by side with the floor: a bare SDL
# window that only clears and presents at vertical sync (bare_window).
# The program runs on "volna" (time stopped, then running) and on
# "oscilator" in superposition mode with time running (the M key starts the
# random walk, which turns the shown state into a drifting superposition of
# all ten states), chosen as the start-up system through config.ini.
# Each process runs alone; its user + system time is read from
# /proc/<pid>/stat over the measuring period after a short warm-up, and
# shown as a percentage of one core. Also shows the time from starting the
# program until its window is on screen.
#
# Usage: bench/cpu_usage.sh BUILD_DIR [SECONDS]   (default 10 s)
# Targets: the program should stay within 1.5 times the
# floor with time stopped and no input, and within 12% of a core with time
# running.
set -u

fail() { echo "cpu_usage: $*" >&2; exit 1; }

if [ "${1:-}" = "--inner" ]; then
    build=$2
    secs=$3
    hz=$(getconf CLK_TCK)
    work=$(mktemp -d /tmp/vlnkar_cpu_XXXXXX) || fail "no temporary folder"
    pid=""
    cleanup() {
        if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill "$pid"; wait "$pid" 2>/dev/null; fi
        rm -rf "$work"
    }
    trap cleanup EXIT
    cd "$work" || exit 1

    # utime + stime of a process, in clock ticks (fields 14 and 15; the
    # name in field 2 has no spaces here).
    cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

    # measure NAME WINDOW_NAME SETUP_COMMAND -- COMMAND...
    measure() {
        local label=$1 wname=$2 setup=$3
        shift 4
        "$@" >/dev/null 2>&1 &
        pid=$!
        local wid
        wid=$(timeout 20 xdotool search --sync --onlyvisible --name "^${wname}\$" | head -n1)
        [ -n "$wid" ] || fail "no window for $label"
        xdotool windowfocus "$wid" 2>/dev/null
        [ -n "$setup" ] && eval "$setup"
        sleep 2
        local a b
        a=$(cpu_ticks "$pid")
        sleep "$secs"
        b=$(cpu_ticks "$pid")
        kill "$pid"
        wait "$pid" 2>/dev/null
        pid=""
        awk -v d=$((b - a)) -v hz="$hz" -v s="$secs" -v l="$label" \
            'BEGIN { printf "%-34s %5.1f%% of a core\n", l, 100 * d / hz / s }'
    }

    # start_with SYSTEM: the next run starts on SYSTEM (800 x 600).
    start_with() {
        printf 'Konfigurace Vlnkar\r\n[SIRKA]=800\r\n[VYSKA]=600\r\n[VYCHOZI SYSTEM]=%s\r\n' "$1" >config.ini
    }

    measure "floor (bare window, vsync)" bare_window "" -- "$build/bare_window"
    start_with volna
    measure "volna, time stopped, no input" Vlnkar "" -- "$build/vlnkar"
    measure "volna, time running" Vlnkar "xdotool key space" -- "$build/vlnkar"
    start_with oscilator
    measure "oscilator superposition, running" Vlnkar "xdotool key m space" -- "$build/vlnkar"
    start_with volna

    # Start-up: from launch until the window is mapped, polled every 5 ms.
    t0=$(date +%s%N)
    "$build/vlnkar" >/dev/null 2>&1 &
    pid=$!
    until xdotool search --onlyvisible --name '^Vlnkar$' >/dev/null 2>&1; do
        sleep 0.005
        [ $(( ($(date +%s%N) - t0) / 1000000 )) -lt 10000 ] || fail "no window after 10 s"
    done
    t1=$(date +%s%N)
    echo "start to window on screen: $(( (t1 - t0) / 1000000 )) ms"
    exit 0
fi

build=$(readlink -f "${1:?usage: cpu_usage.sh BUILD_DIR [SECONDS]}")
secs=${2:-10}
[ -x "$build/vlnkar" ] && [ -x "$build/bare_window" ] || fail "build vlnkar and bare_window in $build first"
xvfb-run -a -s "-screen 0 1024x768x24" bash "$(readlink -f "$0")" --inner "$build" "$secs"
