// The race half of the loader thread's lock-step: one update per rendered race frame.
#pragma once

void UpdateRaceFrame();

// The race update's small clocks, one frame of ticks each.
// The "point" sound's gain: a level from -1.5 rising 0.004 per tick, clamped to 0..1.
float RampPointGain(float ticks);
// The camera's speed factor eases toward the player's speed by 0.005 per tick.
void EaseSpeedFactor(float ticks);
// Bonus cool-downs advance; the shown bonus counts down and the queue moves on.
void AdvanceBonusClocks(float ticks);

// The main camera's frustum from CameraState, and its published list: the leaves in
// view, each with its squared horizontal distance from CameraState's eye.
void CullMainCamera(float aspect);
