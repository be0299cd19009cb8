#!/usr/bin/python3
"""Finds which frame of the headless run a screenshot shows.

Usage: match_frame.py SCREENSHOT.ppm PALETTE.png CHECKSUMS.txt [--area X,Y,W,H] [--step S]

The part of the screenshot in AREA (all of it by default) is the page scaled
S times (S = 1: as it is): every S x S block must be one colour, and the
top-left pixel of each block is the page's. Its colours are mapped back to
palette indices (PALETTE.png is any indexed frame the capture tool wrote) and
hashed the way the capture tool hashes a frame; the frame is found among the
checksums it printed (with --every N, of pages shown at 1/N of their size).
Prints the frame number and exits 0; exits 1 when no frame matches, and 2
when the page was shown at more than one frame, so it tells no frame number:
take another screenshot.
"""
import sys

from PIL import Image


def frame_checksum(indices, palette_bytes):
    # FNV-1a over the pixels, then over the colours they were shown with.
    hash_ = 2166136261
    for value in indices:
        hash_ = ((hash_ ^ value) * 16777619) & 0xFFFFFFFF
    for value in palette_bytes:
        hash_ = ((hash_ ^ value) * 16777619) & 0xFFFFFFFF
    return hash_


def frames_with(sums_path, wanted):
    with open(sums_path) as sums:
        return [fields[1] for fields in (line.split() for line in sums) if len(fields) == 4 and fields[3] == wanted]


def main(argv):
    shot_path, palette_path, sums_path = argv[1:4]
    options = dict(zip(argv[4::2], argv[5::2]))
    shot = Image.open(shot_path).convert("RGB")
    if "--area" in options:
        x, y, w, h = (int(v) for v in options["--area"].split(","))
        shot = shot.crop((x, y, x + w, y + h))
    step = int(options.get("--step", "1"))
    width, height = shot.size[0] // step, shot.size[1] // step
    if width * step != shot.size[0] or height * step != shot.size[1]:
        print(f"the area is {shot.size[0]} x {shot.size[1]}, not a whole multiple of {step}")
        return 1
    # Any pixel of a block stands for it once every block is one colour.
    page = shot.resize((width, height), Image.NEAREST) if step > 1 else shot
    if step > 1 and page.resize(shot.size, Image.NEAREST).tobytes() != shot.tobytes():
        print(f"the area is not the page scaled {step} times: some {step} x {step} block has two colours")
        return 1
    palette_bytes = bytes(Image.open(palette_path).getpalette()[:768])
    index_of = {}
    # Unused slots repeat black; the lowest index of a colour stands for it.
    for i in range(255, -1, -1):
        index_of[tuple(palette_bytes[3 * i:3 * i + 3])] = i
    pixels = page.getdata()
    indices = bytearray(len(pixels))
    strangers = 0
    for n, colour in enumerate(pixels):
        index = index_of.get(colour)
        if index is None:
            strangers += 1
        else:
            indices[n] = index
    if strangers:
        print(f"{strangers} pixels have colours outside the palette")
        return 1
    wanted = f"{frame_checksum(indices, palette_bytes):08x}"
    frames = frames_with(sums_path, wanted)
    if not frames:
        print(f"no frame has checksum {wanted}")
        return 1
    if len(frames) > 1:
        print(f"the page is shown at {len(frames)} frames ({frames[0]}, {frames[1]}, ...)")
        return 2
    print(frames[0])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
