#!/bin/bash
# The Debian package, built with CPack from the build folder's install rules
# into a temporary folder and checked as a user would meet it:
#  - its metadata: name, version, architecture, and dependencies computed
#    from the program (the SDL2 libraries, PhysFS, the C and C++ runtimes);
#  - its file list, exactly: the program, the archive, the desktop entry,
#    the icon in three forms, the AppStream metainfo and the Czech catalogue
#    of the help texts (the doc, man and lintian files: lintian and man check them);
#  - the desktop entry and the metainfo pass their validators, the icons
#    have their sizes;
#  - a set-up file is of the type application/x-vlnkar once the package's
#    MIME type is in the database (gio, as GNOME's xdg-mime asks it), and
#    the entry opens that type, passing the file on;
#  - the desktop entry starts the program with --desktop, which keeps its
#    settings in ${XDG_CONFIG_HOME:-~/.config}/vlnkar,
#    creating it;
#  - the unpacked program, started through its desktop entry from an
#    unrelated folder under Xvfb, finds its archive: the button pictures and
#    the text are on screen and nothing about the archive, a picture or the
#    font is said on stderr; it writes config.ini only in its config folder.
#
# Usage: package_test.sh BUILD_DIR VERSION
# Needs cpack, dpkg-deb, desktop-file-validate, appstreamcli, gio, xvfb-run,
# xdotool, xprop, lintian, man and ImageMagick.
set -u

fail() { echo "FAIL: $*" >&2; exit 1; }
# A tool this test needs is missing: a failure in CI (`make test` installs
# every tool), elsewhere a skip (status 77) that says what to install.
needs() {
    [ -n "${CI:-}" ] && fail "$1 is not installed"
    echo "skipped: $1 is not installed (make deps installs it)" >&2
    exit 77
}

APP_ID=cz.vlnkar.vlnkar

# Number of pixels brighter than $4 (percent) in the $2 (WxH+X+Y) part of
# the picture $1.
bright_pixels() {
    convert "$1" -crop "$2" +repage -colorspace gray -threshold "$3%" -format '%[fx:round(mean*w*h)]' info:
}

