#!/usr/bin/env bash
# Started from a folder whose pictures are each broken in another way, the
# program names every one with what is wrong and shows the scene whole from
# the good copies beside itself: its window shows a frame of the headless
# run of the good pictures, pixel for pixel.
# Usage: bad_pictures_test.sh NIGHTWICK COMPARE_SCREENSHOT PICTURE_DIRECTORY
set -uo pipefail
nightwick=$(realpath "$1") compare=$(realpath "$2") pictures=$(realpath "$3")
source "$(dirname "$0")/xvfb_helpers.sh"

bad=$work/bad
mkdir -p "$bad"
# patched NAME OFFSET BYTES...: the good picture with header bytes changed.
patched() {
    cp "$pictures/$1" "$bad/$1"
    printf "$(printf '\\x%02x' "${@:3}")" | dd of="$bad/$1" bs=1 seek="$2" conv=notrunc status=none
}
: >"$bad/VeskBack.pcx"
{ printf R; head -c 4000 /dev/urandom; } >"$bad/Mosquito.pcx"
head -c 5000 "$pictures/Mfall.pcx" >"$bad/Mfall.pcx"
patched Mturn.pcx 65 3   # three planes: 24-bit colour
patched Mzap.pcx 3 1     # one bit a pixel
patched Mzapa.pcx 8 20 0 # 21 pixels wide
patched Lamp.pcx 0 0     # no PCX mark
# A file of mode 000 refuses every user but root: as root, the program runs
# as nobody.
cp "$pictures/Rail.pcx" "$bad/Rail.pcx" && chmod 000 "$bad/Rail.pcx"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
    chmod 755 "$work" "$bad"
    # The program and its good pictures where nobody may read them, wherever
    # the build lies.
    mkdir -m 755 "$work/installed"
    cp "$nightwick" "$pictures"/*.pcx "$work/installed/"
    nightwick=$work/installed/nightwick pictures=$work/installed
fi
expected=(
    "VeskBack.pcx is empty" "Mosquito.pcx is not a PCX picture" "Mfall.pcx is cut short"
    "Mturn.pcx has 24-bit colour" "Mzap.pcx has 1-bit colour" "Mzapa.pcx is 21 x" "Lamp.pcx is not a PCX picture"
    "Rail.pcx cannot be read: Permission denied"
)

start_xvfb 800x600x24
since=$SECONDS
(cd "$bad" && DISPLAY=$display exec "${as_user[@]}" "$nightwick" --window) >"$work/nightwick.log" 2>&1 &
program=$!
window=$(program_window '^Nightwick$') ||
    { echo "the window does not show the good pictures' frame"; cat "$work/nightwick.log"; exit 1; }
failed=0
for text in "${expected[@]}"; do
    grep -q "^nightwick: $bad/$text.*; using $pictures/" "$work/nightwick.log" || { echo "not said: $text"; failed=1; }
done
DISPLAY=$display xdotool key --window "$window" Escape
ends_promptly "$program" || failed=1
cat "$work/nightwick.log"
exit $failed
