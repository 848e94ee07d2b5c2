// SEAM: empty passes until the race renderer is built (see render/seams.h).
#include "render/seams.h"

#include "render/cars_pass.h"

uint8_t CubeMapEnabled = 0;
float FarDistance = 15000.0f;

void RenderCubeMap(int) {}
void RenderShadowMap() {}
void RenderWaterReflection() {}
void DrawWaterSurface() {}
void DrawGrass() {}
void DrawTrees() {}
void DrawSunGlare() {}
