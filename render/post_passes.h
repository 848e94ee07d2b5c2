// The one full-screen image step of the race and garage renderers: a rectangle texture
// drawn into one of the two small post textures (400 x 300, half float), as a plain
// copy that scales a screen-size picture down, or through the Blur or BlurSmoke program.
#pragma once

// Pass types: what the step draws with.
constexpr int kPostBlur = 2;       // the glow
constexpr int kPostBlurSmoke = 9;  // the wheel dust
constexpr int kPostCopy = 4;       // any type but 2 and 9 copies; the callers pass 4
// Source kinds: how large the source is and which way a blur steps.
constexpr int kPostFromScreen = 0;  // screen-size source, taps along x
constexpr int kPostFromSmall = 1;   // small source, taps along y
constexpr int kPostSmallAlongX = 2;
constexpr int kPostSmallAlongY = 3;

// Draws `sourceTexture` into `targetTexture` through the shared screen framebuffer with
// no depth attached, with pass type `kind` and source kind `flag`. Leaves the default
// framebuffer bound, the viewport over the whole screen, program 0, the depth test on,
// an identity modelview, and unit 0's texturing enables as it found them. Main thread.
void DrawPostPass(int kind, unsigned sourceTexture, unsigned targetTexture, int flag);

// The blur programs' "texOffset" for a source kind on a screen `screenWidth` pixels
// wide: a screen-size source steps by whole screen pixels per small texel (integer
// division), a small one by one texel along y (kinds 1 and 3) or x (kind 2).
void PostTexOffset(int flag, int screenWidth, int postWidth, float* x, float* y);
