#!/usr/bin/env bash
# The web build in a real browser: headless Chromium loads the page from a
# server on 127.0.0.1. Every canvas read-back must be exactly the headless
# run's frame of the number the page counted, and each screenshot of the
# page a frame of that run, only ever a page that run shows once; a hidden
# page, or one without the focus, shows no frames, and the program runs on
# when it comes back. At 1, 1.5 and 2 device pixels to the CSS pixel the
# page is at the largest whole scale that fits, each of its pixels a square
# of device pixels. The button and F take it to full screen (F never reaches
# the program); another key leaves it running, Escape ends it, in full
# screen too, and the page says so, as F12 does once it is started again
# from the page. The manifest and its icons load, and with the server gone
# the visited page loads again and runs. Reports the frame times the page saw.
# Usage: browser_test.sh WEB_BUILD_DIRECTORY CAPTURE_TOOL
set -uo pipefail
web=$(realpath "$1") capture=$(realpath "$2")
here=$(dirname "$(realpath "$0")")
for tool in node chromium; do
    command -v "$tool" >/dev/null || { echo "missing $tool"; exit 1; }
done
# The matcher itself first: it must refuse a page seen at more than one frame.
matcher=$(node --test "$here/frame_match.test.mjs" 2>&1) || { echo "$matcher"; echo "FAILED: the frame matcher's test"; exit 1; }
for file in index.html nightwick.js nightwick.wasm nightwick.data manifest.webmanifest sw.js icon-192.png icon-512.png; do
    [ -f "$web/$file" ] || { echo "missing $web/$file"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

echo "frame checksums of the headless run (20,000 frames)"
"$capture" --dir "$web" --frames 20000 --checksums --png 1="$work/palette.png" >"$work/checksums.txt" 2>/dev/null ||
    { echo "the capture tool failed"; exit 1; }

# Node 20 has fetch but its WebSocket only behind a flag; the driver speaks
# to Chromium over a pipe and needs neither.
node "$here/browser_driver.mjs" "$web" "$work" >"$work/report.json"
driver=$?
field() { node -e 'const r = JSON.parse(require("fs").readFileSync(process.argv[1])); const v = process.argv[2].split(".").reduce((o, k) => o?.[k], r); console.log(typeof v === "object" ? JSON.stringify(v) : v)' "$work/report.json" "$1"; }
if [ "$driver" -ne 0 ]; then
    cat "$work/report.json"
    echo "FAILED: the browser run did not complete"
    exit 1
fi

# Each picture was matched as it was taken (frame_match.mjs), again until
# it showed a page the headless run shows at one frame only. A read-back is
# taken with the page's count of frames: it must be the very frame of that
# number, none lost or shown twice on the way.
shots=$(field shots)
count=$(node -e 'console.log(JSON.parse(process.argv[1]).length)' "$shots")
for ((index = 0; index < count; index++)); do
    file=$(field "shots.$index.file") frame=$(field "shots.$index.frame") shown=$(field "shots.$index.frames_shown")
    tries=$(field "shots.$index.tries")
    [ "$tries" -gt 1 ] && note=" (after $((tries - 1)) ambiguous pictures)" || note=""
    if [ "$frame" = undefined ]; then
        cp "$work/$file" "$web/unmatched-$file"
        fail "$file: $(field "shots.$index.error") (kept as $web/unmatched-$file)"
    elif [ "$(field "shots.$index.kind")" = canvas ]; then
        if [ "$frame" = "$shown" ]; then
            echo "$file is frame $shown of the headless run, as the page counted$note"
        else
            fail "$file is frame $frame of the headless run, but the page had shown $shown frames"
        fi
    elif [ "$(field "shots.$index.kind")" = screen ]; then
        echo "$file (the page on screen) is frame $frame of the headless run$note"
    elif ((shown - frame >= 0 && shown - frame <= 5)); then
        echo "$file is frame $frame of the headless run, the page's count $shown with its showings after pauses$note"
    else
        fail "$file is frame $frame of the headless run, but the page had shown $shown frames, pauses and all"
    fi
done

hidden=$(field hidden.frames_shown_while_hidden)
[ "$hidden" = 0 ] || fail "$hidden frames were shown while the page was hidden"
echo "hidden: no frame while hidden; shown again, it ran on ($(field hidden.frames_after_coming_back) frames)"

[ "$(field blurred.frames_shown_without_focus)" = 0 ] ||
    fail "$(field blurred.frames_shown_without_focus) frames were shown without the focus"
echo "without the focus: no frame; with it back, it ran on ($(field blurred.frames_with_focus_back) frames)"

# The canvas has the window's device pixels; the page the largest whole
# scale that fits in them, every page pixel exactly a square of them.
scales=$(field scales)
for ((index = 0; index < $(node -e 'console.log(JSON.parse(process.argv[1]).length)' "$scales"); index++)); do
    ratio=$(field "scales.$index.device_pixel_ratio") canvas=$(field "scales.$index.canvas") scale=$(field "scales.$index.scale")
    want=$(node -e 'const [w, h] = JSON.parse(process.argv[1]); console.log(Math.max(1, Math.floor(Math.min(w / 640, h / 480))))' "$canvas")
    echo "1280 x 800 at $ratio dppx: canvas $canvas device pixels, page at scale $scale"
    [ "$canvas" = "$(node -e 'const r = Number(process.argv[1]); console.log(JSON.stringify([Math.round(1280 * r), Math.round(800 * r)]))' "$ratio")" ] ||
        fail "at $ratio dppx the canvas is $canvas device pixels"
    [ "$scale" = "$want" ] || fail "at $ratio dppx the page is at scale $scale, not $want"
    [ "$(field "scales.$index.canvas_pixels_wrong")" = 0 ] ||
        fail "at $ratio dppx $(field "scales.$index.canvas_pixels_wrong") canvas pixels are not their page pixel's or the bars' black"
done
[ "$(field scale_at_640x480)" = 1 ] || fail "at 640 x 480 the page is at scale $(field scale_at_640x480)"

[ "$(field fullscreen.by_button)" = stage ] || fail "the button did not take the page to full screen"
[ "$(field fullscreen.by_key)" = stage ] || fail "F did not take the page to full screen"
[ "$(field fullscreen.keys_passed_to_the_program)" = 0 ] ||
    fail "F was passed to the program ($(field fullscreen.keys_passed_to_the_program) keys)"
echo "full screen by the button and by F: $(field fullscreen.stats_by_button)"
[ "$(field fullscreen.before_escape)" = stage ] || fail "Escape was not pressed in full screen"
[ -z "$(field fullscreen.after_the_end)" ] || fail "the ended page stayed in full screen"

ended=$(field ended)
echo "after Escape (in full screen) the page says: $ended"
[[ "$ended" == *"exit code 0"* ]] || fail "the page did not report the end with exit code 0"
[ "$(field frames_after_another_key)" -gt 0 ] || fail "a key other than Esc and F12 stopped the program"
[ "$(field start_again_offered)" = true ] || fail "the page offers no new start"
ended=$(field ended_after_f12)
echo "started again from the page, after F12 it says: $ended"
[[ "$ended" == *"exit code 0"* ]] || fail "F12 did not end the program started again"
[ -z "$(field messages)" ] || fail "the program showed a message: $(field messages)"
[ "$(field manifest.errors)" = "[]" ] && [ "$(field manifest.parsed)" = true ] ||
    fail "the manifest: $(field manifest)"
[ "$(field manifest.installability_errors)" = "[]" ] || [ "$(field manifest.installability_errors)" = undefined ] ||
    fail "not installable: $(field manifest.installability_errors)"
icons=$(field manifest.icons)
echo "manifest ($(field manifest.display)), icons: $icons"
[[ "$icons" == *"icon-192.png: 192x192\""* && "$icons" == *"icon-512.png: 512x512\""* && "$icons" != *not* ]] ||
    fail "the manifest's icons: $icons"
[ "$(field offline.controlled)" = true ] || fail "the service worker does not control the page"
[ "$(field offline.requests_served)" = 0 ] || fail "the server was asked again"
echo "offline, with the server gone: the page loaded again and ran (canvas-offline.png above)"

echo "frame times in Chromium: $(field frame_time)"
console=$(field console)
[ "$console" = "[]" ] || echo "the page's console: $console"

[ "$failures" -eq 0 ] || { echo "$failures browser checks failed"; exit 1; }
echo "browser test passed"
