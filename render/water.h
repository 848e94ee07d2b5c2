// The track's water: the scene mirrored in the plane y = 0 into the reflection texture
// early in the frame, and the water model drawn over the near-detail layer with that
// texture projected onto it through the mirror camera's own matrices.
#pragma once

#include "gfx/math3d.h"

// The mirror camera's matrices as the reflection pass left them in GL (column-major);
// the surface projects the reflection texture with them. Identity before the first
// reflection.
extern Matrix4 ReflectionModelview;
extern Matrix4 ReflectionProjection;

// The water's fade: it starts 130 units short of the sight distance and is gone 90
// short, well before the world's own fade, so the lake's far edge never shows the sky
// box through it.
float WaterFadeStart(float sightDistance);
float WaterFadeEnd(float sightDistance);

// Renders the mirrored scene (the sky, then the reflections layer over the sun
// camera's leaves) into the 512 x 512 reflection texture and keeps the matrices. Leaves
// the default framebuffer bound, back faces culled and clip plane 0 off.
void RenderWaterReflection();
// Draws the water model with the Water program, the reflection on unit 1 and the
// random noise volume on unit 2; expects the race camera current and unit 0 active,
// and leaves units 1 and 2 off with identity texture matrices.
void DrawWaterSurface();
