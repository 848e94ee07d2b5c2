// The track-map texture read back after drawing a square path, a single waypoint and
// no path; the framing values the selection screens take from it; the shared pass
// framebuffer it borrows; and which path the map holds between the race and the
// front end's preview.
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "gfx/gl_ext.h"
#include "gfx/renderer.h"
#include "race/race_status.h"
#include "race/waypoints.h"
#include "render/race_hud.h"
#include "render/track_map.h"
#include "tests/render/hud_support.h"

namespace {

using hudtest::HudGlTest;

constexpr int kMapEdge = 1024;
// Texels per world unit (1024 x 0.00045).
constexpr double kTexelsPerUnit = 0.4608;

struct Texel {
  uint8_t r, g, b, a;
};

class MapTexels {
 public:
  MapTexels() : texels_(static_cast<size_t>(kMapEdge) * kMapEdge * 4) {
    glBindTexture(GL_TEXTURE_2D, ::Renderer.targets.MapTexture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels_.data());
  }
  Texel At(int x, int y) const {
    EXPECT_TRUE(x >= 0 && x < kMapEdge && y >= 0 && y < kMapEdge) << "texel (" << x << ", " << y << ") off the map";
    if (x < 0 || x >= kMapEdge || y < 0 || y >= kMapEdge) return {0, 0, 0, 0};
    const uint8_t* p = &texels_[4 * (static_cast<size_t>(y) * kMapEdge + x)];
    return {p[0], p[1], p[2], p[3]};
  }
  // At the texel a world point maps to.
  Texel AtWorld(float x, float z, int dx = 0, int dy = 0) const {
    return At(static_cast<int>(std::floor(kMapEdge * MapU(x))) + dx, static_cast<int>(std::floor(kMapEdge * MapV(z))) + dy);
  }
  int Covered() const {
    int n = 0;
    for (size_t i = 3; i < texels_.size(); i += 4) n += texels_[i] != 0 ? 1 : 0;
    return n;
  }
  bool AllZero() const {
    for (uint8_t v : texels_)
      if (v != 0) return false;
    return true;
  }

 private:
  std::vector<uint8_t> texels_;
};

// A square of side 400 around world (100, -200), corners and edge middles, starting
// at its (-100, -400) corner.
std::vector<Waypoint> Square() {
  return {{-100, 0, -400, 0}, {100, 0, -400, 0}, {300, 0, -400, 0}, {300, 0, -200, 0},
          {300, 0, 0, 0},     {100, 0, 0, 0},    {-100, 0, 0, 0},   {-100, 0, -200, 0}};
}

using RaceRenderTrackMap = HudGlTest;

TEST_F(RaceRenderTrackMap, ASquarePathShowsItsDotsAndFramesItsCentre) {
  const std::vector<Waypoint> square = Square();
  RenderTrackMapTexture(square.data(), static_cast<int32_t>(square.size()) - 1);

  // The path's middle maps to texel (605.18, 423.94); its corners lie half a
  // diagonal (200 sqrt 2 units) away.
  EXPECT_NEAR(TrackMapScale, 200.0 * std::sqrt(2.0) * kTexelsPerUnit, 1e-3);
  EXPECT_NEAR(TrackMapOffset[0], (512.0 - 605.184) * 0.2636, 1e-3);
  EXPECT_NEAR(TrackMapOffset[1], (512.0 - 423.936) * 0.2636, 1e-3);

  const MapTexels map;
  for (size_t i = 0; i < square.size(); ++i) {
    const Texel t = map.AtWorld(square[i].x, square[i].z);
    EXPECT_GT(t.a, 100) << "waypoint " << i;
    EXPECT_GT(t.r, 100) << "waypoint " << i;
  }
  // Nothing between the dots, nothing in the middle: the map is transparent there.
  EXPECT_EQ(map.AtWorld(100, -200).a, 0);
  EXPECT_EQ(map.AtWorld(0, -400).a, 0);
  EXPECT_EQ(map.AtWorld(-100, -300).a, 0);
  // The start stands out: a larger dot than any other waypoint's.
  EXPECT_GT(map.AtWorld(-100, -400, 7, 0).a, 0);
  EXPECT_GT(map.AtWorld(-100, -400, 0, -7).a, 0);
  EXPECT_EQ(map.AtWorld(300, -400, 7, 0).a, 0);
  EXPECT_EQ(map.AtWorld(300, 0, 0, -7).a, 0);
  // Eight dots of about 10 x 10 texels and the start's 18 x 18, nothing else.
  EXPECT_GT(map.Covered(), 7 * 40 + 150);
  EXPECT_LT(map.Covered(), 8 * 100 + 18 * 18);
}

TEST_F(RaceRenderTrackMap, OneWaypointGivesScaleZeroAndTheCentreAtIt) {
  const Waypoint one[1] = {{1000, 5, 500, 0}};
  RenderTrackMapTexture(one, 0);
  EXPECT_FLOAT_EQ(TrackMapScale, 0.0f);
  // u = 0.996, v = 0.099: texel (1019.904, 101.376).
  EXPECT_NEAR(TrackMapOffset[0], (512.0 - 1019.904) * 0.2636, 1e-3);
  EXPECT_NEAR(TrackMapOffset[1], (512.0 - 101.376) * 0.2636, 1e-3);
  const MapTexels map;
  EXPECT_GT(map.AtWorld(1000, 500).a, 200) << "the start marker";
  EXPECT_LT(map.Covered(), 18 * 18 + 1);
}

TEST_F(RaceRenderTrackMap, NoWaypointLeavesTheMapEmptyAndTheFramingZero) {
  const std::vector<Waypoint> square = Square();
  RenderTrackMapTexture(square.data(), static_cast<int32_t>(square.size()) - 1);
  ASSERT_GT(TrackMapScale, 0.0f);
  RenderTrackMapTexture(square.data(), -1);
  EXPECT_EQ(TrackMapScale, 0.0f);
  EXPECT_EQ(TrackMapOffset[0], 0.0f);
  EXPECT_EQ(TrackMapOffset[1], 0.0f);
  EXPECT_TRUE(MapTexels().AllZero()) << "the last race's path must not stay on the map";
  RenderTrackMapTexture(nullptr, 3);
  EXPECT_EQ(TrackMapScale, 0.0f);
  EXPECT_TRUE(MapTexels().AllZero());
}

TEST_F(RaceRenderTrackMap, TheSharedFramebufferIsBorrowedWithItsOwnDepthAndLeftBare) {
  const RenderTargets& t = ::Renderer.targets;
  // Another pass left a small depth buffer on the shared framebuffer: drawn with it,
  // the map would end at texel 64 without any GL error.
  GLuint smallDepth = 0;
  GlExt.glGenRenderbuffersEXT(1, &smallDepth);
  GlExt.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, smallDepth);
  GlExt.glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT24, 64, 64);
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, t.PassFramebuffer);
  GlExt.glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT, smallDepth);

  gltest::ColourTarget caller(200, 100);
  caller.Bind();
  glViewport(3, 4, 50, 60);
  const std::vector<Waypoint> square = Square();
  RenderTrackMapTexture(square.data(), static_cast<int32_t>(square.size()) - 1);

  GLint bound = 0, viewport[4] = {};
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
  glGetIntegerv(GL_VIEWPORT, viewport);
  caller.Bind();
  GLint callerName = 0;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &callerName);
  EXPECT_EQ(bound, callerName) << "the caller's framebuffer is bound again";
  EXPECT_EQ(viewport[0], 3);
  EXPECT_EQ(viewport[1], 4);
  EXPECT_EQ(viewport[2], 50);
  EXPECT_EQ(viewport[3], 60);

  const MapTexels map;
  EXPECT_GT(map.AtWorld(300, 0).a, 100) << "drawn past the stale depth buffer's size";
  EXPECT_GT(map.AtWorld(300, -400).a, 100);

  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, t.PassFramebuffer);
  GLint depthName = -1, colourName = -1;
  GlExt.glGetFramebufferAttachmentParameterivEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT,
                                                 GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME_EXT, &depthName);
  GlExt.glGetFramebufferAttachmentParameterivEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT,
                                                 GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME_EXT, &colourName);
  EXPECT_EQ(depthName, 0) << "no depth left for the next pass to inherit";
  EXPECT_EQ(colourName, 0);
  gltest::BindWindowFramebuffer();
  GlExt.glDeleteRenderbuffersEXT(1, &smallDepth);
}

