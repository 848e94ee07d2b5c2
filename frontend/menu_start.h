// The renderer started on the current GL context, with the content the menus draw:
// what the game's shell and loader do before the first menu, for the programs that
// draw the real screens without the shell (the layout check, the front-end benchmark
// and the render and front-end tests).
#pragma once

#include <string>

struct MenuStart {
  int width = 1024;
  int height = 768;
  int antiAliasing = 0;
  int shadowMapSize = 16;  // 16: shadows off
  // The shipped settings at width x height, silent, with the renderer linked to the
  // game as the shell links it; anti-aliasing and the shadow map then come from them.
  // Off, the caller's settings and links stay as they are.
  bool shippedSettings = false;
  // The numbered menu and HUD textures and the car tables the menus show.
  bool menuContent = true;
  // The garage behind the menus: the part and garage models, their textures and light.
  bool garage = false;
};

// False with the reason when the renderer does not start or leaves a GL error. GL
// errors of the content loaders are taken, not reported: a missing file is named by
// the loader itself.
bool StartMenuRenderer(const MenuStart& start, std::string* why);
