#include "gfx/virtual_screen.h"

#include <GL/gl.h>

VirtualScreenFrame VirtualScreen;

void PushVirtualScreenProjection() {
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  const VirtualScreenFrame& v = VirtualScreen;
  glOrtho(v.left, v.right, v.bottom, v.top, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}
