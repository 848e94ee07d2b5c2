// The start-up report of graphics links left null: each one named once, and none for a
// link that is set.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "gfx/links.h"

namespace {

std::string Report(int* count) {
  std::FILE* f = std::tmpfile();
  EXPECT_NE(f, nullptr);
  if (!f) return {};
  *count = ReportUnsetGraphicsLinks(f);
  std::rewind(f);
  std::string text;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, f)) text += buffer;
  std::fclose(f);
  return text;
}

int Lines(const std::string& s) {
  int n = 0;
  for (char c : s) n += c == '\n';
  return n;
}

TEST(GraphicsLinks, EveryNullLinkIsNamedAndSetOnesAreNot) {
  const GraphicsLinks saved = GfxLinks;
  GfxLinks = GraphicsLinks();
  int count = -1;
  std::string text = Report(&count);
  EXPECT_EQ(count, 12);
  EXPECT_EQ(Lines(text), 12);
  for (const char* name : {"resetLoadedCars", "loadFPoints", "pendingAntiAliasing", "sunCameraPosition",
                           "sunCameraPoint", "renderCameraPosition", "targetScreen", "currentScreen",
                           "sceneClock", "cameraSpeedFactor", "farDistance", "garageZoom"})
    EXPECT_NE(text.find(std::string("Graphics link ") + name + " is not set"), std::string::npos) << name;

  static float zoom = 2.0f;
  GfxLinks.garageZoom = [] { return zoom; };
  float sun[3] = {};
  GfxLinks.sunCameraPoint = sun;
  text = Report(&count);
  EXPECT_EQ(count, 10);
  EXPECT_EQ(text.find("garageZoom"), std::string::npos);
  EXPECT_EQ(text.find("sunCameraPoint"), std::string::npos);
  EXPECT_EQ(LinkedGarageZoom(), 2.0f);
  GfxLinks = saved;
}

}  // namespace
