// SEAM: the garage's shadow map and dirt painting until the race renderer's own land
// (render/shadow_maps.h, render/dirt_paint.h); delete this pair when they do.
#pragma once

// Fills the shadow map from the garage's sun camera; the stand-in leaves it as it is.
void RenderGarageShadowMap();
// One step of the dirt painting of the car in the garage; the stand-in paints nothing.
void PaintCarDirtInGarage(int car);
