// The frames-per-second line the shell draws last in every frame while F1 has it on.
#pragma once

// "FPS:%2i" at (315, 205) of the virtual screen in the first font.
void DrawFpsText(int fps);
