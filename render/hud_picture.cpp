#include "render/hud_picture.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include "app/settings.h"
#include "gfx/gl_ext.h"
#include "gfx/renderer.h"
#include "gfx/virtual_screen.h"
#include "render/hud_textures.h"

namespace {

constexpr float kGlowShare = 0.85f;
constexpr float kEdgeShadeAlpha = 0.75f;
// The shades: quads 150 units wide and 640 high centred 325 units left and right.
constexpr float kEdgeShadeX = 325.0f;
constexpr float kEdgeShadeHalfWidth = 75.0f;
constexpr float kEdgeShadeHalfHeight = 320.0f;

// The virtual screen and the sizes of the two textures laid over it, in texels.
struct ScreenLayers {
  float left, right, bottom, top;
  float pictureWidth, pictureHeight;
  float glowWidth, glowHeight;

  float AcrossX(float x, float size) const { return (x - left) / (right - left) * size; }
  float AcrossY(float y, float size) const { return (y - bottom) / (top - bottom) * size; }
};

ScreenLayers CurrentLayers() {
  const VirtualScreenFrame& v = VirtualScreen;
  return {static_cast<float>(v.left),
          static_cast<float>(v.right),
          static_cast<float>(v.bottom),
          static_cast<float>(v.top),
          static_cast<float>(Settings.screenWidth),
          static_cast<float>(Settings.screenHeight),
          static_cast<float>(RenderSetup.postWidth),
          static_cast<float>(RenderSetup.postHeight)};
}

// The picture is drawn texel for pixel, where nearest sampling gives what linear
// would at a fraction of a software driver's cost; the texture's own filters (the
// post passes scale it) are put back afterwards.
class OneToOneSampling {
 public:
  explicit OneToOneSampling(GLuint picture) : picture_(picture) {
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, picture_);
    glGetTexParameteriv(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MIN_FILTER, &min_);
    glGetTexParameteriv(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MAG_FILTER, &mag_);
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  }
  ~OneToOneSampling() {
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, picture_);
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MIN_FILTER, min_);
    glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MAG_FILTER, mag_);
  }
  OneToOneSampling(const OneToOneSampling&) = delete;
  OneToOneSampling& operator=(const OneToOneSampling&) = delete;

 private:
  GLuint picture_;
  GLint min_ = GL_LINEAR, mag_ = GL_LINEAR;
};

// Unit 0 the glow times the colour's 0.85, unit 1 adds the picture: one full-screen
// pass instead of two, the second with blending. (Taking the edge shades into the
// same pass on two more units measured no faster on a software driver than blending
// them on after.)
void SetUpPictureAndGlowUnits(GLuint picture, GLuint glow) {
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, glow);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  GlExt.glActiveTextureARB(GL_TEXTURE1_ARB);
  glEnable(GL_TEXTURE_RECTANGLE_ARB);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, picture);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB);
  glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_ADD);
  glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA_ARB, GL_REPLACE);
  GlExt.glActiveTextureARB(GL_TEXTURE0_ARB);
}

void TearDownPictureAndGlowUnits() {
  GlExt.glActiveTextureARB(GL_TEXTURE1_ARB);
  glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_MODULATE);
  glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA_ARB, GL_MODULATE);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glDisable(GL_TEXTURE_RECTANGLE_ARB);
  GlExt.glActiveTextureARB(GL_TEXTURE0_ARB);
}

void Corner(const ScreenLayers& s, float x, float y) {
  GlExt.glMultiTexCoord2fARB(GL_TEXTURE0_ARB, s.AcrossX(x, s.glowWidth), s.AcrossY(y, s.glowHeight));
  GlExt.glMultiTexCoord2fARB(GL_TEXTURE1_ARB, s.AcrossX(x, s.pictureWidth), s.AcrossY(y, s.pictureHeight));
  glVertex2f(x, y);
}

