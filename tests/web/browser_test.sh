#!/usr/bin/env bash
# The web build in a real browser: headless Chromium loads the page from a
# server on 127.0.0.1. Every canvas read-back must be exactly the headless
# run's frame of the number the page counted, and the screenshot of the page
# a frame of that run; a hidden page, or one without the focus, shows no
# frames, and the program runs on when it comes back; another key leaves it
# running, Escape ends it and the page says so, as F12 does once it is
# started again from the page. Reports the frame times the page saw.
# Usage: browser_test.sh WEB_BUILD_DIRECTORY CAPTURE_TOOL
set -uo pipefail
web=$(realpath "$1") capture=$(realpath "$2")
here=$(dirname "$(realpath "$0")")
match=$here/../windows/match_frame.py
for tool in node chromium /usr/bin/python3; do
    command -v "$tool" >/dev/null || { echo "missing $tool"; exit 1; }
done
for file in index.html nightwick.js nightwick.wasm nightwick.data; do
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

sum_of() { awk -v n="$1" '$1 == "frame" && $2 == n { print $4 }' "$work/checksums.txt"; }
index=0
for shot in canvas-1 canvas-2 canvas-3 screen; do
    if frame=$("$match" "$work/$shot.png" "$work/palette.png" "$work/checksums.txt"); then
        shown=$(field "shots.$index.frames_shown")
        # A read-back is taken with the page's count of frames: it must be
        # the very frame of that number, none lost or shown twice on the
        # way. (Frames repeat, the bare scene above all: the first frame
        # with the same pixels is the one named.)
        if [[ "$shot" == canvas-* ]]; then
            if [ "$(sum_of "$frame")" = "$(sum_of "$shown")" ]; then
                echo "$shot.png is frame $shown of the headless run, as the page counted"
            else
                fail "$shot.png is frame $frame of the headless run, but the page had shown $shown frames"
            fi
        else
            echo "$shot.png (the page on screen) is frame $frame of the headless run"
        fi
    else
        cp "$work/$shot.png" "$web/unmatched-$shot.png"
        fail "$shot.png: $frame (kept as $web/unmatched-$shot.png)"
    fi
    index=$((index + 1))
done

hidden=$(field hidden.frames_shown_while_hidden)
after=$(field hidden.frames_after_coming_back)
[ "$hidden" = 0 ] || fail "$hidden frames were shown while the page was hidden"
if frame=$("$match" "$work/canvas-after-hidden.png" "$work/palette.png" "$work/checksums.txt"); then
    echo "hidden: no frame while hidden; shown again, it ran on ($after frames), frame $frame of the headless run"
else
    cp "$work/canvas-after-hidden.png" "$web/unmatched-canvas-after-hidden.png"
    fail "after being hidden: $frame (kept as $web/unmatched-canvas-after-hidden.png)"
fi

[ "$(field blurred.frames_shown_without_focus)" = 0 ] ||
    fail "$(field blurred.frames_shown_without_focus) frames were shown without the focus"
echo "without the focus: no frame; with it back, it ran on ($(field blurred.frames_with_focus_back) frames)"

ended=$(field ended)
echo "after Escape the page says: $ended"
[[ "$ended" == *"exit code 0"* ]] || fail "the page did not report the end with exit code 0"
[ "$(field frames_after_another_key)" -gt 0 ] || fail "a key other than Esc and F12 stopped the program"
[ "$(field start_again_offered)" = true ] || fail "the page offers no new start"
ended=$(field ended_after_f12)
echo "started again from the page, after F12 it says: $ended"
[[ "$ended" == *"exit code 0"* ]] || fail "F12 did not end the program started again"
[ -z "$(field messages)" ] || fail "the program showed a message: $(field messages)"
echo "frame times in Chromium: $(field frame_time)"
console=$(field console)
[ "$console" = "[]" ] || echo "the page's console: $console"

[ "$failures" -eq 0 ] || { echo "$failures browser checks failed"; exit 1; }
echo "browser test passed"
