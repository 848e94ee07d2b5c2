#include "gfx/lights.h"

#include <GL/gl.h>

#include "gfx/links.h"

Vector3 SunPosition;

namespace {
constexpr float kSun[3] = {25000.0f, 50000.0f, 25000.0f};
constexpr int kRaceScreen = 0;
}  // namespace

void PlaceLights() {
  SunPosition.Set(kSun[0], kSun[1], kSun[2]);
  const int screen = LinkedCurrentScreen();
  // In the race the sun camera follows the car (the race update places it); the
  // garage and menus look at the origin from the sun itself.
  if (screen != kRaceScreen) {
    if (float* p = GfxLinks.sunCameraPosition)
      for (int i = 0; i < 3; ++i) p[i] = kSun[i];
    if (float* q = GfxLinks.sunCameraPoint)
      for (int i = 0; i < 3; ++i) q[i] = 0.0f;
  }
  const GLfloat sun[4] = {kSun[0], kSun[1], kSun[2], 1.0f};
  glLightfv(GL_LIGHT0, GL_POSITION, sun);
  const float* c = GfxLinks.renderCameraPosition;
  const GLfloat camera[4] = {c ? c[0] : 0.0f, c ? c[1] : 0.0f, c ? c[2] : 0.0f, 0.0f};
  glLightfv(GL_LIGHT1, GL_POSITION, camera);
}
