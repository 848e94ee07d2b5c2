// A real GL context and an offscreen target for the content tests: the game's window
// and sharing contexts, one framebuffer object to draw a scene into, and a PNG of
// what it holds (written through ImageMagick) so a person can look at the result.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace propstest {

// Opens the window and contexts once per program; false with the reason otherwise.
bool OpenGl(std::string* why);

class SceneTarget {
 public:
  SceneTarget(int width, int height);
  ~SceneTarget();
  SceneTarget(const SceneTarget&) = delete;
  SceneTarget& operator=(const SceneTarget&) = delete;

  bool complete() const { return complete_; }
  void Bind() const;
  void Unbind() const;
  std::vector<uint8_t> Read() const;  // RGBA, bottom row first
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  int width_, height_;
  unsigned framebuffer_ = 0, colour_ = 0, depth_ = 0;
  bool complete_ = false;
};

// Writes RGBA pixels (bottom row first) as a PNG; false when convert is missing or fails.
bool SavePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba);

}  // namespace propstest
