#!/bin/bash
# The scales in a real 1600 x 1200 window under Xvfb, read by OCR from an
# enlarged screenshot: at least four labels each; every energy label reads
# as a number and "eV", every position label as a number and "nm", centred
# within 2 px of X = 50 + (x / 0.4 + 5.25) 1500 / 10.5 (the default range);
# the expanded listing's text at least 1.8 times as tall as at 800 x 600.
# Usage: scale_ocr_test.sh /path/to/vlnkar (needs xvfb-run, xdotool, ImageMagick, tesseract).
set -u
fail() { echo "FAIL: $*" >&2; exit 1; }
if [ "${1:-}" != "--inner" ]; then
    for tool in xvfb-run xdotool import convert tesseract; do
        command -v "$tool" >/dev/null && continue
        [ -n "${CI:-}" ] && fail "$tool is not installed"
        echo "skipped: $tool is not installed (make deps installs it)" >&2 && exit 77
    done
    . "$(dirname "$(readlink -f "$0")")/asan_preload.sh"
    VLNKAR_PRELOAD=$(asan_preload "$(readlink -f "$1")") exec timeout 90 xvfb-run -a \
        -s "-screen 0 1700x1300x24" bash "$(readlink -f "$0")" --inner "$(readlink -f "$1")"
fi
work=$(mktemp -d /tmp/vlnkar_ocr_XXXXXX) || fail "no temporary folder"
trap 'kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work" && export HOME="$work"
start() { # width, height: "volna" in a window of that size, its start's hint and notes gone
    printf 'Konfigurace Vlnkar\r\n[SIRKA]=%s\r\n[VYSKA]=%s\r\n[VYCHOZI SYSTEM]=volna\r\n' "$1" "$2" >config.ini
    LD_PRELOAD="${VLNKAR_PRELOAD}${LD_PRELOAD:+ $LD_PRELOAD}" "$prog" 2>err.txt & pid=$!
    wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^Vlnkar$' | head -n1)
    [ -n "$wid" ] || fail "no visible $1 x $2 window named Vlnkar: $(cat err.txt)"
    xdotool mousemove --window "$wid" 400 150 && sleep 6
}
prog=$2
start 1600 1200
import -window "$wid" shot.png || fail "screenshot failed"
# Enlarged, dark on light, as OCR reads best; spaces dropped, and in the
# number O and o are the digit 0, I, l and | the digit 1, a dash a minus.
read_text() { # geometry, page mode
    convert shot.png -crop "$1" +repage -colorspace gray -negate -filter Lanczos -resize 600% -threshold 55% \
        -bordercolor white -border 30 part.png
    tesseract part.png - --dpi 300 --psm "$2" 2>/dev/null | sed 's/[—–−]/-/g' | tr -d ' ' | awk 'NF {
        n = substr($0, 1, length($0) - 2); gsub(/[Oo]/, "0", n); gsub(/[Il|]/, "1", n); gsub(/-+/, "-", n)
        print n, substr($0, length($0) - 1) }'
}
# Ink columns (or rows, with size 1 x N) of the crop, as runs "from to"
# parted by more than $3 empty ones.
runs() { convert shot.png -crop "$1" +repage -colorspace gray -threshold 30% -scale "$2"! txt:- | awk -F'[,:( ]+' \
    -v gap="$3" 'NR > 1 && $4 > 0 { k = $1 + $2; if (s == "" || k - e > gap + 1) { if (s != "") print s, e; s = k }; e = k }
     END { if (s != "") print s, e }'; }
number='^-?[0-9]+([.,][0-9]+)?'
# Texts are twice their 800 x 600 size here, and so is the margin under the
# energy diagram: its 0 eV line lies at H - 100.
# Energies: the column inside the plot's left edge from above 2H/3 to H - 100.
read_text 120x360+53+740 11 >energy.txt
[ "$(grep -Ec "$number eV\$" energy.txt)" -ge 4 ] && ! grep -Evq "$number eV\$" energy.txt ||
    fail "energy labels do not read as four or more numbers in eV: $(tr '\n' '|' <energy.txt)"
# Positions: from below the ticks (H - 95) down to the first row without ink.
band=$(runs 1506x45+47+1105 1x45 0 | awk 'NR == 1 { print $2 + 1 }')
runs "1506x${band}+47+1105" 1506x1 22 >labels.txt
[ "$(wc -l <labels.txt)" -ge 4 ] || fail "fewer than four position labels"
while read -r from to; do
    text=$(read_text "$((to - from + 9))x${band}+$((47 + from - 4))+1105" 7)
    [[ "$text" =~ $number\ nm$ ]] || fail "the position label at x $((47 + from)) reads \"$text\""
    awk -v t="${text/,/.}" -v a="$from" -v b="$to" 'BEGIN { d = 47 + (a + b + 1) / 2 - (50 + (t / 0.4 + 5.25) * 1500 / 10.5)
        exit !(d <= 2 && d >= -2) }' || fail "\"$text\" is not centred on its tick"
done <labels.txt
# The expanded listing's text, top to foot, left of the zoom button and step label.
listing_height() { # click x, crop, its height
    xdotool mousemove --window "$wid" "$1" 15 click 1 mousemove --window "$wid" 400 150 && sleep 1
    import -window "$wid" shot.png || fail "screenshot failed"
    runs "$2" "1x$3" 0 | awk 'NR == 1 { a = $1 } { b = $2 } END { print b - a + 1 }'
}
big=$(listing_height 1300 280x200+1210+5 200)
kill "$pid" && wait "$pid" 2>/dev/null; start 800 600
small=$(listing_height 650 140x100+575+5 100)
awk -v b="$big" -v s="$small" 'BEGIN { exit !(s > 40 && b >= 1.8 * s) }' ||
    fail "the listing's text is $big px tall at 1600 x 1200 and $small px at 800 x 600"
echo "scale labels read and placed; the listing's text $small px tall at 800 x 600, $big px at 1600 x 1200"
