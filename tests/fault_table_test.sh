#!/bin/bash
# Every fault the program must survive, as one table: the real program,
# copied alone into a temporary folder (so it finds no archive beside
# itself), started under Xvfb in a folder prepared for the row. Each row
# names the fault, how the program is run and ended, the exit status, the
# one line it must write on stderr ("-" for none; a bash pattern) and what
# must be seen in its window:
#   bright:R / dark:R   the window region R has pictures (or text) / is black
#   works               the invisible infinite-well button still switches the system
#   pressL              L (read config.ini again) repeats no message
#   size800x600         the window opened at the default size
#   hwm<MB              the resident size never passed MB megabytes
#   cpu<S               the program had used less than S seconds of processor
#                       time once its window showed (unbounded under ASan)
# Regions of the 800 x 600 window: buttons (the five system buttons at the
# left edge), listing (the time read-out at the top right), njam, lupa, cas
# (single buttons), note (the note at the top middle). The box row's error
# box (no usable video driver) must go within 1 s of SIGTERM.
#
# Usage: fault_table_test.sh PROGRAM FAULT_FILES PACK_DIR LSAN_SUPPRESSIONS
# (ONLY_ROWS, a bash pattern, runs only the rows whose names match it.)
# Needs xvfb-run, Xvfb, xdotool, xwininfo, ImageMagick; as root also setpriv
# (the rows about permissions run as the user nobody).
set -u

fail() { echo "FAIL: $*" >&2; exit 1; }
# A tool this test needs is missing: a failure in CI (`make test` installs
# every tool), elsewhere a skip (status 77) that says what to install.
needs() {
    [ -n "${CI:-}" ] && fail "$1 is not installed"
    echo "skipped: $1 is not installed (make deps installs it)" >&2
    exit 77
}

