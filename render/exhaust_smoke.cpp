// Each lorry's exhaust smoke: its own emitter, fed at the exhaust pipe and blown back
// along the lorry's length. The player's emitter is switched on and off by the race
// logic on the worker; everything read here is the frame's render copy.
//
// The player's cloud hangs a few units in front of the chase camera, each puff hundreds
// of pixels across, sixty deep: on a software rasteriser the dearest blend of the frame.
// A puff seen larger than its texture is sampled from its base level alone: it is drawn
// over the part of the texture that can show, without mipmap selection. The pixels are
// those of the full, mipmapped diamonds.
#include <GL/gl.h>

#include "app/frame.h"
#include "gfx/particles.h"
#include "gfx/sprite_outline.h"
#include "gfx/texture.h"
#include "race/car.h"
#include "render/camera_state.h"
#include "render/car_assembly.h"
#include "render/cars_pass.h"

namespace {

constexpr int kSmokeTexture = 52;
constexpr float kSmokeScale = 1.0f;
// At most this many texels per pixel counts as magnified: below one by a margin that
// covers the rasteriser's approximate level-of-detail arithmetic.
constexpr float kMagnifiedTexelsPerPixel = 0.6f;

static_assert(kCarEmitters == kRaceCarCount, "one smoke emitter per lorry");

// The smoke texture's outline, traced from its base level at its first use.
struct TracedSprite {
  GLuint texture = 0;
  bool usable = false;
  SpriteOutline outline;
};
TracedSprite g_sprite;

const SpriteOutline* SmokeOutline(GLuint texture) {
  if (texture == 0) return nullptr;
  if (g_sprite.texture != texture) {
    g_sprite.texture = texture;
    g_sprite.usable = ReadSpriteOutline(texture, &g_sprite.outline);
  }
  return g_sprite.usable ? &g_sprite.outline : nullptr;
}

// Pixels per world unit at distance 1 for the current projection and viewport.
float PixelsPerUnit() {
  GLfloat projection[16];
  GLint viewport[4];
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  glGetIntegerv(GL_VIEWPORT, viewport);
  return projection[5] * 0.5f * static_cast<float>(viewport[3]);
}

}  // namespace

void DrawExhaustSmoke() {
  const int texture = TextureTable[kSmokeTexture].name;
  const GLuint name = texture > 0 ? static_cast<GLuint>(texture) : 0;
  SpriteTrim trim;
  trim.outline = SmokeOutline(name);
  trim.pixelsPerUnit = trim.outline ? PixelsPerUnit() : 0.0f;
  trim.limit = kMagnifiedTexelsPerPixel;
  const Vector3& eye = RenderCamera.eye;
  for (int k = 0; k < kRaceCarCount; ++k) {
    const CarRow& row = RenderCarRows[k];
    ParticleEmitter& smoke = SmokePipeEmitters[k];
    const Vector3 v = SmokeVelocity(row.matrix, row.engineSmoke);
    smoke.Update(FrameTiming.RenderTicks, v.x, v.y, v.z);
    const float* e = RaceCars[k].exhaustPoint;
    const Vector3 p = row.matrix.TransformPoint(e[0], e[1], e[2]);
    smoke.Draw(p.x, p.y, p.z, eye.x, eye.y, eye.z, texture, kSmokeScale, trim.outline ? &trim : nullptr);
  }
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}
