// The content tests draw with the graphics tests' real context and colour target, and
// write a PNG of what they drew (through ImageMagick) so a person can look at it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/gfx/gl_fixture.h"

namespace propstest {

// Opens the window and contexts once per program, with multitexturing as the game's
// model drawing wants; false with the reason otherwise.
bool OpenGl(std::string* why);

using SceneTarget = gltest::ColourTarget;

// Writes RGBA pixels (bottom row first) as a PNG; false when convert is missing or fails.
bool SavePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba);

}  // namespace propstest
