// Where each animation frame lies in its sprite sheet (inclusive pixel
// rectangles, origin at the sheet's top-left) and its draw offsets. The
// picture painter lays its sheets out from the same tables.
#pragma once

#include <cstdint>

struct FrameTable {
    std::int32_t left, right, top, bottom, x_offset, y_offset;
};

inline constexpr FrameTable fly_frames[8] = {
    {5, 68, 0, 77, 0, 0},   {72, 148, 34, 74, -5, 2},   {153, 215, 33, 83, -2, 11},   {229, 304, 17, 80, -4, 5},
    {2, 66, 96, 177, 0, 5}, {69, 145, 132, 175, -5, 5}, {150, 212, 134, 183, -2, 11}, {225, 300, 114, 173, -4, 0}};
// The falling frames are cut from the top of their sheet.
inline constexpr FrameTable fall_frames[4] = {
    {0, 80, 0, 92, -5, 3}, {82, 150, 0, 96, 0, 0}, {153, 229, 0, 104, -6, 2}, {235, 319, 0, 105, -9, 2}};
inline constexpr FrameTable turn_frames[4] = {
    {3, 102, 3, 42, -18, 5}, {110, 201, 6, 49, -26, 9}, {209, 311, 12, 61, -41, 12}, {2, 68, 73, 152, -26, 11}};
// Frames 0 to 2 come from "Mzap.pcx", frame 3 from "Mzapa.pcx".
inline constexpr FrameTable zap_frames[4] = {
    {0, 111, 0, 98, 5, 0}, {117, 224, 0, 106, 3, 11}, {2, 97, 107, 196, 0, 9}, {0, 110, 1, 112, 12, 5}};

// The scenery images' lower-left corners in their sheets.
inline constexpr std::int32_t lamp_sheet_x = 12, lamp_sheet_y = 159;
inline constexpr std::int32_t rail_sheet_x = 35, rail_sheet_y = 199;
