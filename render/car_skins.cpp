#include "render/car_skins.h"

#include "gfx/renderer.h"
#include "race/car_content.h"
#include "race/scene_content.h"

uint8_t ColourSkinIndex[kDirtCarSlots] = {};
uint8_t NormalSkinIndex[kDirtCarSlots] = {};

int CarSkinTexture(int slot, int layer) {
  if (slot < 0 || slot >= kDirtCarSlots) return 0;
  const bool colour = layer == kColourSkin;
  const int own = colour ? CarColourTextures[slot].name : CarNormalTextures[slot].name;
  // The painter clears the reset flag only once both skins hold this car's textures;
  // until then (and until the painter exists at all) the car's own textures are the
  // skins' content anyway, less the dirt.
  if (CarDirt[slot].resetFlag) return own;
  const int index = (colour ? ColourSkinIndex[slot] : NormalSkinIndex[slot]) & 1;
  const GLuint skin = Renderer.targets.DirtTextures[slot][colour ? 0 : 1][index];
  return skin != 0 ? static_cast<int>(skin) : own;
}
