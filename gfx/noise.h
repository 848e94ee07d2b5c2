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

// The red channel of the smooth volume's two planes the land and the road read, at
// r = 0.25 and r = 0.75, as the volume's linear filter gives them (the mean of the two
// nearest slices, repeating along r), in one n x n luminance-alpha texture: luminance
// the plane at 0.25, alpha the one at 0.75, linear and repeating like the volume. A
// program that reads one plane fetches four texels instead of the volume's eight.
void FillNoisePlanes(const uint8_t* volume, int n, uint8_t* planes);
// Makes the smooth volume and, into *planes, its planes texture from the same texels.
bool CreateNoiseTextures(unsigned int* volume, unsigned int* planes, int n);
