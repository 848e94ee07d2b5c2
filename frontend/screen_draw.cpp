#include "frontend/screen_draw.h"

#include <GL/glext.h>

#include <cmath>

#include "app/settings.h"
#include "app/sound.h"
#include "frontend/screens.h"
#include "gfx/renderer.h"
#include "gfx/text.h"
#include "gfx/texture.h"
#include "gfx/virtual_screen.h"

namespace {

constexpr float kPillarX = 325.0f;
constexpr float kPillarWidth = 150.0f;
constexpr float kPillarHeight = 640.0f;
constexpr float kPillarAlpha = 0.85f;
constexpr float kPanelAlpha = 0.8f;
constexpr float kPanelBounce = 20.0f;
constexpr float kPi = 3.14159f;

}  // namespace

void BindScreenTexture(int entry) {
  glEnable(GL_TEXTURE_2D);
  const int name = entry >= 0 && entry < kTextureTableSize ? TextureTable[entry].name : -1;
  glBindTexture(GL_TEXTURE_2D, name > 0 ? static_cast<GLuint>(name) : 0);
}

void ScreenQuad(float cx, float cy, float w, float h, float u0, float v0, float u1, float v1) {
  const float x0 = cx - 0.5f * w, x1 = cx + 0.5f * w, y0 = cy - 0.5f * h, y1 = cy + 0.5f * h;
  glBegin(GL_QUADS);
  glTexCoord2f(u0, v0);
  glVertex2f(x0, y0);
  glTexCoord2f(u1, v0);
  glVertex2f(x1, y0);
  glTexCoord2f(u1, v1);
  glVertex2f(x1, y1);
  glTexCoord2f(u0, v1);
  glVertex2f(x0, y1);
  glEnd();
}

void FlatRect(float x0, float y0, float x1, float y1) {
  glDisable(GL_TEXTURE_2D);
  glBegin(GL_QUADS);
  glVertex2f(x0, y0);
  glVertex2f(x1, y0);
  glVertex2f(x1, y1);
  glVertex2f(x0, y1);
  glEnd();
  glEnable(GL_TEXTURE_2D);
}

void RectTextureOverFrame(GLuint texture, float s, float t) {
  const VirtualScreenFrame& v = VirtualScreen;
  const float l = static_cast<float>(v.left), r = static_cast<float>(v.right);
  const float b = static_cast<float>(v.bottom), top = static_cast<float>(v.top);
  glDisable(GL_TEXTURE_2D);
  glEnable(GL_TEXTURE_RECTANGLE_ARB);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, texture);
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f);
  glVertex2f(l, b);
  glTexCoord2f(s, 0.0f);
  glVertex2f(r, b);
  glTexCoord2f(s, t);
  glVertex2f(r, top);
  glTexCoord2f(0.0f, t);
  glVertex2f(l, top);
  glEnd();
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
  glDisable(GL_TEXTURE_RECTANGLE_ARB);
  glEnable(GL_TEXTURE_2D);
}

void FlatFrame() {
  const VirtualScreenFrame& v = VirtualScreen;
  FlatRect(static_cast<float>(v.left), static_cast<float>(v.bottom), static_cast<float>(v.right),
          static_cast<float>(v.top));
}

void DrawSidePillars(float c) {
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(c, c, c, kPillarAlpha);
  BindScreenTexture(kPillarTexture);
  ScreenQuad(-kPillarX, 0.0f, kPillarWidth, kPillarHeight);
  ScreenQuad(kPillarX, 0.0f, kPillarWidth, kPillarHeight, 1.0f, 0.0f, 0.0f, 1.0f);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void BeginDialogPanel() {
  const float slide = ScreenEases.slide;
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(1.0f, 1.0f, 1.0f, 0.9f * (1.0f - slide));
  RectTextureOverFrame(Renderer.targets.PostTextures[0], static_cast<float>(RenderSetup.postWidth),
                       static_cast<float>(RenderSetup.postHeight));
  DrawSidePillars();

  glPushMatrix();
  glTranslatef(0.0f, kPanelBounce * std::sin(slide * kPi), 0.0f);
  glColor4f(kPanelLight[0], kPanelLight[1], kPanelLight[2], kPanelAlpha);
  FlatRect(-280.0f, -157.0f, 280.0f, 157.0f);
  glColor4f(kPanelDark, kPanelDark, kPanelDark, kPanelAlpha);
  FlatRect(-280.0f, -205.0f, 280.0f, -157.0f);

  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  BindScreenTexture(kPanelPictureTexture);
  ScreenQuad(107.0f, 86.0f, 360.0f, 180.0f);
  glColor4f(1.0f, 1.0f, 1.0f, 0.25f);
  BindScreenTexture(kPanelShadeTexture);
  ScreenQuad(-80.35f, -105.0f, 400.0f, 200.0f);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  BindScreenTexture(kPanelEmblemTexture);
  ScreenQuad(249.0f, 135.0f, 32.0f, 16.0f);
}

void DrawPanelTitle(const char* title, float x) {
  TextBackdrop = true;
  PrintText(x, 134.0f, 1, ListTextAlpha, 1, 1.0f, false, 1, "%s", title);
  TextBackdrop = false;
}

void EndDialogPanel() { glPopMatrix(); }

void FadeTextsAfterButtons() { ListTextAlpha = 1.0f - ScreenEases.slide; }

void PlayScreenSound(SoundSource& sound) {
  if (Settings.sound) sound.Play();
}
