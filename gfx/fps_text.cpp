#include "gfx/fps_text.h"

#include "gfx/text.h"

void DrawFpsText(int fps) { PrintTextLists1(315.0f, 205.0f, 1.0f, 0, "FPS:%2i", fps); }
