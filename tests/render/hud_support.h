// The HUD tests' world: the real renderer started once per program at 1024 x 768 on the
// generated base/ (fonts, the HUD's numbered textures, the render targets), a race
// state reset before every case, flat pictures in the frame and glow textures, and
// helpers to read back what the HUD drew in the 800-unit virtual screen's terms.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "race/waypoints.h"
#include "tests/render/renderer_start.h"
#include "tests/gfx/gl_fixture.h"

namespace hudtest {

constexpr int kScreenW = 1024, kScreenH = 768;

// Calls of HudFinishRace since the last reset.
extern int FinishRaceCalls;

// Every case starts from a race in progress: no countdown, nobody finished, the
// player at the origin facing +x, the opponents and the next checkpoint far away, an
// empty path drawn into the map, black glow and a flat grey picture.
class HudGlTest : public gltest::GlTest {
 protected:
  void SetUp() override;
  void TearDown() override;
};

// Fills a rectangle texture (frame, soft focus, glow) with one colour.
using rendertest::FillRectTexture;
// A sky-to-ground picture standing in for the race scene.
void FillRacePicture(GLuint texture, int width, int height);

// Places car k at (x, y, z) with its length axis along (ax, ay, az) (unit) and the
// world up as near its second column as the axis allows.
void PlaceCar(int car, float x, float y, float z, float ax, float ay, float az);
// Sets the race path and draws it into the track map.
void SetPath(const std::vector<Waypoint>& points);

// Pixels of a virtual-screen point on the 1024 x 768 target.
int PixelX(float vx);
int PixelY(float vy);

struct Image {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;  // bottom row first
  const uint8_t* At(int x, int y) const { return &rgba[4 * (static_cast<size_t>(y) * width + x)]; }
};
// One HUD frame drawn into a fresh screen-size target cleared to black, read back.
Image DrawHudFrame();
// One countdown frame the same way.
Image DrawCountdownFrame();

// The track-map texture read back (1024 x 1024).
Image MapTextureImage();

// Pixels that differ by more than `tolerance` in any channel inside the virtual box
// centred on (vx, vy) with half sizes (hw, hh).
int DifferingPixels(const Image& a, const Image& b, float vx, float vy, float hw, float hh, int tolerance = 2);
// Mean position (in pixels, relative to the virtual point) of the pixels in the box
// that differ; false when none do.
bool DifferenceCentroid(const Image& a, const Image& b, float vx, float vy, float hw, float hh, float* dx,
                        float* dy);

// Writes the image as a PNG into the folder KELVAMOR_HUD_SHOTS names, when it is set.
void SaveShot(const Image& image, const std::string& stem);

}  // namespace hudtest