# ---- Inside Xvfb: the unpacked program through its desktop entry ---------------
if [ "${1:-}" = "--inner" ]; then
    root=$2 work=$3
    pid=""
    trap 'if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill "$pid"; fi' EXIT
    # A config folder whose name needs the entry's quoting: a space, a '$'
    # and a double quote.
    config_home="$work/config \$HOME \"x\""
    mkdir -p "$work/elsewhere"
    cd "$work/elsewhere" || fail "cannot enter $work/elsewhere"
    XDG_CONFIG_HOME="$config_home" PATH="$root/usr/bin:$PATH" \
        gio launch "$root/usr/share/applications/$APP_ID.desktop" >"$work/out.txt" 2>"$work/err.txt" ||
        fail "gio launch failed: $(cat "$work/err.txt")"
    wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^Vlnkar$' 2>/dev/null | head -n1)
    [ -n "$wid" ] || { cat "$work/err.txt" >&2; fail "no visible window named Vlnkar"; }
    pid=$(xdotool getwindowpid "$wid")
    [ -n "$pid" ] || fail "the window names no process"
    class=$(sed -n 's/^StartupWMClass=//p' "$root/usr/share/applications/$APP_ID.desktop")
    xprop -id "$wid" WM_CLASS | grep -q -F ", \"$class\"" || fail "the window's class is not StartupWMClass $class"
    xprop -id "$wid" _NET_WM_ICON | grep -q 'Icon (64 x 64)' || fail "the window has no icon"

    # The five system buttons at the left edge (x 5..45, y 375..595 in the
    # 800 x 600 window): no line of the plot reaches there, so without the
    # pictures this part is black. The listing's first line, "t = 0 fs",
    # stands at the top right (x 560..660, y 2..24), white on black.
    shown=""
    for _ in $(seq 1 25); do
        sleep 0.2
        import -window "$wid" "$work/shot.png" 2>/dev/null || continue
        buttons=$(bright_pixels "$work/shot.png" 40x220+5+375 20)
        text=$(bright_pixels "$work/shot.png" 100x22+560+2 60)
        if [ "$buttons" -gt 500 ] && [ "$text" -gt 20 ]; then
            shown=yes
            break
        fi
    done
    [ -n "$shown" ] || {
        cat "$work/err.txt" >&2
        fail "pictures or text missing: ${buttons:-?} bright pixels on the buttons, ${text:-?} in the listing"
    }

    xdotool key --window "$wid" Escape
    for _ in $(seq 1 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && fail "still running five seconds after Escape"
    pid=""

    if grep -i -E 'archive|picture|font|textury' "$work/err.txt" >&2; then
        fail "the installed program did not find its archive"
    fi
    [ -f "$config_home/vlnkar/config.ini" ] || fail "config.ini not written in \$XDG_CONFIG_HOME/vlnkar"
    [ -z "$(ls -A "$work/elsewhere")" ] || fail "files written in the folder it was started from"
    echo "installed program test passed ($buttons bright pixels on the buttons, $text in the listing)"
    exit 0
fi

# ---- Outside -------------------------------------------------------------------
build=$(readlink -f "${1:?usage: package_test.sh BUILD_DIR VERSION}")
version=${2:?usage: package_test.sh BUILD_DIR VERSION}
for tool in cpack dpkg-deb lintian man desktop-file-validate appstreamcli gio xvfb-run xdotool xprop convert identify; do
    command -v "$tool" >/dev/null || needs "$tool"
done
work=$(mktemp -d /tmp/vlnkar_package_XXXXXX) || fail "no temporary folder"
trap 'rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log" >&2
    fail "cpack failed"
}
arch=$(dpkg --print-architecture)
deb="$work/pkg/vlnkar_${version}_${arch}.deb"
[ -f "$deb" ] || { ls "$work/pkg" >&2; fail "no package named $(basename "$deb")"; }

# Metadata.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = vlnkar ] || fail "package name is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "version is '$(field Version)', not $version"
[ "$(field Architecture)" = "$arch" ] || fail "architecture is '$(field Architecture)'"
[ -n "$(field Maintainer)" ] || fail "no maintainer"
[ -n "$(field Description)" ] || fail "no description"
depends=$(field Depends)
# The package names alone, one a line, versions dropped.
names=$(echo "$depends" | tr ',' '\n' | sed -e 's/^ *//' -e 's/ .*//')
for lib in libc6 libstdc++6 libsdl2-2.0-0 libsdl2-image-2.0-0 libsdl2-ttf-2.0-0 libphysfs1; do
    echo "$names" | grep -q -x -F "$lib" || fail "Depends lacks $lib: $depends"
done

# Files, exactly.
expected="./usr/bin/vlnkar
./usr/share/applications/$APP_ID.desktop
./usr/share/icons/hicolor/256x256/apps/$APP_ID.png
./usr/share/icons/hicolor/48x48/apps/$APP_ID.png
./usr/share/icons/hicolor/scalable/apps/$APP_ID.svg
./usr/share/locale/cs/LC_MESSAGES/vlnkar.mo
./usr/share/metainfo/$APP_ID.metainfo.xml
./usr/share/mime/packages/$APP_ID.xml
./usr/share/vlnkar/textury.dat"
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ && $6 !~ /^.\/usr\/share\/(doc|man|lintian)\// {print $6}' | LC_ALL=C sort)
[ "$files" = "$(echo "$expected" | LC_ALL=C sort)" ] || fail "unexpected file list:
$files"
dpkg-deb -c "$deb" | awk '$6 == "./usr/bin/vlnkar" {print $1}' | grep -q '^-rwxr-xr-x$' ||
    fail "the program is not executable"

