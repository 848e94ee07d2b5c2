// SEAM: empty stand-ins (see garage_render_seam.h).
#include "frontend/garage_render_seam.h"

void RenderGarageShadowMap() {}
void PaintCarDirtInGarage(int) {}
