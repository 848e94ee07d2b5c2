// The road and the land of race 1 drawn by the game's race frame through both layouts
// of their maps: the packs the race load makes (one fetch where two were), and every
// map read on its own unit. The two pictures agree within rounding. A race whose
// detail and ground maps come at other sizes and depths (32-bit TGA files twice the
// size, an alpha map of another shape than its road texture) cannot be packed; loaded
// through the game's own loader from such files it must still draw its road and land as
// race 1 draws them, not against a map that is not there. Each picture is written as a
// PNG for a person to look at.
#include "render/ground_maps.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/handshake.h"
#include "app/loader.h"
#include "app/race_cameras.h"
#include "app/race_snapshot.h"
#include "app/race_update.h"
#include "app/settings.h"
#include "app/frame.h"
#include "frontend/screens.h"
#include "gfx/image_tga.h"
#include "gfx/renderer.h"
#include "race/car.h"
#include "race/car_content.h"
#include "race/car_setup.h"
#include "race/physics_world.h"
#include "race/scene_content.h"
#include "race/track_loader.h"
#include "race/world_quadtree.h"
#include "render/camera_state.h"
#include "render/pass_control.h"
#include "tests/race/handover_answer.h"
#include "tests/render/race_render_support.h"
#include "tests/scratch_dir.h"

