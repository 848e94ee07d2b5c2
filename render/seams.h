// SEAM: the race renderer's passes as the shell calls them, until the renderer is
// built. render/seams.cpp holds empty passes; replace them as the renderer lands.
#pragma once

#include <cstdint>

// Far plane of SetPerspective while the race screen is the target.
extern float FarDistance;
void DrawPostPass(int kind, unsigned sourceTexture, unsigned targetTexture, int flag);
