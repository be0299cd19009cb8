#!/usr/bin/python3
"""The Wine test's frame matcher names a frame only for a page the headless
run shows once, and reads a page fitted into a window back only when every
pixel is the nearest rule's and the bars are black. Exits 77 (skipped)
where PIL is missing."""
import contextlib
import io
import os
import sys
import tempfile

try:
    from PIL import Image
except ImportError:
    print("python3-pil is not installed")
    sys.exit(77)

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import match_frame  # noqa: E402

COLOURS = [(0, 0, 0), (200, 10, 10), (0, 0, 0)]  # slot 2 repeats black: black is index 0
PALETTE = [c for colour in COLOURS for c in colour] + [0] * (768 - 3 * len(COLOURS))
PAGE = [1, 0, 0, 1]  # 2 x 2 indices


# PAGE fitted into a 7 x 3 window: a 3 x 3 area at x = 2, page column
# x * 2 / 3 at window column x, black bars of two columns each side.
FITTED = [0, 0, 1, 1, 0, 0, 0,
          0, 0, 1, 1, 0, 0, 0,
          0, 0, 0, 0, 1, 0, 0]


def run(folder, sums, step=1, fitted=None):
    palette = Image.new("P", (1, 1))
    palette.putpalette(PALETTE)
    palette.save(os.path.join(folder, "palette.png"))
    if fitted:
        shot = Image.new("RGB", (7, 3))
        shot.putdata([COLOURS[i] for i in fitted])
        options = ["--fit", "2x2"]
    else:
        shot = Image.new("RGB", (2, 2))
        shot.putdata([COLOURS[i] for i in PAGE])
        shot = shot.resize((2 * step, 2 * step), Image.NEAREST)
        options = ["--step", str(step)]
    shot.save(os.path.join(folder, "shot.ppm"))
    with open(os.path.join(folder, "sums.txt"), "w") as out:
        out.write("".join(f"frame {n} checksum {sum_}\n" for n, sum_ in sums))
    printed = io.StringIO()
    with contextlib.redirect_stdout(printed):
        paths = [os.path.join(folder, name) for name in ("shot.ppm", "palette.png", "sums.txt")]
        code = match_frame.main(["match_frame.py", *paths, *options])
    return code, printed.getvalue().strip()


def main():
    page = f"{match_frame.frame_checksum(bytes(PAGE), bytes(PALETTE)):08x}"
    other = "0badf00d"
    cases = [
        ("a page shown once names its frame", [(1, other), (2, page), (3, other)], 1, (0, "2")),
        ("and scaled up", [(1, other), (2, page)], 3, (0, "2")),
        ("a page shown again later names none", [(4, page), (5, other), (9, page)], 1, 2),
        ("a page shown at no frame names none", [(1, other)], 1, 1),
        ("a page fitted into a window names its frame", [(1, other), (2, page)], FITTED, (0, "2")),
        ("a pixel off the nearest rule names none", [(2, page)], FITTED[:17] + [1] + FITTED[18:], 1),
        ("a bar not black names none", [(2, page)], FITTED[:20] + [1], 1),
    ]
    failed = 0
    with tempfile.TemporaryDirectory() as folder:
        for name, sums, how, wanted in cases:
            code, printed = run(folder, sums, *((1, how) if isinstance(how, list) else (how,)))
            got = (code, printed) if isinstance(wanted, tuple) else code
            if got != wanted or (code != 0 and printed.isdigit()):
                print(f"FAILED: {name}: got {code}, {printed!r}; wanted {wanted}")
                failed += 1
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