void ScreenQuad(const ScreenLayers& s, float width, float height) {
  TexturedQuad(s.left, s.bottom, s.right, s.top, 0.0f, 0.0f, width, height);
}

void DrawPictureAndGlow(const ScreenLayers& s, GLuint picture, GLuint glow, bool twoUnits) {
  if (twoUnits) {
    SetUpPictureAndGlowUnits(picture, glow);
    glColor4f(kGlowShare, kGlowShare, kGlowShare, 1.0f);
    glBegin(GL_QUADS);
    Corner(s, s.left, s.bottom);
    Corner(s, s.right, s.bottom);
    Corner(s, s.right, s.top);
    Corner(s, s.left, s.top);
    glEnd();
    TearDownPictureAndGlowUnits();
    return;
  }
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, picture);
  ScreenQuad(s, s.pictureWidth, s.pictureHeight);
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE);
  glColor4f(kGlowShare, kGlowShare, kGlowShare, 1.0f);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, glow);
  ScreenQuad(s, s.glowWidth, s.glowHeight);
  glDisable(GL_BLEND);
}

// A shade seen larger than its texture along both axes is magnified at every pixel:
// the sampler takes its base level through the magnifying filter whatever the
// minifying one says. Made linear too, the two filters agree and a software sampler
// skips its per-pixel level-of-detail work; the pixels are the same. Below one texel
// per pixel by a margin that covers that sampler's approximate arithmetic.
constexpr float kMagnifiedTexelsPerPixel = 0.6f;

bool ShadesMagnified(const ScreenLayers& s) {
  const Texture& shade = TextureTable[kEdgeShadeTexture];
  const float acrossX = s.pictureWidth / (s.right - s.left) * 2.0f * kEdgeShadeHalfWidth;
  const float acrossY = s.pictureHeight / (s.top - s.bottom) * 2.0f * kEdgeShadeHalfHeight;
  return shade.width > 0 && shade.height > 0 && static_cast<float>(shade.width) <= kMagnifiedTexelsPerPixel * acrossX &&
         static_cast<float>(shade.height) <= kMagnifiedTexelsPerPixel * acrossY;
}

void DrawBlendedShades(const ScreenLayers& s) {
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(1.0f, 1.0f, 1.0f, kEdgeShadeAlpha);
  BindTableTexture(kEdgeShadeTexture);
  const bool magnified = ShadesMagnified(s);
  GLint minifying = GL_LINEAR_MIPMAP_LINEAR, magnifying = GL_LINEAR;
  if (magnified) {
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minifying);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magnifying);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, magnifying);
  }
  const float w = kEdgeShadeHalfWidth, h = kEdgeShadeHalfHeight;
  // The right shade is the left one mirrored by its texture, not by a negative scale,
  // which would turn the quad's back to the viewer.
  TexturedQuad(-kEdgeShadeX - w, -h, -kEdgeShadeX + w, h, 0.0f, 0.0f, 1.0f, 1.0f);
  TexturedQuad(kEdgeShadeX - w, -h, kEdgeShadeX + w, h, 1.0f, 0.0f, 0.0f, 1.0f);
  if (magnified) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minifying);
  glDisable(GL_BLEND);
}

bool HaveSecondUnit() {
  return MaxTextureUnits > 1 && GlExt.glActiveTextureARB && GlExt.glMultiTexCoord2fARB;
}

}  // namespace

void DrawHudPicture() {
  const RenderTargets& t = Renderer.targets;
  const GLuint picture = Settings.postEffect == 1 ? t.SceneTextures[1] : t.SceneTextures[0];
  const ScreenLayers layers = CurrentLayers();
  {
    const OneToOneSampling sampling(picture);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_TEXTURE_RECTANGLE_ARB);
    DrawPictureAndGlow(layers, picture, t.PostTextures[0], HaveSecondUnit());
    glDisable(GL_TEXTURE_RECTANGLE_ARB);
    glEnable(GL_TEXTURE_2D);
  }
  DrawBlendedShades(layers);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}
