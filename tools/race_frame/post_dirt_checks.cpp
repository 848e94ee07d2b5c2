#include "tools/race_frame/post_dirt_checks.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "gfx/renderer.h"
#include "race/car_content.h"
#include "race/scene_content.h"
#include "render/car_skins.h"
#include "render/dirt_paint.h"
#include "tools/race_frame/picture_checks.h"
#include "tools/race_frame/png_file.h"
#include "tools/race_frame/race_run.h"
#include "tools/race_sim/race_session.h"

namespace {

// A fifth of the skin must have taken dirt: the pre-paint stamps about 3,700 splashes a
// car, most of the skin several times over, all but the lamps and glass.
constexpr double kMinDirtyShare = 0.20;
// A channel step that is paint, not a filtering round-off.
constexpr int kDirtThreshold = 8;
// The soft focus replaces the sharp picture where the frame's alpha says so; the sky
// and the far landscape at least.
constexpr double kMinSoftShare = 0.02;
constexpr int kSoftThreshold = 2;
// The glow is light added over the picture: some texels, and not a veil over it all.
constexpr double kMinGlowShare = 0.001;
constexpr double kMaxGlowMean = 0.15;
constexpr float kGlowTexel = 1.0f / 255.0f;

bool Line(const std::string& name, bool ok, const std::string& detail) {
  std::printf("CHECK %s %s %s\n", name.c_str(), ok ? "ok" : "FAIL", detail.c_str());
  std::fflush(stdout);
  return ok;
}

Picture Read2D(GLuint texture) {
  Picture p;
  glBindTexture(GL_TEXTURE_2D, texture);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &p.width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &p.height);
  p.rgba.resize(static_cast<size_t>(p.width) * p.height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, p.rgba.data());
  return p;
}

// The share of the skin's texels that differ from the car's texture at the same place
// (the car's texture may be smaller: each skin texel looks at its nearest texel there).
double DirtyShare(const Picture& skin, const Picture& own) {
  if (skin.width <= 0 || own.width <= 0) return 0.0;
  long dirty = 0;
  for (int y = 0; y < skin.height; ++y)
    for (int x = 0; x < skin.width; ++x) {
      const uint8_t* a = skin.At(x, y);
      const uint8_t* b = own.At(x * own.width / skin.width, y * own.height / skin.height);
      for (int k = 0; k < 3; ++k)
        if (std::abs(a[k] - b[k]) > kDirtThreshold) {
          ++dirty;
          break;
        }
    }
  return static_cast<double>(dirty) / (static_cast<double>(skin.width) * skin.height);
}

}  // namespace

bool CheckDirtSkins(const std::string& folder) {
  bool ok = true;
  const double prePaint = PrePaintMilliseconds();
  ok &= Line("dirt_prepaint", prePaint >= 0.0,
             prePaint >= 0.0 ? FormatFigures("the hand-over's frame took %.0f ms", prePaint)
                             : std::string("no front-end frame answered the world hand-over"));
  for (int car = 0; car < kDirtCarSlots; ++car) {
    if (LoadedCarType[car].load() < 0 || CarColourTextures[car].name <= 0) continue;
    const GLuint skin = Renderer.targets.DirtTextures[car][kColourSkin][ColourSkinIndex[car] & 1];
    const Picture painted = Read2D(skin);
    const double share = DirtyShare(painted, Read2D(static_cast<GLuint>(CarColourTextures[car].name)));
    // Until the reset flag is down the car is drawn with its clean car.tga.
    const bool shown = CarSkinTexture(car, kColourSkin) == static_cast<int>(skin);
    ok &= Line(FormatFigures("dirt_skin_%d", car), share >= kMinDirtyShare && shown,
               FormatFigures("%.0f%% of the colour skin's texels differ from car.tga%s", 100.0 * share,
                             shown ? "" : "; the car is not drawn with it"));
    if (car == 0) {
      WritePng(folder + "/dirt_colour_skin.png", painted);
      WritePng(folder + "/dirt_normal_skin.png",
               Read2D(Renderer.targets.DirtTextures[car][kNormalSkin][NormalSkinIndex[car] & 1]));
    }
  }
  glBindTexture(GL_TEXTURE_2D, 0);
  return ok;
}

bool CheckPostEffect(const std::string& folder) {
  const RenderTargets& t = Renderer.targets;
  const Picture frame = ReadScreenTexture(t.SceneTextures[0]);
  const Picture soft = ReadScreenTexture(t.SceneTextures[1]);
  PictureRect all;
  all.x1 = frame.width;
  all.y1 = frame.height;
  const double softShare = DifferingShare(frame, soft, all, kSoftThreshold);
  bool ok = Line("post_effect", softShare >= kMinSoftShare,
                 FormatFigures("%.1f%% of the soft-focus picture differs from the plain frame", 100.0 * softShare));

  const int w = RenderSetup.postWidth, h = RenderSetup.postHeight;
  std::vector<float> glow(static_cast<size_t>(w) * h * 4);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, t.PostTextures[0]);
  glGetTexImage(GL_TEXTURE_RECTANGLE_ARB, 0, GL_RGBA, GL_FLOAT, glow.data());
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
  long lit = 0;
  double sum = 0.0;
  Picture shot;
  shot.width = w;
  shot.height = h;
  shot.rgba.resize(glow.size());
  for (size_t i = 0; i < glow.size(); i += 4) {
    const float brightest = std::max({glow[i], glow[i + 1], glow[i + 2]});
    if (brightest > kGlowTexel) ++lit;
    sum += (glow[i] + glow[i + 1] + glow[i + 2]) / 3.0;
    for (int k = 0; k < 4; ++k)
      shot.rgba[i + k] = k == 3 ? 255 : static_cast<uint8_t>(std::clamp(glow[i + k], 0.0f, 1.0f) * 255.0f);
  }
  WritePng(folder + "/post_glow.png", shot);
  const double share = static_cast<double>(lit) / (static_cast<double>(w) * h);
  const double mean = sum / (static_cast<double>(w) * h);
  ok &= Line("post_glow", share >= kMinGlowShare && mean <= kMaxGlowMean,
             FormatFigures("%.1f%% of the glow's texels hold light, mean %.3f (at most %.2f)", 100.0 * share, mean,
                           kMaxGlowMean));
  return ok;
}

void BenchDirtSteps() {
  // The race is loaded: painting now only costs the skins a few more splashes.
  constexpr int kSteps = 40;
  std::vector<double> ms;
  ms.reserve(kSteps);
  for (int i = 0; i < kSteps; ++i) {
    for (CarDirtState& d : CarDirt) {
      d.paintFlag = 1;
      d.amount = 5.0f;
    }
    glFinish();
    const auto start = std::chrono::steady_clock::now();
    PaintCarDirt();
    glFinish();
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(ms.begin(), ms.end());
  std::printf("DIRT step %.2f ms (median of %d), slowest %.2f ms\n", ms[kSteps / 2], kSteps, ms.back());
  std::printf("PREPAINT %.0f ms (the hand-over's front-end frame)\n", PrePaintMilliseconds());
}
