// The 2D frame of menus and HUD: 800 units wide, centred on the origin, its height
// following the display's aspect ratio. The settings reader derives bottom and top.
#pragma once

struct VirtualScreenFrame {
  int left = -400;
  int right = 400;
  int bottom = -300;
  int top = 300;
};

extern VirtualScreenFrame VirtualScreen;

// Pushes the projection, loads the virtual screen's orthographic frame (depth -1 to 1)
// into it, and leaves the modelview current with identity: the set-up of every 2D pass
// over the whole frame. The caller pops the projection when it is done.
void PushVirtualScreenProjection();
