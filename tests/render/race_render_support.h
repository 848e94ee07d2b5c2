// The race render tests' real GL: the graphics tests' window and contexts with the
// renderer started once per program at a chosen screen size (programs, render targets,
// noise, the game's links for the race screen), plus reading rectangle textures back
// and writing what was drawn as a PNG for a person to look at.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/gfx/gl_fixture.h"

namespace racerender {

// Opens the context and starts the renderer at width x height with no multisampled
// pair, once per program (later calls must ask for the same size). Needs the
// generated base/ in the working folder. False with the reason otherwise.
bool StartRenderer(int width, int height, std::string* why);

// RGBA8 pixels of a rectangle texture, bottom row first.
std::vector<uint8_t> ReadRectangle(GLuint texture, int width, int height);

struct Rgb {
  int r = 0, g = 0, b = 0;
  int Brightness() const { return (r + g + b) / 3; }
};
Rgb PixelAt(const std::vector<uint8_t>& rgba, int width, int x, int y);
// The mean colour of a rectangle of pixels (x0..x1, y0..y1 exclusive ends).
Rgb MeanColour(const std::vector<uint8_t>& rgba, int width, int x0, int y0, int x1, int y1);

// Writes RGBA pixels (bottom row first) as an uncompressed PNG into the folder named by
// KELVAMOR_RENDER_SHOTS, or the test's scratch folder; returns the path ("" on failure).
std::string SavePng(const std::string& stem, int width, int height, const std::vector<uint8_t>& rgba);

// A 2D texture of width x height RGBA texels (bottom row first), nearest filtering,
// repeating, no mipmaps.
GLuint TextureFromTexels(int width, int height, const std::vector<uint8_t>& rgba);

// The worker's half of a race update without the simulation: the chase view behind the
// player's lorry on the grid, looking along the road, the main and sun culls for a
// screen of that aspect, and the published rows. Needs a loaded world.
void PlaceCameraOnTheGrid(float aspect);

}  // namespace racerender
