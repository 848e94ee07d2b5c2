#include "gfx/projection.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "gfx/links.h"

namespace {
constexpr int kRaceScreen = 0;
constexpr double kRaceFovDegrees = 48.0;
constexpr double kFovPerSpeedFactor = 5.0;  // the view widens as the camera speeds up
constexpr double kRaceNear = 0.1;
constexpr double kMenuFovDegrees = 30.0;
constexpr double kMenuFar = 15000.0;
}  // namespace

void SetPerspective(int width, int height) {
  if (height == 0) height = 1;
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  const double aspect = static_cast<double>(width) / static_cast<double>(height);
  if (LinkedTargetScreen() == kRaceScreen) {
    const double fovy = kRaceFovDegrees + kFovPerSpeedFactor * LinkedCameraSpeedFactor();
    gluPerspective(fovy, aspect, kRaceNear, LinkedFarDistance());
  } else {
    gluPerspective(kMenuFovDegrees, aspect, 1.0 + 0.9 * LinkedGarageZoom(), kMenuFar);
  }
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}
