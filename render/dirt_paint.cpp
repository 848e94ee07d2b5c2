#include "render/dirt_paint.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdint>
#include <initializer_list>

#include "gfx/gl_ext.h"
#include "gfx/renderer.h"
#include "platform/crt_rand.h"
#include "race/car_content.h"
#include "race/scene_content.h"
#include "render/car_assembly.h"
#include "render/car_skins.h"
#include "render/texture_units.h"

namespace {

// The loaded scene's splash atlases, eight cells side by side.
constexpr int kSplashColourAtlas = 6;
constexpr int kSplashNormalAtlas = 7;
constexpr int kAtlasCells = 8;
constexpr int kMinHalfSize = 32;
constexpr int kHalfSizeSpread = 48;
constexpr float kDirtHardness = 1.0f;
constexpr int kRaceSteps = 8;    // colour and normal skin of four cars
constexpr int kGarageSteps = 2;  // colour and normal skin of one
constexpr int kMaskUnit = 2;
constexpr int kSkinUnit = 1;
constexpr int kAtlasUnit = 0;

// One splash of a colour step, replayed by the normal step of the same car.
struct DirtSplash {
  int cell = 0;  // 0-7
  float x = 0.0f, y = 0.0f;
  float halfSize = 0.0f;
};
DirtSplash Splashes[MaxSplashes];

// The paint flag each car's last paint step saw, to notice the change to washing.
uint8_t LastPaintFlag[kDirtCarSlots] = {1, 1, 1, 1};

// What tells a skin's two buffers apart. A paint step brings the older buffer up to the
// newer one before it stamps: the two differ only where the newer one's step stamped,
// so that is all the step copies (a 2048 x 1024 copy per step made most of the race
// load's pre-paint, and went on every garage frame with nothing to stamp). Anything
// else that wrote a buffer (a reset, a wash, buffers never painted) asks for the
// whole skin.
struct SkinPairState {
  GLuint pair[2] = {0, 0};  // the buffers this record is about
  bool whole = true;        // the buffers may differ anywhere
  int splashes = 0;         // else: they differ inside these squares alone
  DirtSplash squares[MaxSplashes];
};
SkinPairState SkinPairs[kDirtCarSlots][2];

struct SkinStep {
  int car;
  bool colour;
};

void SetUniform1i(const ShaderProgram& p, Uniform u, int value) {
  if (GlExt.glUniform1iARB && p.Location(u) != -1) GlExt.glUniform1iARB(p.Location(u), value);
}

void SetUniform1f(const ShaderProgram& p, Uniform u, float value) {
  if (GlExt.glUniform1fARB && p.Location(u) != -1) GlExt.glUniform1fARB(p.Location(u), value);
}

void BeginSkinTarget() {
  // What the callers leave on (blending from the menus, the alpha test, culling, a
  // scissor) would drop texels of a skin copy; the caller gets them back at the end.
  glPushAttrib(GL_ENABLE_BIT);
  glDisable(GL_BLEND);
  glDisable(GL_ALPHA_TEST);
  glDisable(GL_CULL_FACE);
  glDisable(GL_SCISSOR_TEST);
  glDisable(GL_DEPTH_TEST);
  glDepthMask(GL_FALSE);
  glViewport(0, 0, kDirtWidth, kDirtHeight);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0.0, kDirtWidth, 0.0, kDirtHeight, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void AttachSkin(GLuint skin) {
  const RenderTargets& t = Renderer.targets;
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, t.DirtFramebuffer);
  GlExt.glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, skin, 0);
  GlExt.glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT,
                                     t.DirtDepthBuffer);
}

void EndSkinTarget() {
  UseProgramHandle(0);
  for (int unit : {kMaskUnit, kSkinUnit}) {
    UnitTexturing(unit, GL_TEXTURE_2D, false);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  }
  SelectUnit(0);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glPopAttrib();
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_DEPTH_TEST);
  glDepthMask(GL_TRUE);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  glViewport(0, 0, RenderSetup.screenWidth, RenderSetup.screenHeight);
}

// The whole skin with texture coordinates 0..1, so each fragment samples its own texel.
void FullSkinQuad() {
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f); glVertex2f(0.0f, 0.0f);
  glTexCoord2f(1.0f, 0.0f); glVertex2f(static_cast<float>(kDirtWidth), 0.0f);
  glTexCoord2f(1.0f, 1.0f); glVertex2f(static_cast<float>(kDirtWidth), static_cast<float>(kDirtHeight));
  glTexCoord2f(0.0f, 1.0f); glVertex2f(0.0f, static_cast<float>(kDirtHeight));
  glEnd();
}

// Fixed function, unit 0 alone.
void CopyIntoSkin(int texture) {
  if (!TextureNamed(texture)) return;
  UnitTexturing(0, GL_TEXTURE_2D, true);
  BindUnitTexture(0, GL_TEXTURE_2D, texture);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  FullSkinQuad();
}