namespace {

namespace fs = std::filesystem;

constexpr int kW = 800;
constexpr int kH = 600;
constexpr int kPlayerModel = 5;
constexpr int kRace = 1;
// Both loads draw the same opponents, so that only the ground can differ.
constexpr unsigned kSeed = 1234;

// Two layouts of one picture differ by rounding: the packed maps hold each texel as
// the sampler read it, the noise plane the volume's filter at its depth, the alpha map's
// finer levels its base read by the same linear filter. The levels a pixel may move by,
// and the share of pixels that may move by more than one level (race 1 at 800 x 600 on
// Mesa's llvmpipe: 2 levels at most, 0.001 %).
constexpr int kRoundingLevels = 6;
constexpr double kRoundedShare = 0.005;
// The same pictures from files of other sizes, read unpacked: where a doubled map is
// magnified its filter blends twice as many copies of a texel, which moves the edges of
// its texels (0.6 % of the pixels by more than a level, 0.04 levels on the mean). A map
// that is not there moves every pixel of the road's ground and the land.
constexpr double kOtherSizesMean = 0.25;
constexpr double kOtherSizesShare = 0.03;

struct Difference {
  int largest = 0;     // levels, in the channel that moved most
  double moved = 0.0;  // share of pixels with a channel more than one level off
  double mean = 0.0;   // mean of every channel's difference, in levels
};

Difference Compare(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  Difference d;
  long moved = 0;
  double sum = 0.0;
  for (size_t i = 0; i < a.size(); i += 4) {
    int most = 0;
    for (int c = 0; c < 3; ++c) {
      const int e = std::abs(a[i + c] - b[i + c]);
      most = std::max(most, e);
      sum += e;
    }
    d.largest = std::max(d.largest, most);
    if (most > 1) ++moved;
  }
  const double pixels = static_cast<double>(a.size() / 4);
  d.moved = static_cast<double>(moved) / pixels;
  d.mean = sum / (3.0 * pixels);
  return d;
}

std::string Show(const Difference& d) {
  char text[128];
  std::snprintf(text, sizeof text, "largest %d levels, %.3f%% of pixels moved, mean %.3f levels", d.largest,
                100.0 * d.moved, d.mean);
  return text;
}

// Everything of the race frame that does not stay put from one frame to the next or is
// drawn over the scene afterwards: the HUD, the smoke's particles, the glare's query of
// the frame before, and the cube map's faces refreshed in turn.
void SkipMovingPasses() {
  PassControl = PassControlState();
  const char* const kSkipped[] = {"hud", "gauges", "minimap", "countdown", "smoke", "glare", "cube_map"};
  int n = 0;
  for (const char* name : kSkipped) std::snprintf(PassControl.skip[n++], sizeof PassControl.skip[0], "%s", name);
}

// A copy of base/ made of links to the generated files, but for world 0's textures,
// which are copies the test may replace.
bool LinkBase(const fs::path& from, const fs::path& to, const fs::path& ownFolder) {
  std::error_code e;
  fs::create_directories(to, e);
  for (const fs::directory_entry& entry : fs::directory_iterator(from, e)) {
    const fs::path target = to / entry.path().filename();
    const fs::path source = fs::absolute(entry.path());
    if (source == ownFolder) {
      fs::create_directories(target, e);
      for (const fs::directory_entry& file : fs::directory_iterator(source, e))
        fs::copy_file(file.path(), target / file.path().filename(), e);
    } else if (ownFolder.string().rfind(source.string() + "/", 0) == 0) {
      if (!LinkBase(source, target, ownFolder)) return false;
    } else {
      fs::create_symlink(source, target, e);
    }
    if (e) return false;
  }
  return !e;
}

// Writes a TGA file's picture again as 32 bits, each texel repeated `sx` times across
// and `sy` times down.
bool Enlarge(const fs::path& file, int sx, int sy) {
  TgaImage in;
  if (ReadTGAFile(file.c_str(), &in) != TgaResult::kOk) return false;
  const int w = in.width * sx, h = in.height * sy;
  std::vector<uint8_t> rgba(static_cast<size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = &in.pixels[(static_cast<size_t>(y / sy) * in.width + x / sx) * in.components];
      uint8_t* q = &rgba[(static_cast<size_t>(y) * w + x) * 4];
      std::memcpy(q, p, 3);
      q[3] = in.components == 4 ? p[3] : 255;
    }
  std::vector<uint8_t> bytes;
  if (!EncodeTGA(w, h, 4, rgba.data(), &bytes)) return false;
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

class GroundMaps : public gltest::GlTest {
 protected:
  void SetUp() override {
    gltest::GlTest::SetUp();
    if (IsSkipped()) return;
    std::string why;
    if (!racerender::StartRenderer(kW, kH, &why)) GTEST_SKIP() << why;
    if (!fs::exists("base/world/0/textures/landscape04.tga")) GTEST_SKIP() << "base/ not generated";
    Handshake.AppDone.store(0);
    TargetScreen.store(kScreenMainMenu);
    LoadMenuContent();
    ApplyCarPreset(kPlayerModel);
    LoadCar(0);
    FixedTrackSeed = kSeed;
    ViewDistance = 450.0f;  // the default "Sight Range"
  }
  void TearDown() override {
    if (WorldRoot) LoadGarage();
    PassControl = PassControlState();
    FixedTrackSeed = 0;
  }

  static bool LoadRace() {
    if (WorldRoot) LoadGarage();
    HandoverAnswer answer;
    return LoadWorld(kRace) && WorldRoot != nullptr;
  }

  static std::vector<uint8_t> DrawFrame(const char* stem) {
    SkipMovingPasses();
    RenderRaceFrame();
    PassControl = PassControlState();
    std::vector<uint8_t> px = racerender::ReadRectangle(Renderer.targets.SceneTextures[0], kW, kH);
    std::printf("%s written to %s\n", stem, racerender::SavePng(stem, kW, kH, px).c_str());
    return px;
  }

  // The lower third of the frame is road and land, lit, not sky and not black.
  static void ExpectGroundDrawn(const std::vector<uint8_t>& px) {
    for (int x0 = 0; x0 < kW; x0 += kW / 8) {
      const racerender::Rgb low = racerender::MeanColour(px, kW, x0, 8, x0 + kW / 8, kH / 3);
      EXPECT_FALSE(low.Brightness() > 120 && low.b > low.r + 25) << "sky at the bottom, x " << x0;
      EXPECT_GT(low.Brightness(), 20) << "black at the bottom, x " << x0;
    }
  }
};

TEST_F(GroundMaps, RaceOneLooksTheSameThroughBothLayoutsAndItsPacksAreMadeAtTheLoad) {
  ASSERT_TRUE(LoadRace());
  // Made by the load itself: the race's first frame has nothing left to make.
  ASSERT_TRUE(RoadMapsPacked());
  ASSERT_TRUE(LandMapsPacked());
  const unsigned detail = DetailLuminanceMap();
  unsigned ground[kGroundPacks] = {};
  ASSERT_TRUE(RoadGroundMaps(ground));
  EXPECT_TRUE(glIsTexture(detail));
  for (unsigned name : ground) EXPECT_TRUE(glIsTexture(name));

  racerender::PlaceCameraOnTheGrid(static_cast<float>(kW) / kH);
  ASSERT_GT(PublishedResults.mainLeaves.count, 0);
  const std::vector<uint8_t> packed = DrawFrame("ground_maps_packed");
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
  EXPECT_EQ(DetailLuminanceMap(), detail) << "the frame used the load's packs";
  ExpectGroundDrawn(packed);
  // The frame is the same every time it is drawn: what the layouts change is all that
  // differs below.
  EXPECT_EQ(Compare(packed, DrawFrame("ground_maps_packed_again")).largest, 0);

  BuildGroundMaps(GroundPacking::kNone);
  EXPECT_FALSE(RoadMapsPacked());
  EXPECT_FALSE(LandMapsPacked());
  EXPECT_EQ(DetailLuminanceMap(), 0u);
  const std::vector<uint8_t> unpacked = DrawFrame("ground_maps_unpacked");
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
  const Difference d = Compare(packed, unpacked);
  std::printf("packed against unpacked: %s\n", Show(d).c_str());
  EXPECT_LE(d.largest, kRoundingLevels) << Show(d);
  EXPECT_LE(d.moved, kRoundedShare) << Show(d);
}

TEST_F(GroundMaps, ARaceWhoseMapsCannotBePackedDrawsItsRoadAndLandAsRaceOneDoes) {
  ASSERT_TRUE(LoadRace());
  racerender::PlaceCameraOnTheGrid(static_cast<float>(kW) / kH);
  const std::vector<uint8_t> shipped = DrawFrame("ground_maps_shipped");

  // The same pictures in other files: a detail map and a ground map twice the size
  // and 32 bits deep beside maps of 24, the road texture 32 bits deep, and its alpha
  // map twice as wide as high, which no level of the road's square texture matches.
  testscratch::ScratchFolder scratch;
  ASSERT_FALSE(scratch.path().empty());
  const fs::path textures = fs::absolute("base/world/0/textures");
  const fs::path base = fs::path(scratch.path()) / "base";
  ASSERT_TRUE(LinkBase(fs::absolute("base"), base, textures));
  const fs::path own = base / "world/0/textures";
  ASSERT_TRUE(Enlarge(own / "landscape04.tga", 2, 2));
  ASSERT_TRUE(Enlarge(own / "landscape01.tga", 2, 2));
  ASSERT_TRUE(Enlarge(own / "road.tga", 1, 1));
  ASSERT_TRUE(Enlarge(own / "road_a.tga", 2, 1));

  const fs::path here = fs::current_path();
  ASSERT_EQ(chdir(scratch.path().c_str()), 0);
  const bool loaded = LoadRace();
  ASSERT_EQ(chdir(here.c_str()), 0);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(LandscapeTextures[4].width, 256) << "the enlarged detail map is the one loaded";
  EXPECT_EQ(LandscapeTextures[4].components, 4);
  EXPECT_FALSE(LandMapsPacked()) << "detail maps of two sizes";
  EXPECT_FALSE(RoadMapsPacked()) << "ground maps of two sizes, an alpha map of another shape";

  racerender::PlaceCameraOnTheGrid(static_cast<float>(kW) / kH);
  const std::vector<uint8_t> other = DrawFrame("ground_maps_other_sizes");
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
  ExpectGroundDrawn(other);
  // A texel repeated reads as the texel wherever the map is not magnified. Beyond that
  // the two races differ by the layouts' rounding alone.
  const Difference d = Compare(shipped, other);
  std::printf("shipped maps against the other sizes: %s\n", Show(d).c_str());
  EXPECT_LE(d.mean, kOtherSizesMean) << Show(d);
  EXPECT_LE(d.moved, kOtherSizesShare) << Show(d);
}

}  // namespace
