// The sun's shadow map filled for the race and for the garage. The map is one square
// depth texture (render/shadow_view.h has its clear and the matrices the lit passes
// read it through); these passes draw what casts a shadow into it from the light's
// camera: the cut-out shadows layer, the roadside objects and the near lorries in the
// race, the garage models and the lorry at its stand in the garage.
#pragma once

// Lorries cast shadows at the two finer "Shadow detail" settings (2 and 3), whatever
// size the driver let the map have.
bool CarsCastShadows(int shadowDetail);

// The race's map from the sun camera of the render snapshot: the shadows layer over the
// sun's visible leaves, the objects within 65 units of the player's lorry and, by the
// setting, the lorries within 120 units of the camera. Leaves the projection as it
// found it, the viewport over the screen, the modelview identity and the default
// framebuffer bound.
void RenderShadowMap();
// The garage's map from the light SetupCamera(kCameraOverview) left in SunCamera:
// garage.sbm, special.sbm, transparency.sbm and car slot 0 at the origin at
// CurrentCarLod. Same state on return.
void RenderGarageShadowMap();
