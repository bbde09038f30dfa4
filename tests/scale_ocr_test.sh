#!/bin/bash
# The scales in a real 1600 x 1200 window under Xvfb, read by OCR from an
# enlarged screenshot: at least four labels each; every energy label reads
# as a number and "eV", every position label as a number and "nm", centred
# within 2 px of X = 50 + (x / 0.4 + 5.25) 1500 / 10.5 (the default range).
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
printf 'Konfigurace Vlnkar\r\n[SIRKA]=1600\r\n[VYSKA]=1200\r\n[VYCHOZI SYSTEM]=volna\r\n' >config.ini
LD_PRELOAD="${VLNKAR_PRELOAD}${LD_PRELOAD:+ $LD_PRELOAD}" "$2" 2>err.txt & pid=$!
wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^Vlnkar$' | head -n1)
[ -n "$wid" ] || fail "no visible window named Vlnkar: $(cat err.txt)"
xdotool mousemove --window "$wid" 800 150 && sleep 6 # till the start's hint and notes are gone
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
# Energies: the column inside the plot's left edge from above 2H/3 to H - 50.
read_text 70x380+53+770 11 >energy.txt
[ "$(grep -Ec "$number eV\$" energy.txt)" -ge 4 ] && ! grep -Evq "$number eV\$" energy.txt ||
    fail "energy labels do not read as four or more numbers in eV: $(tr '\n' '|' <energy.txt)"
# Positions: from below the ticks (H - 45) down to the first row without ink.
band=$(runs 1506x30+47+1155 1x30 0 | awk 'NR == 1 { print $2 + 1 }')
runs "1506x${band}+47+1155" 1506x1 11 >labels.txt
[ "$(wc -l <labels.txt)" -ge 4 ] || fail "fewer than four position labels"
while read -r from to; do
    text=$(read_text "$((to - from + 9))x${band}+$((47 + from - 4))+1155" 7)
    [[ "$text" =~ $number\ nm$ ]] || fail "the position label at x $((47 + from)) reads \"$text\""
    awk -v t="${text/,/.}" -v a="$from" -v b="$to" 'BEGIN { d = 47 + (a + b + 1) / 2 - (50 + (t / 0.4 + 5.25) * 1500 / 10.5)
        exit !(d <= 2 && d >= -2) }' || fail "\"$text\" is not centred on its tick"
done <labels.txt
echo "scale labels read and placed"
