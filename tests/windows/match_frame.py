#!/usr/bin/python3
"""Finds which frame of the headless run a screenshot shows.

Usage: match_frame.py SCREENSHOT.ppm PALETTE.png CHECKSUMS.txt

The screenshot's colours are mapped back to palette indices (PALETTE.png is
any indexed frame the capture tool wrote) and hashed the way the capture
tool hashes a frame; the frame is found among the checksums it printed.
Prints the frame number; exit 1 when no frame matches.
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


def main():
    shot_path, palette_path, sums_path = sys.argv[1:4]
    shot = Image.open(shot_path).convert("RGB")
    if shot.size != (640, 480):
        print(f"the screenshot is {shot.size[0]} x {shot.size[1]}, not 640 x 480")
        return 1
    palette_bytes = bytes(Image.open(palette_path).getpalette()[:768])
    index_of = {}
    # Unused slots repeat black; the lowest index of a colour stands for it.
    for i in range(255, -1, -1):
        index_of[tuple(palette_bytes[3 * i:3 * i + 3])] = i
    pixels = shot.getdata()
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
    with open(sums_path) as sums:
        for line in sums:
            fields = line.split()
            if len(fields) == 4 and fields[3] == wanted:
                print(fields[1])
                return 0
    print(f"no frame has checksum {wanted}")
    return 1


if __name__ == "__main__":
    sys.exit(main())
