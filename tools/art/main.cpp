// nightwick-art: paints the eight pictures of the animation and writes them
// as PCX files sharing one palette, and the program's icon (.ico and .png).
//
//   nightwick-art OUTPUT_DIRECTORY [--preview PREVIEW_DIRECTORY]
//
// With --preview it also writes each picture as a PNG, for looking at.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/frame_tables.h"
#include "tools/art/canvas.h"
#include "tools/art/icon.h"
#include "tools/art/mosquito.h"
#include "tools/art/palette.h"
#include "tools/art/pcx_writer.h"
#include "tools/art/scene.h"

namespace {

struct Sheet {
    const char* name;
    std::unique_ptr<Canvas> canvas;
};

// Paints `draw` inside one frame rectangle only, so nothing of one frame
// reaches into another's rectangle. The thorax sits where the insect's
// anchor puts it on screen: 26 right of and 26 above the anchor.
template <typename Draw>
void in_frame(Canvas& canvas, const FrameTable& frame, Draw draw) {
    cairo_t* cr = canvas.cr;
    cairo_save(cr);
    cairo_rectangle(cr, frame.left, frame.top, frame.right - frame.left + 1, frame.bottom - frame.top + 1);
    cairo_clip(cr);
    const double width = frame.right - frame.left + 1;
    const double height = frame.bottom - frame.top + 1;
    // Narrow frames move the body over so all of it fits: proboscis to
    // tail it takes 20 to the left of the thorax and 42 to the right.
    const double thorax_x = frame.left + std::clamp(26.0 - frame.x_offset, 21.0, width - 43.0);
    const double thorax_y = frame.top + height - 1 - frame.y_offset - 26;
    draw(cr, thorax_x, thorax_y);
    cairo_restore(cr);
}

void paint_fly_sheet(Canvas& canvas) {
    // Two wing beats per cycle of eight: up, level, down, half way up.
    const double wing_angles[8] = {-1.75, -0.25, 0.55, -0.95, -1.8, -0.2, 0.6, -1.0};
    for (int i = 0; i < 8; ++i) {
        in_frame(canvas, fly_frames[i], [&](cairo_t* cr, double x, double y) {
            MosquitoPose pose{x, y, wing_angles[i], 0.06 * std::sin(i * pi / 2), 1.0, (i % 4) * 0.6, true, 1.05};
            draw_mosquito(cr, pose);
        });
    }
}

void paint_turn_sheet(Canvas& canvas) {
    // The body swings round towards the viewer, wings opening wide.
    in_frame(canvas, turn_frames[0], [](cairo_t* cr, double x, double y) {
        draw_mosquito(cr, MosquitoPose{x - 6, y + 2, -0.45, -0.05, 0.8, 0.5, true});
    });
    in_frame(canvas, turn_frames[1], [](cairo_t* cr, double x, double y) {
        draw_mosquito(cr, MosquitoPose{x - 14, y + 4, -0.7, 0.1, 0.55, 1.0, true});
    });
    in_frame(canvas, turn_frames[2], [](cairo_t* cr, double x, double y) {
        draw_mosquito(cr, MosquitoPose{x - 24, y + 4, -1.0, 0.25, 0.3, 1.5, true});
    });
    in_frame(canvas, turn_frames[3],
             [](cairo_t* cr, double x, double y) { draw_mosquito_front(cr, x - 18, y + 6, 0.55); });
}

void paint_zap_sheets(Canvas& first_three, Canvas& last) {
    Scatter scatter{912};
    const double radius[4] = {46, 52, 42, 50};
    const double strength[4] = {0.9, 1.0, 0.8, 0.65};
    for (int i = 0; i < 4; ++i) {
        Canvas& canvas = i < 3 ? first_three : last;
        const FrameTable& frame = zap_frames[i];
        const double cx = (frame.left + frame.right) / 2.0, cy = (frame.top + frame.bottom) / 2.0;
        in_frame(canvas, frame, [&](cairo_t* cr, double, double) {
            draw_flash(cr, cx, cy, radius[i], strength[i], scatter);
            // The insect shows dark inside the flash, stiffening; at the end
            // only its charred body is left.
            if (i < 3) {
                MosquitoPose pose{cx - 10, cy + 2, i % 2 ? -1.6 : -0.3, 0.15 * i, 1.0, 2.0, true, 1.0, true};
                draw_mosquito(cr, pose);
            } else {
                draw_charred_mosquito(cr, cx, cy, 0.3, scatter);
            }
        });
    }
}

void paint_fall_sheet(Canvas& canvas) {
    Scatter scatter{950};
    for (int i = 0; i < 4; ++i) {
        in_frame(canvas, fall_frames[i], [&](cairo_t* cr, double x, double y) {
            // Smoke trails up from where it fell.
            const double cx = x + 8, cy = y + 6;
            for (int puff = 0; puff < 6; ++puff) {
                const double py = cy - 20 - puff * 10;
                const double px = cx + std::sin(puff * 1.3 + i) * (3 + puff * 1.5);
                set(cr, mix(rgb(0x7a7480), rgb(0x34323e), puff / 5.0));
                cairo_arc(cr, px, py, 5.5 - puff * 0.6, 0, 2 * pi);
                cairo_fill(cr);
                set(cr, mix(rgb(0xa8a2ae), rgb(0x4a4856), puff / 5.0));
                cairo_arc(cr, px - 1.5, py - 1.5, 2.5 - puff * 0.3, 0, 2 * pi);
                cairo_fill(cr);
            }
            draw_charred_mosquito(cr, cx, cy, i * pi / 2 + 0.3, scatter);
        });
    }
}

void write_png(const Canvas& canvas, const std::string& path) {
    cairo_surface_write_to_png(canvas.surface, path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && !(argc == 4 && std::strcmp(argv[2], "--preview") == 0)) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIRECTORY [--preview PREVIEW_DIRECTORY]\n", argv[0]);
        return 2;
    }
    const std::filesystem::path output = argv[1];
    std::error_code error;
    std::filesystem::create_directories(output, error);

