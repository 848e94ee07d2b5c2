// The HUD's backdrop: the processed race picture (the frame texture, or the soft-focus
// one with the post effect on) over the whole screen, 0.85 of the glow added, and the
// left and right screen edges darkened by texture 5 at 0.75.
#pragma once

// Draws over the virtual screen in the current orthographic frame, with the modelview
// at identity. With a second texture unit the picture and the glow are one pass, with
// one the glow is blended on; the same pixels either way. Leaves unit 0 active with 2D
// texturing on, blending off and the colour white.
void DrawHudPicture();
