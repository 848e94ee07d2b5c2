// What the layout check judges: the texts and widget quads one front-end frame drew (in
// VirtualScreen units, in draw order), and the rules a readable screen keeps. The rules
// are pure: the textures' alpha comes through a callback, so tests can feed their own.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace layout {

struct Point {
  float x = 0.0f, y = 0.0f;
};

// Four corners counter-clockwise from the lower left; always a parallelogram here (a
// rectangle under the modelview's rotation, translation and scale).
struct Quad {
  Point c[4];
};

struct TextItem {
  std::string text;
  Quad box;
  int colour = 0;
  float alpha = 1.0f;
  int font = 1;
  float size = 1.0f;
  bool backdrop = false;
  // A word space in the text's font and size, from the font's widths; 0 when unknown.
  float space = 0.0f;
  int owner = 0;
  int order = 0;  // position in the frame's draw order, shared with the quads
};

struct QuadItem {
  Quad box;
  Point uv[4];
  int texture = -1;  // texture table entry, -1 untextured
  float rgb[3] = {1.0f, 1.0f, 1.0f};
  float alpha = 1.0f;
  int owner = 0;
  int order = 0;
};

struct FrameTrace {
  std::vector<TextItem> texts;
  std::vector<QuadItem> quads;
};

// Coverage 0..1 of a table texture at (u, v), v up; 0 for an entry it does not know.
using AlphaLookup = std::function<float(int texture, float u, float v)>;

struct Bounds {
  float left = -400.0f, right = 400.0f, bottom = -300.0f, top = 300.0f;
};

// Every rule broken, one line each.
std::vector<std::string> CheckLayout(const FrameTrace& frame, const AlphaLookup& alpha, const Bounds& screen);

// Luminance contrast of each text's colour scheme against the picture drawn under its
// box (the same frame with the glyphs left out), rows bottom first, `width` x `height`
// pixels showing `screen`. A text needs 4.5 : 1 over nine tenths of its box.
//
// Some pages print a text in a colour that cannot stand out from the flat box the page
// itself draws under it (grey on the light panel, light on light): no picture of ours
// lies between the two. Those go to `fixed` instead, named as such, for the layout's
// owners to decide; everything else goes to the returned list.
struct Surface {
  int width = 0, height = 0;
  const uint8_t* rgba = nullptr;
};
std::vector<std::string> CheckContrast(const FrameTrace& frame, const Surface& surface, const Bounds& screen,
                                       const AlphaLookup& alpha, std::vector<std::string>* fixed);

// The relative luminance of an sRGB colour (0..1 channels) and the contrast ratio of two.
float Luminance(float r, float g, float b);
float ContrastRatio(float a, float b);

// The point of the quad at (s, t), 0..1 along its first and last edges.
Point At(const Quad& q, float s, float t);
// (s, t) of a point in the quad's frame; false when the quad has no area.
bool Inside(const Quad& q, Point p, float* s, float* t);

}  // namespace layout
