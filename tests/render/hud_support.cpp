#include "tests/render/hud_support.h"

#include <GL/glext.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/frame.h"
#include "app/settings.h"
#include "frontend/race_finish.h"
#include "gfx/renderer.h"
#include "gfx/virtual_screen.h"
#include "race/car.h"
#include "race/car_content.h"
#include "race/race_status.h"
#include "render/countdown.h"
#include "render/pass_control.h"
#include "render/race_hud.h"
#include "render/track_map.h"
#include "tests/render/renderer_start.h"

namespace hudtest {

int FinishRaceCalls = 0;

namespace {

constexpr float kFarAway = 10000.0f;
constexpr uint8_t kPictureGrey = 100;

void CountFinishRace() { ++FinishRaceCalls; }

}  // namespace

void HudGlTest::SetUp() {
  gltest::GlTest::SetUp();
  if (IsSkipped()) return;
  std::string why;
  if (!rendertest::StartWithMenuContent(kScreenW, kScreenH, &why)) GTEST_SKIP() << why;

  Settings = DefaultSettings();
  Settings.screenWidth = kScreenW;
  Settings.screenHeight = kScreenH;
  Settings.postEffect = 0;
  Settings.sound = 0;
  VirtualScreen = VirtualScreenFrame();
  RaceStatus.CountdownRunning.store(0);
  RaceStatus.CountdownValue.store(0.0f);
  RaceStatus.PlayerFinished.store(0);
  RaceStatus.RaceLaps = kRaceLaps;
  CountdownBeepStage = 0;
  FrameTiming.RenderTicks = 0.0f;
  FrameTiming.FrameTicks = 0.0f;
  PassControl = PassControlState();
  FinishRaceCalls = 0;
  HudFinishRace = CountFinishRace;

  for (CarRow& row : RenderCarRows) row = CarRow();
  PlaceCar(0, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f);
  for (int car = 1; car < kRaceCarCount; ++car) PlaceCar(car, kFarAway, 0.0f, kFarAway * car, 1.0f, 0.0f, 0.0f);
  RenderCarRows[0].nextCheckpoint = -1;
  SetPath({});

  FillRectTexture(::Renderer.targets.SceneTextures[0], kScreenW, kScreenH, kPictureGrey, kPictureGrey,
                  kPictureGrey, 255);
  FillRectTexture(::Renderer.targets.SceneTextures[1], kScreenW, kScreenH, kPictureGrey, kPictureGrey,
                  kPictureGrey, 255);
  FillRectTexture(::Renderer.targets.PostTextures[0], RenderSetup.postWidth, RenderSetup.postHeight, 0, 0, 0, 0);
  gltest::TakeGlError();
}

void HudGlTest::TearDown() {
  if (!IsSkipped()) {
    EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR)) << "GL error left by the case";
  }
  HudFinishRace = FinishRace;
  gltest::BindWindowFramebuffer();
}