    Canvas background(640, 480);
    paint_background(background);
    std::vector<Sheet> sheets;
    for (const char* name :
         {"Mosquito.pcx", "Mfall.pcx", "Mturn.pcx", "Mzap.pcx", "Mzapa.pcx", "Lamp.pcx", "Rail.pcx"}) {
        sheets.push_back(Sheet{name, std::make_unique<Canvas>(320, 200)});
    }
    paint_fly_sheet(*sheets[0].canvas);
    paint_fall_sheet(*sheets[1].canvas);
    paint_turn_sheet(*sheets[2].canvas);
    paint_zap_sheets(*sheets[3].canvas, *sheets[4].canvas);
    paint_lamp(*sheets[5].canvas, lamp_sheet_x, lamp_sheet_y - 159);
    paint_rail(*sheets[6].canvas, rail_sheet_x, rail_sheet_y - 139);

    // Small sprites weigh more, so their few pixels still get colours.
    Samples samples;
    samples.add(background, 1);
    for (const Sheet& sheet : sheets) samples.add(*sheet.canvas, 6);
    const Palette palette = build_palette(samples);

    bool ok = write_pcx((output / "VeskBack.pcx").string(), 640, 480, map_to_palette(background, palette, false, true),
                        palette.entries);
    for (const Sheet& sheet : sheets) {
        ok = write_pcx((output / sheet.name).string(), 320, 200, map_to_palette(*sheet.canvas, palette, true, false),
                       palette.entries) &&
             ok;
    }
    // The program's icon goes with the pictures: the Windows resources and
    // the desktop entry take it from there.
    ok = write_ico((output / "nightwick.ico").string(), {16, 24, 32, 48, 64, 256}) && ok;
    Canvas icon(256, 256);
    paint_icon(icon);
    ok =
        cairo_surface_write_to_png(icon.surface, (output / "nightwick.png").string().c_str()) == CAIRO_STATUS_SUCCESS &&
        ok;
    if (!ok) {
        std::fprintf(stderr, "nightwick-art: cannot write the pictures into %s\n", output.string().c_str());
        return 1;
    }
    if (argc == 4) {
        const std::filesystem::path preview = argv[3];
        std::filesystem::create_directories(preview, error);
        write_png(background, (preview / "VeskBack.png").string());
        for (const Sheet& sheet : sheets) {
            write_png(*sheet.canvas, (preview / std::filesystem::path(sheet.name).replace_extension(".png")).string());
        }
    }
    return 0;
}
