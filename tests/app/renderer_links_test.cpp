// The shell's links into the graphics foundation: all set, and each reading its owner's
// value, so the renderer starts from the owners' start values and no copy of them.
#include <gtest/gtest.h>

#include <cstdio>

#include "app/game.h"
#include "frontend/garage_scene.h"
#include "gfx/links.h"
#include "render/camera_state.h"

namespace {

TEST(RendererLinks, TheGameLeavesNoLinkUnsetAndReadsTheOwnersValues) {
  const GraphicsLinks saved = GfxLinks;
  GfxLinks = GraphicsLinks();
  LinkRendererToGame();
  std::FILE* sink = std::tmpfile();
  ASSERT_NE(sink, nullptr);
  EXPECT_EQ(ReportUnsetGraphicsLinks(sink), 0);
  std::fclose(sink);

  // The garage zoom starts where the garage view starts, not at a value of gfx's own.
  EXPECT_EQ(LinkedGarageZoom(), GarageView.nearDistance);
  EXPECT_EQ(LinkedGarageZoom(), 0.0f);
  EXPECT_EQ(LinkedFarDistance(), 15000.0f);
  FarDistance = 800.0f;
  GarageView.nearDistance = 1.25f;
  RenderCamera.speedFactor = 0.5f;
  EXPECT_EQ(LinkedFarDistance(), 800.0f);
  EXPECT_EQ(LinkedGarageZoom(), 1.25f);
  EXPECT_EQ(LinkedCameraSpeedFactor(), 0.5f);
  FarDistance = 15000.0f;
  GarageView.nearDistance = 0.0f;
  RenderCamera.speedFactor = 0.0f;
  GfxLinks = saved;
}

}  // namespace
