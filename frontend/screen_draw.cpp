#include "frontend/screen_draw.h"

#include <GL/glext.h>

#include <cmath>

#include "frontend/screens.h"
#include "frontend/widget_draw.h"
#include "gfx/gl_ext.h"
#include "gfx/renderer.h"
#include "gfx/text.h"
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

namespace {

constexpr float kGlowShare = 0.85f;

void FrameCorner(float x, float y, float s0, float t0, float s1, float t1) {
  GlExt.glMultiTexCoord2fARB(GL_TEXTURE0_ARB, s0, t0);
  GlExt.glMultiTexCoord2fARB(GL_TEXTURE1_ARB, s1, t1);
  glVertex2f(x, y);
}

}  // namespace

void DrawPictureWithGlow(GLuint picture, GLuint glow) {
  const float pw = static_cast<float>(RenderSetup.screenWidth), ph = static_cast<float>(RenderSetup.screenHeight);
  const float gw = static_cast<float>(RenderSetup.postWidth), gh = static_cast<float>(RenderSetup.postHeight);
  glDisable(GL_BLEND);
  if (MaxTextureUnits < 2 || !GlExt.glActiveTextureARB || !GlExt.glMultiTexCoord2fARB) {
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    RectTextureOverFrame(picture, pw, ph);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glColor4f(kGlowShare, kGlowShare, kGlowShare, kGlowShare);
    RectTextureOverFrame(glow, gw, gh);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_BLEND);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    return;
  }
  // Unit 0 the glow times the colour's 0.85, unit 1 adds the picture and gives the
  // alpha: the two full-screen draws in one.
  glDisable(GL_TEXTURE_2D);
  glEnable(GL_TEXTURE_RECTANGLE_ARB);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, glow);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  GlExt.glActiveTextureARB(GL_TEXTURE1_ARB);
  glEnable(GL_TEXTURE_RECTANGLE_ARB);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, picture);
  // The picture is read texel for texel (its pixels are the window's), which nearest
  // filtering does exactly and for a quarter of the reads; the glow is magnified.
  glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB);
  glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_ADD);
  glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA_ARB, GL_REPLACE);
  glColor4f(kGlowShare, kGlowShare, kGlowShare, 1.0f);
  const VirtualScreenFrame& v = VirtualScreen;
  const float l = static_cast<float>(v.left), r = static_cast<float>(v.right);
  const float b = static_cast<float>(v.bottom), t = static_cast<float>(v.top);
  glBegin(GL_QUADS);
  FrameCorner(l, b, 0.0f, 0.0f, 0.0f, 0.0f);
  FrameCorner(r, b, gw, 0.0f, pw, 0.0f);
  FrameCorner(r, t, gw, gh, pw, ph);
  FrameCorner(l, t, 0.0f, gh, 0.0f, ph);
  glEnd();
  glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_MODULATE);
  glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA_ARB, GL_MODULATE);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
  glDisable(GL_TEXTURE_RECTANGLE_ARB);
  GlExt.glActiveTextureARB(GL_TEXTURE0_ARB);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
  glDisable(GL_TEXTURE_RECTANGLE_ARB);
  glEnable(GL_TEXTURE_2D);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void FlatFrame() {
  const VirtualScreenFrame& v = VirtualScreen;
  FlatBox(static_cast<float>(v.left), static_cast<float>(v.bottom), static_cast<float>(v.right),
          static_cast<float>(v.top));
}

void DrawSidePillars(float c) {
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(c, c, c, kPillarAlpha);
  BindMenuTexture(kPillarTexture);
  TexturedBox(-kPillarX, 0.0f, kPillarWidth, kPillarHeight, 0.0f, 0.0f, 1.0f, 1.0f);
  TexturedBox(kPillarX, 0.0f, kPillarWidth, kPillarHeight, 1.0f, 0.0f, 0.0f, 1.0f);
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
  FlatBox(-280.0f, -157.0f, 280.0f, 157.0f);
  glColor4f(kPanelDark, kPanelDark, kPanelDark, kPanelAlpha);
  FlatBox(-280.0f, -205.0f, 280.0f, -157.0f);

  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  BindMenuTexture(kPanelPictureTexture);
  TexturedBox(107.0f, 86.0f, 360.0f, 180.0f, 0.0f, 0.0f, 1.0f, 1.0f);
  glColor4f(1.0f, 1.0f, 1.0f, 0.25f);
  BindMenuTexture(kPanelShadeTexture);
  TexturedBox(-80.35f, -105.0f, 400.0f, 200.0f, 0.0f, 0.0f, 1.0f, 1.0f);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  BindMenuTexture(kPanelEmblemTexture);
  TexturedBox(249.0f, 135.0f, 32.0f, 16.0f, 0.0f, 0.0f, 1.0f, 1.0f);
}

void DrawPanelTitle(const char* title, float x) {
  TextBackdrop = true;
  PrintText(x, 134.0f, 1, ListTextAlpha, 1, 1.0f, false, 1, "%s", title);
  TextBackdrop = false;
}

void EndDialogPanel() { glPopMatrix(); }

void FadeTextsAfterButtons() { ListTextAlpha = 1.0f - ScreenEases.slide; }

