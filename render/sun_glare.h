// The sun's dazzle: a small marker in the sun's direction drawn inside an occlusion
// query, a glare level that builds while any of its samples pass the depth test and
// fades while none do, and a large additive sprite in the same place at that level.
#pragma once

// 0..1, kept across frames and races; 0 at start.
extern float SunGlare;

// The level after a frame of `ticks` in which the marker was seen or not: up by 0.02 a
// tick (half a second from dark to full), down by 0.01 (a second back).
float AdvanceSunGlare(float glare, bool seen, float ticks);

// One camera-facing quad standing on its diagonal at `point`, seen from `eye`, sized
// per axis; in a quad batch of its own.
void DrawBillboardScaled(float eyeX, float eyeY, float eyeZ, float x, float y, float z, float sizeX, float sizeY,
                         float sizeZ);

// The race's glare pass ("glare"), the last of the frame: waits for its own query. With
// no occlusion query the sun counts as hidden. Leaves the race projection and view
// loaded with the far plane at ViewDistance.
void DrawSunGlare();
