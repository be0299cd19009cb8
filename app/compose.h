// Composing a frame in the screen buffer: the background put back under
// each insect's last two boxes, then insects, lamp and rail in depth order.
#pragma once

struct Insect;

void restore_background(Insect* insect);
// An insect removed this frame had its restore on the page drawn now; its
// last image is still on the other page. This keeps its boxes so that the
// next frame's restore pass puts the background back there as well.
void keep_removed_boxes(const Insect* insect);
// The background under the boxes kept since the last frame, then none.
void restore_removed();
void forget_removed();
void draw_insect(Insect* insect);
void draw_lamp();
void draw_rail();
