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
