#!/usr/bin/python3
"""Finds which frame of the headless run a screenshot shows.

Usage: match_frame.py SCREENSHOT.ppm PALETTE.png CHECKSUMS.txt [--area X,Y,W,H]
                      [--step S | --fit WxH]

The part of the screenshot in AREA (all of it by default) is the page scaled
S times (S = 1: as it is): every S x S block must be one colour, and the
top-left pixel of each block is the page's. With --fit, AREA is a window
that a page of W x H was fitted into at any scale: the largest area of the
page's shape, centred, window pixel x showing page pixel x * W / area width,
black bars around; every pixel is checked, and the page read back. Its colours are mapped back to
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


def fitted(shot, page_width, page_height):
    """The page read back from a window it was fitted into, and None; or
    None and what is wrong."""
    width, height = shot.size
    area_width, area_height = width, height
    if width * page_height > height * page_width:
        area_width = height * page_width // page_height
    elif width * page_height < height * page_width:
        area_height = width * page_height // page_width
    area_width, area_height = max(area_width, 1), max(area_height, 1)
    left, top = (width - area_width) // 2, (height - area_height) // 2

    def first(p, page, window):  # the first window pixel that shows page pixel p
        return (p * window + page - 1) // page

    data, stride, black = shot.tobytes(), 3 * width, b"\0\0\0"
    starts = [3 * (left + first(x, page_width, area_width)) for x in range(page_width)]
    page_rows = []
    for y in range(page_height):
        base = (top + first(y, page_height, area_height)) * stride
        page_rows.append([data[base + s:base + s + 3] for s in starts])
    columns = [x * page_width // area_width for x in range(area_width)]
    lines = {}
    for y in range(height):
        source = (y - top) * page_height // area_height if top <= y < top + area_height else -1
        if source not in lines:
            inside = b"".join(page_rows[source][c] for c in columns) if source >= 0 else black * area_width
            lines[source] = black * left + inside + black * (width - left - area_width)
        if lines[source] != data[y * stride:(y + 1) * stride]:
            return None, f"row {y} of the {width} x {height} window is not the page fitted by the nearest rule"
    page = Image.frombytes("RGB", (page_width, page_height), b"".join(b"".join(row) for row in page_rows))
    return page, None


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
    if "--fit" in options:
        page, wrong = fitted(shot, *(int(v) for v in options["--fit"].split("x")))
        if wrong:
            print(wrong)
            return 1
        shot = page
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
