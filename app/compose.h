// Composing a frame in the screen buffer: the background put back under
// each insect's last two boxes, then insects, lamp and rail in depth order.
#pragma once

struct Insect;

void restore_background(Insect* insect);
void draw_insect(Insect* insect);
void draw_lamp();
void draw_rail();
