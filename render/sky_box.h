// The sky around a point: an open box of four walls and a lid cut from the cross-shaped
// sky texture (scene texture 0), and a ring of blended walls from the repeating horizon
// band (scene texture 1) that hides the box's lower edge. The caller sets projection,
// depth state and colour writes; the sky draws on unit 0 with 2D texturing on.
#pragma once

// Half the box's width, its floor and lid above the point, and the horizon ring's half
// width and height. The box has no floor face: the ground always covers below it.
constexpr float kSkyBoxHalfWidth = 5000.0f;
constexpr float kSkyBoxBottom = 400.0f;
constexpr float kSkyBoxTop = 2000.0f;
constexpr float kHorizonHalfWidth = 4000.0f;
constexpr float kHorizonHeight = 500.0f;

void DrawSkyBox(float x, float y, float z);