lintian -I "$deb" 2>&1 | grep -E '^[EW]: |hardening' >&2 && fail "lintian complains (hardening tags are informational)"
root="$work/root"
dpkg-deb -x "$deb" "$root" || fail "cannot unpack the package"
share="$root/usr/share"
[ -z "$(man --warnings -l "$share/man/man1/vlnkar.1.gz" 2>&1 >/dev/null)" ] && man -l "$share/man/man1/vlnkar.1.gz" |
    grep -q 'teaching program' || fail "the manual page does not render cleanly"
desktop-file-validate "$share/applications/$APP_ID.desktop" || fail "desktop-file-validate refuses the entry"
appstreamcli validate --pedantic --no-net "$share/metainfo/$APP_ID.metainfo.xml" >"$work/as.log" 2>&1 || {
    cat "$work/as.log" >&2
    fail "appstreamcli refuses the metainfo"
}
grep -q "^Icon=$APP_ID\$" "$share/applications/$APP_ID.desktop" || fail "the entry names another icon"
for size in 48 256; do
    got=$(identify -format '%wx%h' "$share/icons/hicolor/${size}x${size}/apps/$APP_ID.png")
    [ "$got" = "${size}x${size}" ] || fail "the ${size} px icon is $got"
done
identify "$share/icons/hicolor/scalable/apps/$APP_ID.svg" >/dev/null 2>&1 || fail "the SVG icon does not render"

# The entry asks the program for its settings folder (--desktop, whatever
# folder it is started in); a stand-in program tells what it was given.
mkdir -p "$work/stub" "$work/home"
printf '#!/bin/sh\necho "$*" > "%s/started_with"\n' "$work" >"$work/stub/vlnkar"
chmod +x "$work/stub/vlnkar"
(cd / && env -u XDG_CONFIG_HOME HOME="$work/home" PATH="$work/stub:$PATH" \
    gio launch "$share/applications/$APP_ID.desktop") || fail "gio launch failed"
for _ in $(seq 1 50); do
    [ -s "$work/started_with" ] && break
    sleep 0.1
done
[ "$(cat "$work/started_with" 2>/dev/null)" = "--desktop" ] ||
    fail "the entry started the program with '$(cat "$work/started_with" 2>/dev/null)', not --desktop"

# The set-up files' type.
update-mime-database "$share/mime" || fail "update-mime-database refuses the MIME type"
printf 'Vlnkar set-up 1\nsystem=bariera\n' >"$work/lesson.vlnkar"
type=$(XDG_DATA_HOME="$share" XDG_DATA_DIRS="$share:/usr/share" gio info -a standard::content-type \
    "$work/lesson.vlnkar" | sed -n 's/^ *standard::content-type: //p')
[ "$type" = application/x-vlnkar ] || fail "lesson.vlnkar is of the type '$type'"
grep -q '^MimeType=application/x-vlnkar;$' "$share/applications/$APP_ID.desktop" || fail "the entry opens no set-ups"
rm -f "$work/started_with"
(cd / && env HOME="$work/home" PATH="$work/stub:$PATH" gio launch "$share/applications/$APP_ID.desktop" \
    "$work/lesson.vlnkar") || fail "gio launch with a file failed"
for _ in $(seq 1 50); do
    [ -s "$work/started_with" ] && break
    sleep 0.1
done
[ "$(cat "$work/started_with" 2>/dev/null)" = "--desktop $work/lesson.vlnkar" ] ||
    fail "the entry gave the program '$(cat "$work/started_with" 2>/dev/null)' for a set-up"

# The unpacked program under Xvfb. Its own stderr is checked inside.
timeout 90 xvfb-run -a -s "-screen 0 1024x768x24" bash "$(readlink -f "$0")" --inner "$root" "$work" ||
    fail "the installed program test failed"
echo "package test passed: $(basename "$deb"), $(stat -c %s "$deb") bytes, Depends: $depends"
