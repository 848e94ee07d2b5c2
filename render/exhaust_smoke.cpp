// Each lorry's exhaust smoke: its own emitter, fed at the exhaust pipe and blown back
// along the lorry's length. The player's emitter is switched on and off by the race
// logic on the worker; everything read here is the frame's render copy.
#include <GL/gl.h>

#include "app/frame.h"
#include "gfx/particles.h"
#include "gfx/texture.h"
#include "race/car.h"
#include "render/camera_state.h"
#include "render/car_assembly.h"
#include "render/cars_pass.h"

namespace {

constexpr int kSmokeTexture = 52;
constexpr float kSmokeScale = 1.0f;

static_assert(kCarEmitters == kRaceCarCount, "one smoke emitter per lorry");

}  // namespace

void DrawExhaustSmoke() {
  const int texture = TextureTable[kSmokeTexture].name;
  const Vector3& eye = RenderCamera.eye;
  for (int k = 0; k < kRaceCarCount; ++k) {
    const CarRow& row = RenderCarRows[k];
    ParticleEmitter& smoke = SmokePipeEmitters[k];
    const Vector3 v = SmokeVelocity(row.matrix, row.engineSmoke);
    smoke.Update(FrameTiming.RenderTicks, v.x, v.y, v.z);
    const float* e = RaceCars[k].exhaustPoint;
    const Vector3 p = row.matrix.TransformPoint(e[0], e[1], e[2]);
    smoke.Draw(p.x, p.y, p.z, eye.x, eye.y, eye.z, texture, kSmokeScale);
  }
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}