MALFORMED='w=1024\r\nh=768\r\ns=Jama\r\n' # "Jama" is no system name
# name | setup | how | status | stderr | checks
TABLE='
archive missing | - | window | 0 | vlnkar: cannot open the archive "textury.dat": it is not in the current directory, beside the program or in the program'"'"'s ../share/vlnkar folder, so the program runs without its pictures and font. | dark:buttons dark:listing works
archive empty | archive=empty | window | 0 | vlnkar: cannot open the archive "textury.dat": it is not a readable zip archive, so the program runs without its pictures and font. | dark:buttons dark:listing works
archive truncated | archive=truncated | window | 0 | vlnkar: cannot open the archive "textury.dat": it is not a readable zip archive, so the program runs without its pictures and font. | dark:buttons dark:listing works
archive of random bytes | archive=random | window | 0 | vlnkar: cannot open the archive "textury.dat": it is not a readable zip archive, so the program runs without its pictures and font. | dark:buttons dark:listing works
archive without font.zfi | archive=no_font | window | 0 | vlnkar: cannot load the font "font.zfi" from "textury.dat": it is not in the archive, so no text is shown. | bright:buttons dark:listing
one broken picture | archive=broken_picture | window | 0 | vlnkar: cannot load the picture "njam.png" from "textury.dat": it is damaged (*), so it is not drawn. | dark:njam bright:def bright:listing works
font entry declaring 2 TiB (zip64) | archive=zip64_font | window | 0 | vlnkar: cannot load the font "font.zfi" from "textury.dat": the archive gives it 2199023255552 bytes, more than the 32 MiB a file may have, so no text is shown. | bright:buttons dark:listing hwm<1500
picture entry declaring 4 GiB | archive=huge_entry | window | 0 | vlnkar: cannot load the picture "lupa.png" from "textury.dat": the archive gives it 4294967294 bytes, more than the 32 MiB a file may have, so it is not drawn. | dark:lupa bright:cas hwm<1500
69-byte PNG claiming 40000 x 40000 | archive=huge_picture | window | 0 | vlnkar: cannot load the picture "cas.png" from "textury.dat": it is 40000 x 40000 pixels, larger than the 4096 x 4096 a picture may be, so it is not drawn. | dark:cas bright:lupa hwm<1500
config.ini unreadable | archive=good config=unreadable user=nobody | window | 0 | vlnkar: config.ini cannot be read (permission denied), so the program uses its default settings, writes them to config.ini and keeps the old file as config.ini.bak. | size800x600 pressL
config.ini a directory | archive=good config=directory | window | 0 | vlnkar: config.ini is a directory, not a regular file, so the program starts with its default settings and leaves it alone. | size800x600 pressL
read-only current directory | archive=good readonly user=nobody | window | 0 | vlnkar: cannot create config.ini in the current directory (permission denied), so the program runs on its default settings without saving them. | size800x600 pressL bright:listing
no display | archive=good | nodisplay | 1 | vlnkar: error while loading ZenGL: no display is available (SDL offers only its offscreen video driver), so the program ends. | -
X server going away | archive=good | xkill | 1 | vlnkar: the connection to the X server was lost, so the program ends. | -
SIGTERM during start-up | archive=good | term-start | 0 | - | -
SIGTERM while running | archive=good | term-run | 0 | - | -
SIGINT while running | archive=good | int-run | 0 | - | -
config.ini a link to notes | archive=good config=link | window | 0 | vlnkar: config.ini gives no window height and is a symbolic link, so the program runs on its default settings and writes nothing through it. | size800x600 pressL
config.ini malformed | archive=good config=malformed | window | 0 | vlnkar: config.ini names no start-up system (volna, bariera, jama, jama_inf or oscilator), so the program uses its default settings, writes them to config.ini and keeps the old file as config.ini.bak. | size800x600 pressL
file size limit 0 | archive=good config=malformed fsize=0 | window | 0 | vlnkar: config.ini names no start-up system (*) and cannot be replaced (file too large), so the program runs on its default settings without saving them; the file is left as it is, with a copy as config.ini.bak. | size800x600
a full 4 KiB disk | tmpfs config=malformed | window | 0 | vlnkar: config.ini names no start-up system (*) and cannot be replaced (no space left on device), so the program runs on its default settings without saving them; the file is left as it is, with a copy as config.ini.bak. | size800x600
error box and SIGTERM | archive=good | box | 1 | vlnkar: error while loading ZenGL: bogus not available, so the program ends. | -
stderr closed | - | window | 0 | - | size800x600 works
stderr a pipe nobody reads | - | window | 0 | - | size800x600 works
XDG_CONFIG_HOME a file | installed xdg=file | window | 0 | vlnkar: the settings folder */xdg/vlnkar cannot be used (*), so the program starts in the temporary folder /tmp/vlnkar-* with its default settings, which are not saved. | size800x600 bright:note
archive of 100,000 entries | archive=many_entries | window | 0 | vlnkar: cannot open the archive "textury.dat": its directory lists 100015 entries, more than the 10000 an archive may have, so the program runs without its pictures and font. | dark:buttons cpu<0.5
textury.dat a FIFO | archive=fifo | window | 0 | vlnkar: cannot open the archive "textury.dat": it is a FIFO, not a regular file, so the program runs without its pictures and font. | dark:buttons
textury.dat a directory | archive=directory | window | 0 | vlnkar: cannot open the archive "textury.dat": it is a directory, not a regular file, so the program runs without its pictures and font. | dark:buttons
textury.dat a link loop | archive=loop | window | 0 | vlnkar: cannot open the archive "textury.dat": it is a symbolic link that leads round in a loop, not a regular file, so the program runs without its pictures and font. | dark:buttons
'

region() {
    case $1 in
    buttons) echo 40x220+5+375 ;;
    listing) echo 120x20+575+5 ;;
    njam) echo 40x40+5+510 ;;
    def) echo 40x40+5+375 ;;
    lupa) echo 40x40+750+5 ;;
    cas) echo 40x40+750+50 ;;
    note) echo 300x16+250+44 ;;
    *) fail "no region $1" ;;
    esac
}

