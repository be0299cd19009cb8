// The scene's fixed pictures.
#pragma once

#include "tools/art/canvas.h"

void paint_background(Canvas& canvas);  // 640 x 480
// The lamp (111 x 160) and the railing (237 x 140), with their top-left
// corner where given; everything around them stays transparent.
void paint_lamp(Canvas& canvas, double left, double top);
void paint_rail(Canvas& canvas, double left, double top);
