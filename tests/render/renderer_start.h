// The one start of the real renderer that the render and front-end tests share (the
// front end's StartMenuRenderer, as the layout check and the benchmark start it): the
// graphics tests' window and contexts, the renderer at a chosen screen size and shadow
// map on the generated base/, and, when asked, the numbered menu and HUD textures and
// the car tables the menus show. Once per program; saves land in a private HOME.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <string>

namespace rendertest {

struct RendererStart {
  int width = 1024;
  int height = 768;
  int shadowMapSize = 16;  // 16: shadows off
  // LoadTextures, InitCarSetupDefaults and LoadCarsTable after the renderer starts.
  bool menuContent = true;
};

// Starts the renderer once per program; later calls must ask for the same start. False
// with the reason when there is no context, no generated base/, the renderer or its
// world programs failed, or another start was asked for before.
bool StartRenderer(const RendererStart& start, std::string* why);

// The start the HUD and front-end fixtures share: width x height, shadows off, the menu
// content loaded.
bool StartWithMenuContent(int width, int height, std::string* why);

// Fills a rectangle texture (frame, soft focus, glow, post targets) with one colour.
void FillRectTexture(GLuint texture, int width, int height, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255);

}  // namespace rendertest