# Pixels brighter than $3 percent in region $2 of picture $1.
bright_pixels() {
    convert "$1" -crop "$2" +repage -colorspace gray -threshold "$3%" -format '%[fx:round(mean*w*h)]' info:
}

trim() { local s=$1; s=${s#"${s%%[![:space:]]*}"}; echo "${s%"${s##*[![:space:]]}"}"; }

# ---- One row, inside Xvfb (or, for the rows that need it, outside) -------------
# Globals: work, prog, files, as_nobody.
run_row() {
    local name=$1 setup=$2 how=$3 want_status=$4 want_err=$5 checks=$6
    local dir="$work/rows/${name// /_}" err="$work/err.txt" pid="" status
    mkdir -p "$dir" && chmod 755 "$dir"
    : >"$err"
    local user=""
    for s in $setup; do
        case $s in
        archive=fifo) mkfifo "$dir/textury.dat" ;;
        archive=directory) mkdir "$dir/textury.dat" ;;
        archive=loop) ln -s textury.dat "$dir/textury.dat" ;;
        archive=*) cp "$files/${s#archive=}.dat" "$dir/textury.dat" ;;
        config=directory) mkdir "$dir/config.ini" ;;
        config=link) printf 'w=1024\n' >"$dir/notes.txt" && ln -s notes.txt "$dir/config.ini" ;;
        config=malformed) printf "$MALFORMED" >"$dir/config.ini" ;;
        # 4 KiB: one page, which config.ini fills; the archive is a link.
        tmpfs) mount -t tmpfs -o size=4k tmpfs "$dir" && ln -s "$files/good.dat" "$dir/textury.dat" || return 1 ;;
        installed) mkdir -p "$dir/bin" "$dir/share/vlnkar" && cp "$prog" "$dir/bin/" && cp "$files/good.dat" "$dir/share/vlnkar/textury.dat" ;;
        xdg=file) : >"$dir/xdg" ;;
        config=unreadable) printf 'w=1024\nh=768\ns=jama\n' >"$dir/config.ini" && chmod 000 "$dir/config.ini" ;;
        readonly) ;; # below, once the owner is known
        user=nobody) user=nobody ;;
        - | fsize=0) ;;
        *) fail "$name: unknown setup $s" ;;
        esac
    done
    if [ -n "$user" ]; then
        if [ "$(id -u)" = 0 ]; then
            command -v setpriv >/dev/null || { echo "skipped: $name (root without setpriv cannot run it as nobody)"; return 0; }
            chown -R nobody: "$dir"
            if [[ $setup == *readonly* ]]; then chown root: "$dir"; fi
        fi
        if [[ $setup == *readonly* ]]; then chmod 555 "$dir"; fi
    fi
    local -a run=("$prog")
    [[ $setup == *installed* ]] && run=("$dir/bin/vlnkar" --desktop)
    [ -n "${PROGRAM_PRELOAD:-}" ] && run=(env LD_PRELOAD="$PROGRAM_PRELOAD" "${run[@]}")
    [[ $setup == *xdg=file* ]] && run=(env XDG_CONFIG_HOME="$dir/xdg" "${run[@]}")
    [[ $setup == *fsize=0* ]] && run=(prlimit --fsize=0 "${run[@]}")
    [ "$how" = box ] && run=(env SDL_VIDEODRIVER=bogus "${run[@]}")
    if [ -n "$user" ] && [ "$(id -u)" = 0 ]; then
        run=(env -u XAUTHORITY setpriv --reuid=nobody --regid=nogroup --clear-groups "${run[@]}")
    fi
    local display=${DISPLAY:-} xvfb=""
    case $how in
    nodisplay) run=(env -u DISPLAY -u WAYLAND_DISPLAY "${run[@]}") ;;
    xkill)
        # A server of its own, to take away under the running program.
        Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/displayno" 2>/dev/null &
        xvfb=$!
        for _ in $(seq 1 50); do [ -s "$work/displayno" ] && break; sleep 0.1; done
        display=":$(cat "$work/displayno")"
        ;;
    esac

    if [ "$how" = term-start ]; then
        # SIGTERM at moments spread over the start: before and while the
        # graphics start, the configuration is read, the window opens and
        # the pictures load. Status 0 (ended cleanly) or, before the program
        # took the signal over, killed by it; nothing said, no half file.
        local d
        for d in 0 0.01 0.02 0.04 0.07 0.1 0.15 0.25 0.4; do
            rm -f "$dir/config.ini"
            (cd "$dir" && exec "${run[@]}") >/dev/null 2>"$err" &
            pid=$!
            sleep "$d"
            kill -TERM "$pid" 2>/dev/null
            for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
            kill -0 "$pid" 2>/dev/null && { kill -9 "$pid"; fail "$name: still running 10 s after SIGTERM at $d s"; }
            wait "$pid"
            status=$?
            [ "$status" = 0 ] || [ "$status" = 143 ] || fail "$name: status $status after SIGTERM at $d s"
            [ ! -s "$err" ] || fail "$name: stderr after SIGTERM at $d s: $(cat "$err")"
            if [ -e "$dir/config.ini" ]; then
                [ "$(wc -c <"$dir/config.ini")" = 70 ] || fail "$name: a partial config.ini after SIGTERM at $d s"
            fi
        done
        echo "ok: $name (status 0 or ended by the signal before start-up took it over, at 9 moments)"
        return 0
    fi

    # stderr closed, a pipe nobody reads, a pipe to the file (a file-size
    # limit would hold back messages written to it directly), or the file.
    (cd "$dir" && case $name in "stderr closed") exec 2>&- ;; "stderr a pipe"*) exec 2> >(:) ;;
        "file size"*) exec 2> >(cat >"$err") ;; *) exec 2>"$err" ;; esac
        DISPLAY=$display exec "${run[@]}") >/dev/null &
    pid=$!
    local wid="" trigger="" t0=0
    # The box's window (xdotool does not find it by its name).
    boxes() { DISPLAY=$display xwininfo -root -tree | grep -c '"Error"'; }
    if [ "$how" = box ]; then
        for _ in $(seq 1 100); do [ "$(boxes)" = 1 ] && break; sleep 0.1; done
        [ "$(boxes)" = 1 ] || { kill -9 "$pid" 2>/dev/null; cat "$err" >&2; fail "$name: no error box"; }
    elif [ "$how" != nodisplay ]; then
        wid=$(DISPLAY=$display timeout 30 xdotool search --sync --all --onlyvisible --pid "$pid" --name '^Vlnkar$' 2>/dev/null | head -n1)
        [ -n "$wid" ] || { kill -9 "$pid" 2>/dev/null; cat "$err" >&2; fail "$name: no window"; }
    fi
    case $how in
    window)
        xdotool mousemove --window "$wid" 400 250
        local shot="$work/shot.png" c r n
        local saw=""
        # The first frames may take a moment: retry the picture checks.
        for _ in $(seq 1 20); do
            sleep 0.2
            import -window "$wid" "$shot" 2>/dev/null || continue
            saw=ok
            for c in $checks; do
                case $c in
                bright:*) r=$(region "${c#bright:}"); n=$(bright_pixels "$shot" "$r" 20); [ "$n" -gt 50 ] || saw="$c ($n)" ;;
                dark:*) r=$(region "${c#dark:}"); n=$(bright_pixels "$shot" "$r" 20); [ "$n" -le 2 ] || saw="$c ($n)" ;;
                esac
            done
            [ "$saw" = ok ] && break
        done
        [ "$saw" = ok ] || { kill "$pid"; fail "$name: $saw"; }
        for c in $checks; do
            case $c in
            works)
                # Over the infinite-well button (its highlight shows in both
                # pictures), then a click: the plot must change.
                xdotool mousemove --window "$wid" 25 530
                sleep 0.4
                import -window "$wid" "$work/before.png"
                xdotool click 1
                local changed=""
                for _ in $(seq 1 15); do
                    sleep 0.2
                    import -window "$wid" "$work/after.png"
                    n=$(compare -metric AE -extract 700x520+50+20 "$work/before.png" "$work/after.png" null: 2>&1 | cut -d' ' -f1)
                    [ "${n%.*}" -gt 100 ] 2>/dev/null && { changed=yes; break; }
                done
                [ -n "$changed" ] || { kill "$pid"; fail "$name: the invisible button did nothing"; }
                ;;
            pressL) xdotool key --window "$wid" l; sleep 0.5 ;;
            size800x600)
                local geo
                geo=$(xwininfo -id "$wid" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
                [ "$geo" = 800x600 ] || { kill "$pid"; fail "$name: window $geo"; }
                ;;
            cpu*)
                local s
                s=$(awk -v hz="$(getconf CLK_TCK)" '{print ($14 + $15) / hz}' "/proc/$pid/stat")
                echo "  $name: $s s of processor time at the window"
                [ -n "$PROGRAM_PRELOAD" ] || awk -v s="$s" -v max="${c#cpu<}" 'BEGIN {exit !(s < max)}' ||
                    { kill "$pid"; fail "$name: too much processor time"; } ;;
            hwm*)
                local kb
                kb=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status")
                [ "$((kb / 1024))" -lt "${c#hwm<}" ] || { kill "$pid"; fail "$name: resident size reached $((kb / 1024)) MB"; }
                ;;
            esac
        done
        # The program may be gone before the key's release reaches its
        # window; xdotool then complains of a bad window.
        xdotool key --window "$wid" Escape 2>/dev/null
        trigger=Escape
        ;;
    xkill) kill "$xvfb"; trigger="the end of the X server" ;;
    term-run) kill -TERM "$pid"; trigger=SIGTERM ;;
    int-run) kill -INT "$pid"; trigger=SIGINT ;;
    box) kill -TERM "$pid"; trigger=SIGTERM t0=$(date +%s%N) ;;
    nodisplay) trigger="the start" ;;
    esac
    for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$pid" 2>/dev/null; then
        kill -9 "$pid"
        fail "$name: still running 10 s after $trigger"
    fi
    wait "$pid"
    status=$?
    [[ $name == "file size"* ]] && sleep 0.3 # the last of stderr through cat
    if [ "$how" = box ]; then
        (($(date +%s%N) - t0 <= 1000000000)) || fail "$name: still running 1 s after SIGTERM"
        sleep 0.3 && [ "$(boxes)" = 0 ] || fail "$name: the box outlived the program"
    fi
    [ -n "$xvfb" ] && wait "$xvfb" 2>/dev/null
    [ "$status" = "$want_status" ] || { cat "$err" >&2; fail "$name: status $status, not $want_status"; }
    local lines
    lines=$(wc -l <"$err")
    if [ "$want_err" = - ]; then
        [ "$lines" = 0 ] || fail "$name: said $(cat "$err")"
    else
        [ "$lines" = 1 ] || fail "$name: $lines lines on stderr, not one: $(cat "$err")"
        local got
        got=$(cat "$err")
        # shellcheck disable=SC2053
        [[ $got == $want_err ]] || fail "$name: said '$got', not '$want_err'"
    fi
    case $setup in
    *config=directory*) [ -d "$dir/config.ini" ] || fail "$name: the directory config.ini is gone" ;;
    *config=unreadable*) [ "$(stat -c %a "$dir/config.ini.bak")" = 0 ] || fail "$name: config.ini.bak is not the old file" ;;
    *readonly*) [ ! -e "$dir/config.ini" ] || fail "$name: config.ini written" ;;
    *config=link*)
        [ -L "$dir/config.ini" ] && [ "$(cat "$dir/notes.txt")" = w=1024 ] && [ ! -e "$dir/config.ini.bak" ] ||
            fail "$name: written through the link" ;;
    *config=malformed*)
        printf "$MALFORMED" | cmp -s - "$dir/config.ini.bak" || fail "$name: config.ini.bak is not the old file"
        if [[ $setup == *fsize* || $setup == *tmpfs* ]]; then
            printf "$MALFORMED" | cmp -s - "$dir/config.ini" || fail "$name: config.ini changed"
        else [ "$(wc -c <"$dir/config.ini")" = 70 ] || fail "$name: config.ini is not the default file"; fi
        [ -z "$(find "$dir" -name '.config.ini.*')" ] || fail "$name: a temporary file is left"
        ;;
    esac
    [[ $setup == *tmpfs* ]] && umount "$dir"
    if [[ $setup == *xdg=file* ]]; then
        local temp
        temp=$(grep -o '/tmp/vlnkar-[A-Za-z0-9]*' "$err")
        [ -f "$dir/xdg" ] && [ -n "$temp" ] && [ ! -e "$temp" ] || fail "$name: the temporary folder $temp is left"
    fi
    if [ "$how" = nodisplay ] && [ -e "$dir/config.ini" ]; then fail "$name: config.ini written without a display"; fi
    echo "ok: $name"
}

