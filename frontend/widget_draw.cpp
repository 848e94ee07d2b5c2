#include "frontend/widget_draw.h"

#include <GL/gl.h>

#include "app/handshake.h"
#include "app/input.h"
#include "app/settings.h"
#include "frontend/screens.h"
#include "platform/vk.h"
#include "race/car_content.h"
#include "render/hud_textures.h"

namespace {

constexpr float kSettledFade = 0.95f;

}  // namespace

void BindMenuTexture(int entry) {
  glEnable(GL_TEXTURE_2D);
  if (entry < 0 || entry >= kTextureTableSize) {
    glBindTexture(GL_TEXTURE_2D, 0);
    return;
  }
  BindTableTexture(entry);
}

void TexturedBox(float cx, float cy, float w, float h, float u0, float v0, float u1, float v1) {
  const float hw = w * 0.5f, hh = h * 0.5f;
  TexturedQuad(cx - hw, cy - hh, cx + hw, cy + hh, u0, v0, u1, v1);
}

void FlatBox(float x0, float y0, float x1, float y1) {
  glDisable(GL_TEXTURE_2D);
  glBegin(GL_QUADS);
  glVertex2f(x0, y0);
  glVertex2f(x1, y0);
  glVertex2f(x1, y1);
  glVertex2f(x0, y1);
  glEnd();
  glEnable(GL_TEXTURE_2D);
}

WidgetDrawScope::WidgetDrawScope() : depthTest_(glIsEnabled(GL_DEPTH_TEST) == GL_TRUE) {
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

WidgetDrawScope::~WidgetDrawScope() {
  if (depthTest_) glEnable(GL_DEPTH_TEST);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void PlayMenuSound(SoundSource& sound) {
  if (Settings.sound) sound.Play();
}

void PlayConfirmSounds() {
  PlayMenuSound(MenuClickSound);
  PlayMenuSound(MenuChangeSound);
}

bool ScreenSettled() { return ScreenFade >= kSettledFade && CurrentScreen.load() == TargetScreen.load(); }

bool ActivationAllowed() {
  return ScreenSettled() && CarReloadPending == 0 && Handshake.LoaderStage.load() == kStageMenuLoaded;
}

int MenuButtonKey(int id) {
  switch (id) {
    case 0: return platform::kVkEscape;
    case 1: return platform::VkDigit(1);
    case 2: return platform::VkDigit(2);
    case 3: return platform::VkDigit(3);
    case 4: return platform::kVkReturn;
    default: return -1;
  }
}
