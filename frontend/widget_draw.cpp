#include "frontend/widget_draw.h"

#include <GL/gl.h>

#include "app/handshake.h"
#include "app/input.h"
#include "app/settings.h"
#include "frontend/screens.h"
#include "gfx/text.h"
#include "platform/vk.h"
#include "race/car_content.h"
#include "render/hud_textures.h"

namespace {

constexpr float kSettledFade = 0.95f;

int BoundTableEntry() {
  if (!glIsEnabled(GL_TEXTURE_2D)) return -1;
  GLint name = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
  if (name <= 0) return -1;
  for (int i = 0; i < kTextureTableSize; ++i)
    if (TextureTable[i].name == name) return i;
  return -1;
}

void TraceQuad(float x0, float y0, float x1, float y1, float u0, float v0, float u1, float v1, bool textured) {
  GLfloat m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  TracedQuad q{};
  const float local[4][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
  const float uv[4][2] = {{u0, v0}, {u1, v0}, {u1, v1}, {u0, v1}};
  for (int i = 0; i < 4; ++i) {
    q.corners[i][0] = m[0] * local[i][0] + m[4] * local[i][1] + m[12];
    q.corners[i][1] = m[1] * local[i][0] + m[5] * local[i][1] + m[13];
    q.uv[i][0] = uv[i][0];
    q.uv[i][1] = uv[i][1];
  }
  q.texture = textured ? BoundTableEntry() : -1;
  glGetFloatv(GL_CURRENT_COLOR, q.colour);
  q.owner = TextTraceOwner;
  WidgetQuadTrace(q);
}

}  // namespace

WidgetQuadTraceFn WidgetQuadTrace = nullptr;

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
  if (WidgetQuadTrace) TraceQuad(cx - hw, cy - hh, cx + hw, cy + hh, u0, v0, u1, v1, true);
  TexturedQuad(cx - hw, cy - hh, cx + hw, cy + hh, u0, v0, u1, v1);
}

void FlatBox(float x0, float y0, float x1, float y1) {
  if (WidgetQuadTrace) TraceQuad(x0, y0, x1, y1, 0.0f, 0.0f, 0.0f, 0.0f, false);
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