run_rows() {
    # $1: "inner" for the rows run inside xvfb-run, "outer" for the others.
    local line name setup how status err checks
    while IFS= read -r line; do
        [ -n "$(trim "$line")" ] || continue
        IFS='|' read -r name setup how status err checks <<<"$line"
        name=$(trim "$name") setup=$(trim "$setup") how=$(trim "$how")
        status=$(trim "$status") err=$(trim "$err") checks=$(trim "$checks")
        case $how in nodisplay | xkill) [ "$1" = outer ] || continue ;; *) [ "$1" = inner ] || continue ;; esac
        [[ -z ${ONLY_ROWS:-} || $name == $ONLY_ROWS ]] || continue
        run_row "$name" "$setup" "$how" "$status" "$err" "$checks"
    done <<<"$TABLE"
}

# ---- Inside Xvfb ---------------------------------------------------------------
if [ "${1:-}" = --inner ]; then
    # Job control: background programs then keep SIGINT (a script without it
    # starts them with SIGINT ignored).
    set -m
    work=$2 prog=$3 files=$4
    run_rows inner
    exit 0
fi

# ---- Outside -------------------------------------------------------------------
prog_built=$(readlink -f "${1:?usage: fault_table_test.sh PROGRAM FAULT_FILES PACK_DIR LSAN_SUPPRESSIONS}")
fault_files=${2:?} pack=${3:?} supp=$(readlink -f "${4:?}")
for tool in xvfb-run Xvfb xdotool xwininfo import convert compare; do
    command -v "$tool" >/dev/null || needs "$tool"
