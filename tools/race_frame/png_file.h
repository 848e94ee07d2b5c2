// Pictures as PNG files: 8-bit RGB, rows top first in the file, the pictures the race
// tools and the render tests take from GL (bottom row first) in memory. The reader
// takes what the writer writes (and any 8-bit RGB or RGBA picture without interlace),
// so a tool can compare its picture with one another run wrote.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// RGBA pixels, bottom row first: glReadPixels' order.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;

  const uint8_t* At(int x, int y) const { return &rgba[4 * (static_cast<size_t>(y) * width + x)]; }
};

// Writes the picture's colour (its alpha dropped). False when the file cannot be
// written.
bool WritePng(const std::string& path, const Picture& picture);
// Reads a picture back with alpha 255. False, with the reason, for a file this reader
// does not take.
bool ReadPng(const std::string& path, Picture* picture, std::string* why);
