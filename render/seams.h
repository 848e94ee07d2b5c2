// SEAM: the race renderer's passes as the shell calls them, until the renderer is
// built. render/seams.cpp holds empty passes; replace them as the renderer lands.
#pragma once

#include <cstdint>

// Far plane of SetPerspective while the race screen is the target.
extern float FarDistance;
// Set by the world loader when the track wants the environment cube map.
extern uint8_t CubeMapEnabled;

void RenderCubeMap(int flag);
void RenderShadowMap();
void RenderWaterReflection();
// Called by the main race pass (render/race_scene.cpp).
void DrawWaterSurface();
void DrawGrass();
void DrawTrees();
void DrawSunGlare();
