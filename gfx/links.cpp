#include "gfx/links.h"

GraphicsLinks GfxLinks;

namespace {
// Neither the race (0) nor any menu screen: gfx takes its menu branch and places nothing.
constexpr int kNoScreen = -1;
}  // namespace

int LinkedTargetScreen() { return GfxLinks.targetScreen ? GfxLinks.targetScreen() : kNoScreen; }
int LinkedCurrentScreen() { return GfxLinks.currentScreen ? GfxLinks.currentScreen() : kNoScreen; }
float LinkedSceneClock() { return GfxLinks.sceneClock ? GfxLinks.sceneClock() : 0.0f; }
float LinkedCameraSpeedFactor() {
  return GfxLinks.cameraSpeedFactor ? GfxLinks.cameraSpeedFactor() : 0.0f;
}
float LinkedFarDistance() { return GfxLinks.farDistance ? GfxLinks.farDistance() : 0.0f; }
float LinkedGarageZoom() { return GfxLinks.garageZoom ? GfxLinks.garageZoom() : 0.0f; }

int ReportUnsetGraphicsLinks(std::FILE* out) {
  const GraphicsLinks& l = GfxLinks;
  const struct {
    bool set;
    const char* name;
  } links[] = {
      {l.resetLoadedCars != nullptr, "resetLoadedCars"},
      {l.loadFPoints != nullptr, "loadFPoints"},
      {l.pendingAntiAliasing != nullptr, "pendingAntiAliasing"},
      {l.sunCameraPosition != nullptr, "sunCameraPosition"},
      {l.sunCameraPoint != nullptr, "sunCameraPoint"},
      {l.renderCameraPosition != nullptr, "renderCameraPosition"},
      {l.targetScreen != nullptr, "targetScreen"},
      {l.currentScreen != nullptr, "currentScreen"},
      {l.sceneClock != nullptr, "sceneClock"},
      {l.cameraSpeedFactor != nullptr, "cameraSpeedFactor"},
      {l.farDistance != nullptr, "farDistance"},
      {l.garageZoom != nullptr, "garageZoom"},
  };
  int unset = 0;
  for (const auto& link : links) {
    if (link.set) continue;
    ++unset;
    std::fprintf(out, "Graphics link %s is not set: the renderer reads nothing there\n", link.name);
  }
  return unset;
}
