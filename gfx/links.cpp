#include "gfx/links.h"

GraphicsLinks GfxLinks;

namespace {
constexpr int kIntroScreen = 100;
constexpr float kStartFarDistance = 15000.0f;
constexpr float kStartGarageZoom = 3.5f;
}  // namespace

int LinkedTargetScreen() { return GfxLinks.targetScreen ? GfxLinks.targetScreen() : kIntroScreen; }
int LinkedCurrentScreen() {
  return GfxLinks.currentScreen ? GfxLinks.currentScreen() : kIntroScreen;
}
float LinkedSceneClock() { return GfxLinks.sceneClock ? GfxLinks.sceneClock() : 0.0f; }
float LinkedCameraSpeedFactor() {
  return GfxLinks.cameraSpeedFactor ? GfxLinks.cameraSpeedFactor() : 0.0f;
}
float LinkedFarDistance() {
  return GfxLinks.farDistance ? GfxLinks.farDistance() : kStartFarDistance;
}
float LinkedGarageZoom() { return GfxLinks.garageZoom ? GfxLinks.garageZoom() : kStartGarageZoom; }
