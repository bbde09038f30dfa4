#!/bin/bash
# CPU use of the program under Xvfb, beside the floor: a bare SDL window that
# only clears and presents at vertical sync (bare_window), measured in the
# same run.
#
# Every system is measured with time stopped (no input at all) and with time
# running (Space), at 800 x 600, chosen as the start-up system through
# config.ini. The two bound-state systems ("jama_inf", "oscilator") are first
# put into a superposition of all ten states through the panel, as a user
# would: the panel opened, phasor mode, a click into each coefficient box,
# the panel normalised and closed. Then "volna" runs at 1600 x 1200 beside a
# bare window of that size.
#
# Each process runs alone; its user + system time is read from
# /proc/<pid>/stat over SECONDS after a two-second warm-up and shown as a
# percentage of one core. Every measurement is repeated REPEATS times (the
# floor once per round) and the median is shown; the load average of the
# machine is printed before and after, since other work on the machine
# disturbs the figures. Also shows the time from start to window.
#
# Usage: bench/cpu_usage.sh BUILD_DIR [SECONDS [REPEATS [packet]]]   (10 s, 3 rounds)
# Targets: running at most 2.5 times the floor on every system, time stopped
# at most 0.3 times the floor, and at 1600 x 1200 running less than twice
# the cost at 800 x 600.
set -u

fail() {
    echo "cpu_usage: $*" >&2
    exit 1
}

