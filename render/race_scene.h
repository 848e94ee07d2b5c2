// The main race pass: the world in two stacked screen-size layers sharing one depth
// buffer (A: roads, landscape, main map and the cars' first pass; B: the add-on maps,
// the cars' second pass and the water), composed over the sky in the frame texture,
// then the alpha-tested foliage, grass, trees, the cars' blended pass and the sun glare
// drawn straight into the frame against the world's depth. The layers are cleared to
// alpha 0 and the world programs fade alpha out towards the view distance, so the sky
// shows wherever the world ends.
#pragma once

#include <cstdint>

// The far plane while the sky is drawn: the box is 5000 units out and 2000 up.
constexpr float kSkyFarDistance = 15000.0f;

// Expects the race projection and camera set, the lights placed, the shadow map of the
// frame rendered and CaptureViewMatrices run with the camera's modelview current, unit
// 0 active. Leaves the finished scene in the frame texture (SceneTextures[0]), the
// screen framebuffer bound, FarDistance at ViewDistance and unit 0 current.
void DrawRaceScene();

// The start of a race on the render side: when raceLoadCount differs from the last
// one seen, the shadow map and both small post textures are cleared, so nothing lit
// or composed samples what fresh texture memory held before their own passes first
// write them. Call before the frame's first pass.
void PrepareRaceTargets(int32_t raceLoadCount);