// The squares a step stamped, copied texel for texel from `texture` (the other buffer).
// The squares have whole-texel corners, so each fragment samples its own texel as the
// whole-skin copy does.
bool CopySquaresIntoSkin(int texture, const SkinPairState& pair) {
  if (!TextureNamed(texture)) return false;
  UnitTexturing(0, GL_TEXTURE_2D, true);
  BindUnitTexture(0, GL_TEXTURE_2D, texture);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  const float w = static_cast<float>(kDirtWidth), hgt = static_cast<float>(kDirtHeight);
  glBegin(GL_QUADS);
  for (int i = 0; i < pair.splashes; ++i) {
    const DirtSplash& s = pair.squares[i];
    const float x0 = s.x - s.halfSize, x1 = s.x + s.halfSize, y0 = s.y - s.halfSize, y1 = s.y + s.halfSize;
    glTexCoord2f(x0 / w, y0 / hgt); glVertex2f(x0, y0);
    glTexCoord2f(x1 / w, y0 / hgt); glVertex2f(x1, y0);
    glTexCoord2f(x1 / w, y1 / hgt); glVertex2f(x1, y1);
    glTexCoord2f(x0 / w, y1 / hgt); glVertex2f(x0, y1);
  }
  glEnd();
  return true;
}

SkinPairState& PairOf(const SkinStep& step, const GLuint skins[2]) {
  SkinPairState& pair = SkinPairs[step.car][step.colour ? kColourSkin : kNormalSkin];
  if (pair.pair[0] != skins[0] || pair.pair[1] != skins[1]) {
    pair.pair[0] = skins[0];
    pair.pair[1] = skins[1];
    pair.whole = true;
  }
  return pair;
}

// The buffer just painted holds the other one plus `n` stamped splashes (or more than
// that, when whole).
void RememberStamps(SkinPairState* pair, bool whole, int n) {
  pair->whole = whole;
  pair->splashes = whole ? 0 : n;
  for (int i = 0; i < pair->splashes; ++i) pair->squares[i] = Splashes[i];
}

// New splash records, drawn from the main thread's generator in this order: cell, half
// size, x, y.
void DrawSplashRecords(int n) {
  for (int i = 0; i < n; ++i) {
    DirtSplash& s = Splashes[i];
    s.cell = platform::Rand() % kAtlasCells;
    s.halfSize = static_cast<float>(kMinHalfSize + platform::Rand() % kHalfSizeSpread);
    s.x = static_cast<float>(platform::Rand() % kDirtWidth);
    s.y = static_cast<float>(platform::Rand() % kDirtHeight);
  }
}

// False when nothing was stamped.
bool StampSplashes(int n, int atlas, GLuint previousSkin, int mask) {
  const ShaderProgram& p = Renderer.Program(ShaderProgramId::DirtTex);
  // Without an atlas or a mask there is nothing to stamp, or nowhere it may land.
  if (n <= 0 || !TextureNamed(atlas) || !TextureNamed(mask) || p.program == 0) return false;
  UnitTexturing(kMaskUnit, GL_TEXTURE_2D, true);
  BindUnitTexture(kMaskUnit, GL_TEXTURE_2D, mask);
  UnitTexturing(kSkinUnit, GL_TEXTURE_2D, true);
  BindUnitTexture(kSkinUnit, GL_TEXTURE_2D, static_cast<int>(previousSkin));
  UnitTexturing(kAtlasUnit, GL_TEXTURE_2D, true);
  BindUnitTexture(kAtlasUnit, GL_TEXTURE_2D, atlas);
  UseProgramHandle(p.program);
  SetUniform1i(p, Uniform::decal0, kAtlasUnit);
  SetUniform1i(p, Uniform::decal1, kSkinUnit);
  SetUniform1i(p, Uniform::decal2, kMaskUnit);
  SetUniform1f(p, Uniform::DirtHar, kDirtHardness);
  glBegin(GL_QUADS);
  for (int i = 0; i < n; ++i) {
    const DirtSplash& s = Splashes[i];
    const float u0 = static_cast<float>(s.cell) / kAtlasCells, u1 = static_cast<float>(s.cell + 1) / kAtlasCells;
    const float h = s.halfSize;
    glTexCoord2f(u0, 0.0f); glVertex2f(s.x - h, s.y - h);
    glTexCoord2f(u1, 0.0f); glVertex2f(s.x + h, s.y - h);
    glTexCoord2f(u1, 1.0f); glVertex2f(s.x + h, s.y + h);
    glTexCoord2f(u0, 1.0f); glVertex2f(s.x - h, s.y + h);
  }
  glEnd();
  UseProgramHandle(0);
  UnitTexturing(kMaskUnit, GL_TEXTURE_2D, false);
  UnitTexturing(kSkinUnit, GL_TEXTURE_2D, false);
  SelectUnit(0);
  return true;
}

