// The two procedural 64 x 64 x 64 volumes made at start-up: smooth RGB noise that the
// shaders use to break up repetition, and plain random texels. Both draw on the
// calling thread's rand(), which start-up seeds with the clock, so every run differs.
#pragma once

#include <cstdint>

// Fills n^3 RGB texels (x fastest). Each channel is rand() mod 255; from the second
// texel on it is pulled to within 64 of the same channel of the texel before.
void FillSmoothNoise(uint8_t* texels, int n);
// Channel 0 is rand() mod 128 raised to at least 1; channels 1 and 2 rand() mod 255.
void FillRandomTexels(uint8_t* texels, int n);

// Make an n x n x n GL_RGB8 3D texture from the fills above, linear (smooth) or
// nearest (random), repeating on all three axes. Both need the 3D upload entry point
// (GlExt.glTexImage3D) and return false only when it is missing or n is not positive.
bool CreateNoiseTexture3D(unsigned int* name, int n);
bool CreateRandomTexture3D(unsigned int* name, int n);
