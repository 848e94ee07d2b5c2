// A small RGBA canvas for painting the generated textures: fills, rectangles, discs,
// rings, thick lines and soft blobs, all blended over what is there. Row 0 is the
// bottom of the picture (t = 0 as GL samples it), which is also the row order the
// game's TGA reader uploads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/basegen/basegen.h"

namespace basegen {

struct Rgba {
  float r = 0, g = 0, b = 0, a = 1;
};

class Image {
 public:
  Image(int width, int height, Rgba fill = {0, 0, 0, 0});

  int width() const { return w_; }
  int height() const { return h_; }

  // Blends c over pixel (x, y) with coverage k (0..1); outside pixels are ignored.
  void Blend(int x, int y, Rgba c, float k = 1.0f);
  Rgba At(int x, int y) const;
  void Set(int x, int y, Rgba c);

  // Shapes in pixel units with anti-aliased edges.
  void Rect(float x0, float y0, float x1, float y1, Rgba c);
  void Disc(float cx, float cy, float r, Rgba c);
  void Ring(float cx, float cy, float r0, float r1, Rgba c);
  void Line(float x0, float y0, float x1, float y1, float width, Rgba c);
  // A disc fading from c at the centre to transparent at radius r (power shapes it).
  void SoftBlob(float cx, float cy, float r, Rgba c, float power = 2.0f);
  // A filled convex polygon (pixel corners, any winding).
  void Polygon(const std::vector<float>& xy, Rgba c);
  // Adds per-pixel grain of +-amount from the generator, keeping alpha.
  void Grain(Rng& rng, float amount);
  // Seven-segment digit d (0-9) in the box (x, y, w, h), strokes of width s.
  void Digit(int d, float x, float y, float w, float h, float s, Rgba c);

  // The file bytes: 32 bits when withAlpha, else 24.
  std::vector<uint8_t> EncodeTga(bool withAlpha) const;

 private:
  int w_, h_;
  std::vector<float> px_;  // r g b a per pixel, rows from the bottom
};

// Writes the image as base/<relPath>; every texture goes through this.
void WriteTexture(Output& out, const std::string& relPath, const Image& image, bool withAlpha);

// The game's TGA reader applied to base/<relPath>: empty when it loads, else why not.
std::string CheckTexture(const std::string& root, const std::string& relPath, int* width = nullptr,
                         int* height = nullptr, int* components = nullptr);

}  // namespace basegen
