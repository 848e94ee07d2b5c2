// The mini-map: a disc of the track map around the player's lorry, turned so its
// heading points up, with the next checkpoint and the three opponents as markers that
// fade out towards the disc's rim. Main thread; reads the render rows of the frame.
#pragma once

#include "gfx/math3d.h"

// The disc's turn in degrees: -57.3 times the angle in the ground plane from world +x
// to the lorry's length axis (the matrix's first column with its height dropped).
// A lorry standing on its nose or tail has no heading on the ground: 0.
float MiniMapHeading(const Matrix4& carMatrix);

// A marker's alpha at a distance from the player's lorry: the given alpha out to 240
// units, falling to nothing at 260; 0 beyond, and for a distance that is no number.
float MiniMapMarkerAlpha(float distance, float alpha);

// Draws the mini-map centred on the modelview origin of the HUD's frame (200 units
// across) with the given alpha. Needs a second texture unit for the disc's mask;
// without one only the markers are drawn. Leaves blending off, unit 0 active with
// modulate and an identity texture matrix, and unit 1 off.
void DrawMiniMap(float alpha);