if [ "${1:-}" = "--inner" ]; then
    build=$2
    secs=$3
    rounds=$4
    only=${5:-}
    hz=$(getconf CLK_TCK)
    work=$(mktemp -d /tmp/vlnkar_cpu_XXXXXX) || fail "no temporary folder"
    pid=""
    cleanup() {
        if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
            kill "$pid"
            wait "$pid" 2>/dev/null
        fi
        rm -rf "$work"
    }
    trap cleanup EXIT
    cd "$work" || exit 1

    # utime + stime of a process, in clock ticks (fields 14 and 15; the
    # name in field 2 has no spaces here).
    cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

    # start_with SYSTEM [WIDTH HEIGHT]: the next run starts on SYSTEM.
    start_with() {
        printf 'Konfigurace Vlnkar\r\n[SIRKA]=%s\r\n[VYSKA]=%s\r\n[VYCHOZI SYSTEM]=%s\r\n' \
            "${2:-800}" "${3:-600}" "$1" >config.ini
    }

    # A click at window pixel (x, y), then a pause of two ticks and more.
    click_at() {
        xdotool mousemove --window "$wid" "$1" "$2" click 1
        sleep 0.05
    }

    # All ten states through the panel: open it, switch to phasors, click
    # each box off its centre (each at another phase), normalise, close.
    superpose() {
        click_at 25 35
        click_at 179 160
        local j i x y
        for j in 0 1 2 3 4 5 6 7 8 9; do
            i=$((j + 1))
            x=$((32 + 68 * (i / 4) + 19 + (j % 3) * 6 - 6))
            y=$((20 + 40 * (i % 4) + 19 - (j % 4) * 4 + 6))
            click_at "$x" "$y"
        done
        click_at 25 35
        click_at 25 35
        xdotool mousemove --window "$wid" 400 300
    }

    # Packet mode (W) with the largest time step: the wheel up over the clock
    # until the step stops growing.
    packet_at_full_speed() {
        xdotool key w
        local i
        for i in $(seq 1 20); do
            xdotool mousemove --window "$wid" 770 70 click 4
            sleep 0.02
        done
        xdotool mousemove --window "$wid" 400 300
    }

    # measure LABEL WINDOW_NAME SETUP -- COMMAND...: prints the share of a
    # core in percent.
    measure() {
        local label=$1 wname=$2 setup=$3
        shift 4
        "$@" >/dev/null 2>&1 &
        pid=$!
        wid=$(timeout 20 xdotool search --sync --onlyvisible --name "^${wname}\$" | head -n1)
        [ -n "$wid" ] || fail "no window for $label"
        xdotool windowfocus "$wid" 2>/dev/null
        xdotool mousemove --window "$wid" 400 300
        [ -n "$setup" ] && eval "$setup"
        sleep 2
        local a b
        a=$(cpu_ticks "$pid")
        sleep "$secs"
        b=$(cpu_ticks "$pid")
        kill "$pid"
        wait "$pid" 2>/dev/null
        pid=""
        awk -v d=$((b - a)) -v hz="$hz" -v s="$secs" 'BEGIN { printf "%.2f\n", 100 * d / hz / s }'
    }

    median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

    echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
    # "packet" as the fourth argument: only the floor, "bariera" and its
    # packet, for a longer look at the packet's cost.
    systems="volna bariera jama jama_inf oscilator"
    [ "$only" = packet ] && systems=bariera
    declare -A got
    for round in $(seq 1 "$rounds"); do
        got[floor]+="$(measure floor bare_window "" -- "$build/bare_window") "
        for sys in $systems; do
            setup=true
            case $sys in jama_inf | oscilator) setup=superpose ;; esac
            start_with "$sys"
            got[$sys,stopped]+="$(measure "$sys" Vlnkar "$setup" -- "$build/vlnkar") "
            got[$sys,running]+="$(measure "$sys" Vlnkar "$setup; xdotool key space" -- "$build/vlnkar") "
        done
        # The barrier's wave packet, with time running at the largest step.
        start_with bariera
        got[packet]+="$(measure bariera Vlnkar "packet_at_full_speed; xdotool key space" -- "$build/vlnkar") "
        [ "$only" = packet ] && continue
        got[floor_big]+="$(measure floor bare_window "" -- "$build/bare_window" 0 1600 1200) "
        start_with volna 1600 1200
        got[big]+="$(measure volna Vlnkar "xdotool key space" -- "$build/vlnkar") "
    done
    echo "load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"

    med() { echo "${got[$1]}" | tr ' ' '\n' | grep . | median; }
    floor=$(med floor)
    echo
    echo "median of $rounds rounds of ${secs} s, % of one core (ratio to the bare window)"
    printf '%-32s %8s %14s\n' "" "% core" "x bare window"
    printf '%-32s %8s %14s\n' "bare window 800 x 600" "$floor" "1.00"
    row() {
        local v
        v=$(med "$2")
        printf '%-32s %8s %14s\n' "$1" "$v" "$(awk -v a="$v" -v b="$3" 'BEGIN { printf "%.2f", a / b }')"
    }
    for sys in $systems; do
        mode=""
        case $sys in jama_inf | oscilator) mode=" (superposition)" ;; esac
        row "$sys$mode, stopped" "$sys,stopped" "$floor"
        row "$sys$mode, running" "$sys,running" "$floor"
    done
    row "bariera packet, running" packet "$floor"
    if [ "$only" = packet ]; then
        echo "every round: floor ${got[floor]}/ bariera ${got[bariera,running]}/ packet ${got[packet]}"
        exit 0
    fi
    floor_big=$(med floor_big)
    printf '%-32s %8s %14s\n' "bare window 1600 x 1200" "$floor_big" "1.00"
    row "volna 1600 x 1200, running" big "$floor_big"
    awk -v a="$(med big)" -v b="$(med volna,running)" \
        'BEGIN { printf "volna running, 1600 x 1200 against 800 x 600: %.2f times\n", a / b }'
    echo "every round (floor, then each case): "
    for key in floor volna,stopped volna,running bariera,stopped bariera,running jama,stopped jama,running \
        jama_inf,stopped jama_inf,running oscilator,stopped oscilator,running packet floor_big big; do
        echo "  $key: ${got[$key]}"
    done

    # Start-up: from launch until the window is mapped, polled every 5 ms.
    start_with volna
    t0=$(date +%s%N)
    "$build/vlnkar" >/dev/null 2>&1 &
    pid=$!
    until xdotool search --onlyvisible --name '^Vlnkar$' >/dev/null 2>&1; do
        sleep 0.005
        [ $((($(date +%s%N) - t0) / 1000000)) -lt 10000 ] || fail "no window after 10 s"
    done
    t1=$(date +%s%N)
    echo "start to window on screen: $(((t1 - t0) / 1000000)) ms"
    exit 0
fi

build=$(readlink -f "${1:?usage: cpu_usage.sh BUILD_DIR [SECONDS [REPEATS]]}")
secs=${2:-10}
rounds=${3:-3}
[ -x "$build/vlnkar" ] && [ -x "$build/bare_window" ] || fail "build vlnkar and bare_window in $build first"
xvfb-run -a -s "-screen 0 1700x1300x24" bash "$(readlink -f "$0")" --inner "$build" "$secs" "$rounds" "${4:-}"