void FillRacePicture(GLuint texture, int width, int height) {
  std::vector<uint8_t> texels(static_cast<size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &texels[4 * (static_cast<size_t>(y) * width + x)];
      const float v = static_cast<float>(y) / height;
      const float road = std::fabs((x - width * 0.5f) / width) < 0.28f * (1.0f - v / 0.55f) ? 1.0f : 0.0f;
      if (v > 0.55f) {  // sky, lighter towards the horizon
        const float k = (v - 0.55f) / 0.45f;
        p[0] = static_cast<uint8_t>(200 - 90 * k), p[1] = static_cast<uint8_t>(215 - 70 * k), p[2] = 235;
      } else if (road > 0.0f) {
        p[0] = 92, p[1] = 84, p[2] = 74;
      } else {
        p[0] = static_cast<uint8_t>(96 + 40 * v), p[1] = static_cast<uint8_t>(112 + 50 * v), p[2] = 60;
      }
      p[3] = 255;
    }
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexSubImage2D(GL_TEXTURE_RECTANGLE_ARB, 0, 0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
}

void PlaceCar(int car, float x, float y, float z, float ax, float ay, float az) {
  // Up: the world up with its share along the axis removed; for an axis standing
  // upright, world +x in its place.
  float ux = -ay * ax, uy = 1.0f - ay * ay, uz = -ay * az;
  float ul = std::sqrt(ux * ux + uy * uy + uz * uz);
  if (ul < 1e-3f) {
    ux = 1.0f - ax * ax, uy = -ax * ay, uz = -ax * az;
    ul = std::sqrt(ux * ux + uy * uy + uz * uz);
  }
  ux /= ul, uy /= ul, uz /= ul;
  const float sx = ay * uz - az * uy, sy = az * ux - ax * uz, sz = ax * uy - ay * ux;
  Matrix4& m = RenderCarRows[car].matrix;
  m.SetRows(ax, ux, sx, x, ay, uy, sy, y, az, uz, sz, z, 0.0f, 0.0f, 0.0f, 1.0f);
}

void SetPath(const std::vector<Waypoint>& points) {
  for (size_t i = 0; i < points.size(); ++i) WaypointTable[i] = points[i];
  WaypointLastIndex = static_cast<int32_t>(points.size()) - 1;
  RenderTrackMapTexture();
}

int PixelX(float vx) {
  return static_cast<int>(std::lround((vx - VirtualScreen.left) * kScreenW / (VirtualScreen.right - VirtualScreen.left)));
}
int PixelY(float vy) {
  return static_cast<int>(std::lround((vy - VirtualScreen.bottom) * kScreenH / (VirtualScreen.top - VirtualScreen.bottom)));
}

namespace {

Image ReadTarget(const gltest::ColourTarget& target) {
  Image image;
  image.width = target.width();
  image.height = target.height();
  image.rgba = target.Read();
  return image;
}

}  // namespace

Image DrawHudFrame() {
  gltest::ColourTarget target(kScreenW, kScreenH);
  EXPECT_TRUE(target.complete());
  target.Clear(0.0f, 0.0f, 0.0f, 1.0f);
  DrawRaceHud();
  return ReadTarget(target);
}

Image DrawCountdownFrame() {
  gltest::ColourTarget target(kScreenW, kScreenH);
  EXPECT_TRUE(target.complete());
  target.Clear(0.0f, 0.0f, 0.0f, 1.0f);
  DrawCountdown();
  return ReadTarget(target);
}

Image MapTextureImage() {
  Image image;
  glBindTexture(GL_TEXTURE_2D, ::Renderer.targets.MapTexture);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &image.width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &image.height);
  image.rgba.resize(static_cast<size_t>(image.width) * image.height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, image.rgba.data());
  return image;
}

namespace {

template <typename Visit>
void ForDiffering(const Image& a, const Image& b, float vx, float vy, float hw, float hh, int tolerance,
                  Visit visit) {
  const int x0 = std::max(0, PixelX(vx - hw)), x1 = std::min(a.width - 1, PixelX(vx + hw));
  const int y0 = std::max(0, PixelY(vy - hh)), y1 = std::min(a.height - 1, PixelY(vy + hh));
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      const uint8_t* p = a.At(x, y);
      const uint8_t* q = b.At(x, y);
      for (int c = 0; c < 3; ++c)
        if (std::abs(p[c] - q[c]) > tolerance) {
          visit(x, y);
          break;
        }
    }
}

}  // namespace

int DifferingPixels(const Image& a, const Image& b, float vx, float vy, float hw, float hh, int tolerance) {
  int n = 0;
  ForDiffering(a, b, vx, vy, hw, hh, tolerance, [&n](int, int) { ++n; });
  return n;
}

bool DifferenceCentroid(const Image& a, const Image& b, float vx, float vy, float hw, float hh, float* dx,
                        float* dy) {
  double sx = 0.0, sy = 0.0;
  int n = 0;
  ForDiffering(a, b, vx, vy, hw, hh, 2, [&](int x, int y) {
    sx += x;
    sy += y;
    ++n;
  });
  if (n == 0) return false;
  *dx = static_cast<float>(sx / n - PixelX(vx));
  *dy = static_cast<float>(sy / n - PixelY(vy));
  return true;
}

void SaveShot(const Image& image, const std::string& stem) {
  const char* dir = std::getenv("KELVAMOR_HUD_SHOTS");
  if (!dir || !*dir) return;
  const std::string ppm = std::string(dir) + "/" + stem + ".ppm";
  FILE* f = std::fopen(ppm.c_str(), "wb");
  if (!f) return;
  std::fprintf(f, "P6\n%d %d\n255\n", image.width, image.height);
  for (int y = image.height - 1; y >= 0; --y)
    for (int x = 0; x < image.width; ++x) std::fwrite(image.At(x, y), 1, 3, f);
  std::fclose(f);
  const std::string cmd = "convert '" + ppm + "' '" + std::string(dir) + "/" + stem + ".png' && rm '" + ppm + "'";
  if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "could not convert %s\n", ppm.c_str());
}

}  // namespace hudtest