done
work=$(mktemp -d /tmp/vlnkar_faults_XXXXXX) || fail "no temporary folder"
trap 'chmod -R u+rwx "$work" 2>/dev/null; rm -rf "$work"' EXIT
chmod 755 "$work"
mkdir -p "$work/bin" "$work/files" "$work/rows"
cp "$prog_built" "$work/bin/vlnkar"
prog=$work/bin/vlnkar files=$work/files
chmod -R a+rX "$work"
"$fault_files" "$files" "$pack" || fail "fault_files failed"
chmod -R a+rX "$files"

# Under AddressSanitizer: leaks fail the row (a report is more than one
# line); Mesa's driver stays loaded (see asan_preload.sh).
. "$(dirname "$(readlink -f "$0")")/asan_preload.sh"
PROGRAM_PRELOAD=$(asan_preload "$prog")
export PROGRAM_PRELOAD
if [ -n "$PROGRAM_PRELOAD" ]; then
    # A suppressed leak is no failure; its statistics would be a second line.
    export ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS="suppressions=$supp:print_suppressions=0"
fi

export work prog files
set -m
[ -n "${ONLY_ROWS:-}" ] || run_rows outer
# -ac: the rows run as nobody reach the server without root's cookie.
timeout 600 xvfb-run -a -s "-screen 0 1024x768x24 -ac" bash "$(readlink -f "$0")" --inner "$work" "$prog" "$files" ||
    fail "a row inside Xvfb failed"
echo "fault table passed"