TEST_F(RaceRenderTrackMap, TheHudRedrawsTheRacePathOverAPreviewOncePerRaceLoad) {
  const std::vector<Waypoint> square = Square();
  hudtest::SetPath(square);
  const int32_t load = RaceStatus.RaceLoadCount.load();
  EXPECT_TRUE(TrackMapShowsRaceLoad(load));

  // The front end previews another race while this one loads.
  PreviewWaypointTable[0] = {700, 0, 600, 0};
  PreviewWaypointLastIndex = 0;
  RenderTrackMapTexture(PreviewWaypointTable, PreviewWaypointLastIndex);
  EXPECT_FALSE(TrackMapShowsRaceLoad(load));
  EXPECT_GT(MapTexels().AtWorld(700, 600).a, 0);

  hudtest::DrawHudFrame();
  EXPECT_TRUE(TrackMapShowsRaceLoad(load));
  const MapTexels race;
  EXPECT_EQ(race.AtWorld(700, 600).a, 0);
  EXPECT_GT(race.AtWorld(300, 0).a, 100);

  // The next race load: the HUD's first frame draws the new path, later frames do not.
  RaceStatus.RaceLoadCount.fetch_add(1);
  WaypointTable[0] = {-500, 0, -500, 0};
  WaypointLastIndex = 0;
  hudtest::DrawHudFrame();
  EXPECT_TRUE(TrackMapShowsRaceLoad(load + 1));
  EXPECT_GT(MapTexels().AtWorld(-500, -500).a, 0);
  WaypointTable[0] = {600, 0, 600, 0};
  hudtest::DrawHudFrame();
  EXPECT_EQ(MapTexels().AtWorld(600, 600).a, 0) << "drawn once per race, not every frame";
}

TEST_F(RaceRenderTrackMap, ALastIndexPastTheTablesStopsAtTheirCapacity) {
  for (int i = 0; i < kWaypointCapacity; ++i) PreviewWaypointTable[i] = {static_cast<float>(i % 40) * 20.0f, 0, 0, 0};
  RenderTrackMapTexture(PreviewWaypointTable, kWaypointCapacity + 500);
  // The first 40 points repeat: 1200 points with their mean at x = 390.
  const double centreX = kMapEdge * (0.546 + 0.00045 * 390.0);
  EXPECT_NEAR(TrackMapOffset[0], (512.0 - centreX) * 0.2636, 1e-3);
}

}  // namespace
