// Which of the double-buffered dirt skins (Renderer.targets.DirtTextures) is current for
// each car slot. The dirt painter flips these after it paints into the other buffer; the
// car passes read them.
#pragma once

#include <cstdint>

#include "gfx/framebuffers.h"

constexpr int kColourSkin = 0;
constexpr int kNormalSkin = 1;

extern uint8_t ColourSkinIndex[kDirtCarSlots];  // 0 or 1
extern uint8_t NormalSkinIndex[kDirtCarSlots];  // 0 or 1

// The GL name to draw slot's colour or normal skin with. While the slot's skins have not
// been restarted from the car's own textures (the car loader raised CarDirt's reset flag
// and the painter has not yet cleared it), the skins hold another car's paint, or
// nothing at all: the car's own car.tga or car_normal.tga stands in for them.
int CarSkinTexture(int slot, int layer);
