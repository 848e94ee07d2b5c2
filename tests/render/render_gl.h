// The render tests' real GL context with the renderer started as the game starts it
// (programs, targets, noise, numbered base textures), small models built in memory, and
// the few measures the pass tests take: fragments drawn, pixels changed, GL state left.
#pragma once

#include <GL/gl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gfx/milkshape.h"
#include "tests/gfx/gl_fixture.h"
#include "tools/sbm/sbm_writer.h"

namespace rendertest {

// Starts the renderer once per program; skips (saying why) without a display or base/.
class RenderGlTest : public gltest::GlTest {
 protected:
  void SetUp() override;
};

// A model read back through the game's own reader from a mesh made here.
std::unique_ptr<MilkshapeModel> MakeModel(const sbm::Mesh& mesh);
// An axis-aligned box around (cx, cy, cz) with half sizes (hx, hy, hz): 12 triangles in
// `groups` groups (the first takes them all, the others stay empty).
sbm::Mesh BoxMesh(float cx, float cy, float cz, float hx, float hy, float hz, int groups = 1);
// A points model: group 0 one wheel marker with its second corner at `wheel`, group 1
// one exhaust marker at `exhaust`, and when `beacons` is not negative a group 2 with
// that many beacon markers, each a frame with x and y along the world's, 3 units apart
// along x from `firstBeacon`.
sbm::Mesh PointsMesh(const float wheel[3], const float exhaust[3], int beacons, const float firstBeacon[3]);

// Fragments that reached the framebuffer while draw ran (occlusion query).
GLuint SamplesPassed(const std::function<void()>& draw);

// Pixels of two read-backs that differ.
int ChangedPixels(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);

// Writes RGBA pixels (bottom row first) as an RGB PNG; false when the file cannot be
// written.
bool WritePng(const std::string& path, const std::vector<uint8_t>& rgba, int width, int height);

// What a pass must leave behind: unit 0 current, texturing off on units 1 up to the
// fixed-function limit, identity texture matrices there, program 0, no GL error.
// Returns a description of the first thing out of place, or "".
std::string LeftoverState();

}  // namespace rendertest
