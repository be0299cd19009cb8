#!/bin/sh
# Times the pixel routines, the PCX reader and one frame beside their anchors
# (SDL2's blits, SDL2_image's PCX loader, memcpy of the same bytes) in one
# run, and prints the ratios. Usage: scripts/bench.sh [BUILD_DIR] [MIN_TIME]
set -e
build=${1:-build}
min_time=${2:-0.5}
cmake --build "$build" -j 1 --target anchors_bench frame_bench >/dev/null
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
echo "load: $(uptime)"
"$build/bench/anchors_bench" --benchmark_min_time="$min_time" --benchmark_format=json >"$out/anchors.json"
"$build/bench/frame_bench" --benchmark_min_time="$min_time" --benchmark_format=json >"$out/frame.json"
/usr/bin/python3 - "$out/anchors.json" "$out/frame.json" <<'PY'
import json, sys

us = {}
for path in sys.argv[1:]:
    for b in json.load(open(path))["benchmarks"]:
        if b.get("error_occurred"):
            continue
        scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3}[b["time_unit"]]
        us[b["name"]] = b["cpu_time"] * scale  # CPU time in microseconds

def t(name):
    return us.get(name, float("nan"))

def forms(name):
    names = ["plain", "words", "SSE2", "AVX2", "AVX-512"]
    return ", ".join(f"{n} {t(f'{name}/path:{i}'):.2f}" for i, n in enumerate(names) if f"{name}/path:{i}" in us)

rows = [
    ("8 wing-beat frames, transparent", t("BM_Wings/path:-1"),
     f"SDL RLE {t('BM_WingsSdl/rle:1'):.2f}, plain key {t('BM_WingsSdl/rle:0'):.2f}",
     f"{t('BM_Wings/path:-1') / t('BM_WingsSdl/rle:1'):.2f}x SDL RLE", "<= 0.4x SDL RLE", t("BM_WingsMemcpy"),
     forms("BM_Wings")),
    ("the same, mirrored", t("BM_WingsMirrored/path:-1"), f"our plain draw {t('BM_Wings/path:-1'):.2f}",
     f"{t('BM_WingsMirrored/path:-1') / t('BM_Wings/path:-1'):.2f}x our plain draw", "<= 1.2x our plain draw",
     t("BM_WingsMemcpy"), forms("BM_WingsMirrored")),
    ("100 x 100, random 50% transparent", t("BM_Random/path:-1"), f"SDL colour key {t('BM_RandomSdl'):.2f}",
     f"{t('BM_RandomSdl') / t('BM_Random/path:-1'):.1f}x faster", ">= 20x faster", t("BM_CopyMemcpy"),
     forms("BM_Random")),
    ("100 x 100 opaque copy (gfx_copy_rect)", t("BM_Copy"), f"SDL_BlitSurface {t('BM_CopySdl'):.2f}",
     f"{t('BM_Copy') / t('BM_CopySdl'):.2f}x SDL", "<= 1.0x SDL", t("BM_CopyMemcpy"), ""),
    ("VeskBack.pcx 640 x 480 from memory", t("BM_Pcx/path:-1"), f"IMG_LoadPCX_RW {t('BM_PcxSdlImage'):.0f}",
     f"{t('BM_PcxSdlImage') / t('BM_Pcx/path:-1'):.1f}x faster", ">= 10x faster", t("BM_PcxMemcpy"), forms("BM_Pcx")),
    ("run_frame, 5 insects (headless host)", t("BM_RunFrameFiveInsects/keep_page:1"), "16.7 ms frame",
     f"{t('BM_RunFrameFiveInsects/keep_page:1') / 16667 * 100:.3f}%", "<= 10 us", t("BM_PcxMemcpy"),
     "page copy by the host: memcpy column"),
    ("run_frame, 5 insects (host keeps no page)", t("BM_RunFrameFiveInsects/keep_page:0"), "16.7 ms frame",
     f"{t('BM_RunFrameFiveInsects/keep_page:0') / 16667 * 100:.3f}%", "<= 10 us", float("nan"), ""),
]
print(f"{'Work':44} {'Nightwick us':>12}  {'Anchor us':34} {'Now':24} {'Goal':24} {'memcpy us':>9}  forms (us)")
for work, ours, anchor, now, goal, mem, detail in rows:
    print(f"{work:44} {ours:12.2f}  {anchor:34} {now:24} {goal:24} {mem:9.2f}  {detail}")
PY
