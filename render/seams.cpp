// SEAM: empty passes until the race renderer is built (see render/seams.h).
#include "render/seams.h"

uint8_t CubeMapEnabled = 0;
int CountdownBeepStage = 0;
float FarDistance = 15000.0f;

void RenderCubeMap(int) {}
void RenderShadowMap() {}
void RenderWaterReflection() {}
void CaptureViewMatrices() {}
void DrawRaceScene() {}
void DrawPostPass(int, unsigned, unsigned, int) {}
void DrawRaceHud() {}
