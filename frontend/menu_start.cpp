#include "frontend/menu_start.h"

#include <GL/gl.h>

#include <cstdio>

#include "app/game.h"
#include "app/settings.h"
#include "gfx/renderer.h"
#include "race/car_content.h"
#include "gfx/virtual_screen.h"
#include "race/car_setup.h"
#include "race/scene_content.h"

namespace {

GLenum TakeGlErrors() {
  const GLenum first = glGetError();
  if (first != GL_NO_ERROR)
    while (glGetError() != GL_NO_ERROR) {
    }
  return first;
}

}  // namespace

bool StartMenuRenderer(const MenuStart& start, std::string* why) {
  RendererSetup setup;
  setup.screenWidth = start.width;
  setup.screenHeight = start.height;
  setup.antiAliasing = start.antiAliasing;
  setup.shadowMapSize = start.shadowMapSize;
  if (start.shippedSettings) {
    Settings = DefaultSettings();
    Settings.screenWidth = start.width;
    Settings.screenHeight = start.height;
    Settings.sound = 0;
    ApplyDerivedValues(Settings);
    VirtualScreen = VirtualScreenFrame();
    ShadowMapSize = ShadowMapSizeFor(Settings.shadowDetail, ShadowMapSize);
    LinkRendererToGame();
    setup.antiAliasing = Settings.antiAliasing;
    setup.shadowMapSize = ShadowMapSize;
  }
  TakeGlErrors();
  if (!InitRenderer(setup)) {
    if (why) *why = "InitRenderer failed";
    return false;
  }
  const GLenum e = TakeGlErrors();
  if (e != GL_NO_ERROR) {
    if (why) {
      char text[64];
      std::snprintf(text, sizeof text, "InitRenderer left GL error 0x%04x", static_cast<unsigned>(e));
      *why = text;
    }
    return false;
  }
  // The renderer may have fitted the shadow map to the driver's limits.
  if (start.shippedSettings) ShadowMapSize = RenderSetup.shadowMapSize;
  if (start.menuContent) {
    LoadTextures();
    if (start.garage) LoadGarageContent();
    InitCarSetupDefaults();
    LoadCarsTable();
    TakeGlErrors();
  }
  if (why) why->clear();
  return true;
}
