// The draws of the two wheel-trail stores: tyre marks in the near-detail layer, wheel
// dust in its own layer. Nothing fills the stores yet, so both come out empty; the draws
// are what a filling would show.
#include <GL/gl.h>
#include <GL/glext.h>

#include "app/frame.h"
#include "gfx/gl_ext.h"
#include "gfx/texture.h"
#include "race/car.h"
#include "race/wheel_trails.h"
#include "render/camera_state.h"
#include "render/cars_pass.h"
#include "render/pass_control.h"

namespace {

// The oldest of a ring's 400 marks fades to about nothing.
constexpr float kMarkFadePerStep = 0.002507f;
constexpr int kDustTexture = 54;
constexpr float kDustBaseSize = 0.75f;
constexpr float kDustGrowth = 2.0f;
// Four seconds of life at 100 ticks a second.
constexpr float kDustAgePerTick = 0.0025f;

void UnitCoord(GLenum unit, const float v[3]) {
  if (GlExt.glMultiTexCoord3fvARB) GlExt.glMultiTexCoord3fvARB(unit, v);
}

// The ring's write position as a slot; a broken row value starts the ring at 0.
int RingHead(int value) { return value >= 0 && value < kTyreMarksPerWheel ? value : 0; }

void EmitMark(const TyreMark& mark, float fade) {
  // A mark of no strength shows nothing: the pass writes without blending, so it could
  // only punch its transparent shape into the layer. The empty rings the race leaves
  // are all of this kind, and skipping them saves thousands of vertices a frame.
  if (!(mark.startStrength > 0.0f) && !(mark.endStrength > 0.0f)) return;
  const float start = fade * mark.startStrength;
  const float end = fade * mark.endStrength;
  UnitCoord(GL_TEXTURE2_ARB, mark.unit2);
  UnitCoord(GL_TEXTURE1_ARB, mark.unit1);
  glNormal3fv(mark.normal);
  glTexCoord3f(0.0f, 1.0f, start);
  glVertex3fv(mark.corners[0]);
  glTexCoord3f(1.0f, 1.0f, start);
  glVertex3fv(mark.corners[1]);
  glTexCoord3f(1.0f, 0.0f, end);
  glVertex3fv(mark.corners[2]);
  glTexCoord3f(0.0f, 0.0f, end);
  glVertex3fv(mark.corners[3]);
}

}  // namespace

void DrawSkidMarks() {
  glBegin(GL_QUADS);
  for (int c = 0; c < kRaceCarCount; ++c) {
    for (int w = 0; w < kCarWheels; ++w) {
      const int head = RingHead(RenderCarRows[c].skidIndex[w]);
      const TyreMark* ring = TyreMarks[c][w];
      for (int k = 0; k < kTyreMarksPerWheel; ++k)
        EmitMark(ring[TyreMarkSlot(head, k)], 1.0f - kMarkFadePerStep * static_cast<float>(k));
    }
  }
  glEnd();
}

bool AnyWheelDustActive() {
  for (const auto& car : WheelDustStore)
    for (const auto& wheel : car)
      for (const WheelDust& d : wheel)
        if (d.active == 1) return true;
  return false;
}

void DrawDust() {
  if (!PassWanted("trails")) return;
  PassBegin("trails");
  glDisable(GL_CULL_FACE);
  glDepthMask(GL_FALSE);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  const int texture = TextureTable[kDustTexture].name;
  glBindTexture(GL_TEXTURE_2D, texture > 0 ? static_cast<GLuint>(texture) : 0);
  const Vector3& eye = RenderCamera.eye;
  const float ageStep = FrameTiming.RenderTicks * kDustAgePerTick;
  glBegin(GL_QUADS);
  for (auto& car : WheelDustStore) {
    for (auto& wheel : car) {
      for (WheelDust& d : wheel) {
        if (d.active != 1) continue;
        const float x = d.position.x + d.velocity.x * d.age, y = d.position.y + d.velocity.y * d.age,
                    z = d.position.z + d.velocity.z * d.age;
        // A particle at the eye has no side to show; it still ages.
        if (x != eye.x || y != eye.y || z != eye.z) {
          glColor4f(1.0f, 1.0f, 1.0f, 1.0f - d.age);
          EmitBillboardQuad(eye.x, eye.y, eye.z, x, y, z, kDustBaseSize + kDustGrowth * d.age);
        }
        d.age += ageStep;
        if (d.age >= 1.0f) d.active = 0;
      }
    }
  }
  glEnd();
  glDisable(GL_BLEND);
  glDepthMask(GL_TRUE);
  glEnable(GL_CULL_FACE);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  PassEnd();
}