void PaintSkin(const SkinStep& step, CarDirtState& d, uint8_t* index, const GLuint skins[2], int own) {
  LastPaintFlag[step.car] = d.paintFlag;
  *index ^= 1;
  const GLuint current = skins[*index], previous = skins[*index ^ 1];
  SkinPairState& pair = PairOf(step, skins);
  AttachSkin(current);
  bool whole = false;
  if (pair.whole)
    CopyIntoSkin(static_cast<int>(previous));
  else if (!CopySquaresIntoSkin(static_cast<int>(previous), pair))
    whole = true;
  if (d.resetFlag) {
    CopyIntoSkin(own);
    // The other buffer still holds the dirt this one lost.
    whole = true;
    d.amount = 0.0f;
    if (!step.colour) d.resetFlag = 0;
  }
  int n = 0;
  if (step.colour) {
    n = SplashCount(d.amount);
    DrawSplashRecords(n);
    DirtSplashCount = n;
  } else {
    // The count the colour step stored, never one from the amount now: the amount may
    // have changed since, and records past the stored count were never drawn.
    n = DirtSplashCount >= 0 && DirtSplashCount <= MaxSplashes ? DirtSplashCount : 0;
    DirtSplashCount = 0;
  }
  const int atlas = SharedSceneTextures[step.colour ? kSplashColourAtlas : kSplashNormalAtlas].name;
  const bool stamped = StampSplashes(n, atlas, previous, CarDirtMaskTextures[step.car].name);
  RememberStamps(&pair, whole, stamped ? n : 0);
  if (!step.colour) d.amount = 0.0f;
}

void WashSkin(const SkinStep& step, const CarDirtState& d, uint8_t* index, const GLuint skins[2], int own) {
  if (LastPaintFlag[step.car] != d.paintFlag) {
    *index ^= 1;
    if (!step.colour) LastPaintFlag[step.car] = d.paintFlag;
  }
  const ShaderProgram& p = Renderer.Program(ShaderProgramId::DirtTexWater);
  if (!TextureNamed(own) || p.program == 0) return;
  PairOf(step, skins).whole = true;
  AttachSkin(skins[*index]);
  UnitTexturing(kSkinUnit, GL_TEXTURE_2D, true);
  BindUnitTexture(kSkinUnit, GL_TEXTURE_2D, static_cast<int>(skins[*index ^ 1]));
  UnitTexturing(0, GL_TEXTURE_2D, true);
  BindUnitTexture(0, GL_TEXTURE_2D, own);
  UseProgramHandle(p.program);
  SetUniform1i(p, Uniform::decal0, 0);
  SetUniform1i(p, Uniform::decal1, kSkinUnit);
  SetUniform1f(p, Uniform::WaterHar, -d.amount);
  FullSkinQuad();
}

void PaintStep(const SkinStep& step) {
  if (step.car < 0 || step.car >= kDirtCarSlots || !GlExt.glBindFramebufferEXT) return;
  const GLuint* skins = Renderer.targets.DirtTextures[step.car][step.colour ? kColourSkin : kNormalSkin];
  if (Renderer.targets.DirtFramebuffer == 0 || skins[0] == 0 || skins[1] == 0) return;
  uint8_t* index = step.colour ? &ColourSkinIndex[step.car] : &NormalSkinIndex[step.car];
  *index &= 1;
  const int own = step.colour ? CarColourTextures[step.car].name : CarNormalTextures[step.car].name;
  CarDirtState& d = CarDirt[step.car];
  BeginSkinTarget();
  if (d.paintFlag)
    PaintSkin(step, d, index, skins, own);
  else
    WashSkin(step, d, index, skins, own);
  EndSkinTarget();
}

// The counter's next step of a schedule `steps` long; a counter out of it starts over.
int NextStep(int steps) {
  ++DirtPaintCounter;
  if (DirtPaintCounter < 0 || DirtPaintCounter >= steps) DirtPaintCounter = 0;
  return DirtPaintCounter;
}

}  // namespace

int SplashCount(float amount) {
  if (!(amount > 0.0f)) return 0;
  const float n = amount * 10.0f;
  return n >= static_cast<float>(MaxSplashes) ? MaxSplashes : static_cast<int>(n);
}

unsigned RaceDirtSteps = 0;

void PaintCarDirt() {
  ++RaceDirtSteps;
  const int step = NextStep(kRaceSteps);
  PaintStep({step / 2, step % 2 == 0});
}

void PaintCarDirtInGarage(int car) {
  const int step = NextStep(kGarageSteps);
  PaintStep({car, step == 0});
}
