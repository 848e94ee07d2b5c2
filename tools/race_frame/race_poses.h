// Frames drawn from a camera of the tool's choosing rather than the race's: the check
// looks at the water from one, the README's pictures show it from the same.
#pragma once

#include "gfx/math3d.h"
#include "tools/race_frame/png_file.h"

// The camera over the lake whose centre lies nearest the player's lorry, looking at
// that centre from the lorry's side. False when the world has no lake.
bool LakePose(Vector3* eye, Vector3* target);

// The four lorries on the grid from behind and above, looking on toward the lake
// whose centre lies nearest them: the lake far off at the top, the lorries and their
// shadows below. False when the world has no lake.
bool GridTowardLakePose(Vector3* eye, Vector3* target);

// One more race frame drawn from the pose: the update's camera and main leaves are
// replaced before the frame takes them (the worker waits until it is drawn). The frame
// stays in the back buffer until ShowRaceFrame.
void DrawPoseFrame(const Vector3& eye, const Vector3& target);

// The pose's frame shown, and its scene before the post passes and the HUD.
Picture DrawPose(const Vector3& eye, const Vector3& target);
