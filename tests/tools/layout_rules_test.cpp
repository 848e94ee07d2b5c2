// The layout check's rules on hand-made frames: each rule finds what it is for and
// leaves alone what a readable screen does on purpose.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tools/layout_check/layout_rules.h"

namespace {

using layout::FrameTrace;
using layout::Quad;
using layout::QuadItem;
using layout::TextItem;

Quad Rect(float x0, float y0, float x1, float y1) {
  Quad q;
  q.c[0] = {x0, y0};
  q.c[1] = {x1, y0};
  q.c[2] = {x1, y1};
  q.c[3] = {x0, y1};
  return q;
}

TextItem Text(const char* s, float x0, float y0, float x1, float y1, int owner = 0, int order = 0) {
  TextItem t;
  t.text = s;
  t.box = Rect(x0, y0, x1, y1);
  t.owner = owner;
  t.order = order;
  return t;
}

QuadItem Picture(int texture, float x0, float y0, float x1, float y1, int owner = 0, int order = 0) {
  QuadItem q;
  q.box = Rect(x0, y0, x1, y1);
  q.uv[0] = {0, 0};
  q.uv[1] = {1, 0};
  q.uv[2] = {1, 1};
  q.uv[3] = {0, 1};
  q.texture = texture;
  q.owner = owner;
  q.order = order;
  return q;
}

// Opaque on the left half of every texture, clear on the right.
float LeftHalfOpaque(int, float u, float) { return u < 0.5f ? 1.0f : 0.0f; }

std::vector<std::string> Check(const FrameTrace& f) { return layout::CheckLayout(f, LeftHalfOpaque, layout::Bounds()); }

TEST(LayoutRules, TextsOfDifferentWidgetsMayNotOverlap) {
  FrameTrace f;
  f.texts = {Text("Brake/Reverse", -271, 24, -113, 42), Text("down arrow", -185, 24, -60, 42)};
  ASSERT_EQ(Check(f).size(), 1u);
  EXPECT_NE(Check(f)[0].find("Brake/Reverse"), std::string::npos);
  // Touching end to end they read as one text; a small gap apart they read as two.
  f.texts[1] = Text("down arrow", -112, 24, -60, 42);
  EXPECT_EQ(Check(f).size(), 1u);
  f.texts[1] = Text("down arrow", -110, 24, -60, 42);
  EXPECT_TRUE(Check(f).empty());
  // A long name running ten units into the time after it (the ends are what overlap).
  f.texts = {Text("Truck-433360", -127, -11, 70, 21), Text("88:58.88", 60, -8, 135, 18)};
  EXPECT_EQ(Check(f).size(), 1u);
  // Rows one above the other do not touch.
  f.texts = {Text("Clutch", -271, 0, -200, 18), Text("Handbrake", -271, -25, -180, -7)};
  EXPECT_TRUE(Check(f).empty());
  // One widget's own texts are its business.
  f.texts = {Text("a", 0, 0, 50, 20, 1001), Text("b", 10, 0, 60, 20, 1001)};
  EXPECT_TRUE(Check(f).empty());
  // A faded-out text is not read.
  f.texts = {Text("a", 0, 0, 50, 20), Text("b", 10, 0, 60, 20)};
  f.texts[1].alpha = 0.0f;
  EXPECT_TRUE(Check(f).empty());
}

TEST(LayoutRules, TextsOnOneLineKeepAWordSpaceApart) {
  // A results row: the lorry's name (size 1.25, its word space 6.25) ending `end`,
  // its race time (size 1, space 5) from 60.
  auto row = [](float end) {
    FrameTrace f;
    f.texts = {Text("Truck-433360 No2", -127, -11, end, 21), Text("88:58.88", 60, -8, 131, 18)};
    f.texts[0].space = 6.25f;
    f.texts[1].space = 5.0f;
    return f;
  };
  // 3.9 units apart, less than the space inside the name: one phrase.
  FrameTrace f = row(56.1f);
  std::vector<std::string> found = Check(f);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_NE(found[0].find("texts run together"), std::string::npos) << found[0];
  // The wider of the two spaces counts, whichever text is drawn first.
  f = row(54.0f);
  EXPECT_EQ(Check(f).size(), 1u);
  std::swap(f.texts[0], f.texts[1]);
  EXPECT_EQ(Check(f).size(), 1u);
  EXPECT_TRUE(Check(row(53.5f)).empty());
  // An item bar's neighbours exactly a word space apart are two items; half a unit
  // closer they run together.
  f.texts = {Text("CAREER", 80, 184, 140, 208), Text("QUICK START", 145, 184, 247, 208)};
  f.texts[0].space = f.texts[1].space = 5.0f;
  EXPECT_TRUE(Check(f).empty());
  f.texts[1].box = Rect(144.5f, 184, 247, 208);
  EXPECT_EQ(Check(f).size(), 1u);
}

TEST(LayoutRules, ATextOnlyLiesOnItsOwnPicture) {
  FrameTrace f;
  f.quads = {Picture(16, 0, 0, 200, 100, 0, 0)};
  f.texts = {Text("Gear Up", 10, 40, 80, 60, 0, 1)};
  ASSERT_EQ(Check(f).size(), 1u);
  EXPECT_NE(Check(f)[0].find("text on a picture"), std::string::npos);
  // Over the picture's clear half it reads on the panel.
  f.texts[0] = Text("Gear Up", 110, 40, 190, 60, 0, 1);
  EXPECT_TRUE(Check(f).empty());
  // Drawn after the text, the picture hides it.
  f.texts[0] = Text("START", 10, 40, 80, 60, 0, 0);
  f.quads[0].order = 1;
  f.quads[0].texture = 18;
  ASSERT_EQ(Check(f).size(), 1u);
  EXPECT_NE(Check(f)[0].find("hidden by"), std::string::npos);
  // A button's label on its own plate is where it belongs; on another button's it is not.
  f.quads = {Picture(22, 0, 0, 200, 100, 1002, 0)};
  f.texts = {Text("BUY", 10, 40, 80, 60, 1002, 1)};
  EXPECT_TRUE(Check(f).empty());
  f.texts[0].owner = 1003;
  EXPECT_EQ(Check(f).size(), 1u);
  // Flat quads and selection bands are surfaces, not pictures.
  f.quads = {Picture(35, 0, 0, 200, 100, 0, 0), Picture(-1, 0, 0, 200, 100, 0, 0)};
  f.texts = {Text("Clutch", 10, 40, 80, 60, 0, 2)};
  EXPECT_TRUE(Check(f).empty());
}

TEST(LayoutRules, TextsStayInsideTheirPanelAndTheScreen) {
  FrameTrace f;
  f.quads = {Picture(-1, -280, -157, 280, 157), Picture(-1, -280, -205, 280, -157)};
  f.texts = {Text("inside", -270, -170, 270, -150)};
  EXPECT_TRUE(Check(f).empty()) << "across the panel's two parts is inside it";
  f.texts = {Text("CONTROLS", -286, 122, -154, 146)};
  ASSERT_EQ(Check(f).size(), 1u);
  EXPECT_NE(Check(f)[0].find("panel's edge"), std::string::npos);
  f.texts = {Text("Keyboard", 320, 250, 420, 270)};
  ASSERT_EQ(Check(f).size(), 1u);
  EXPECT_NE(Check(f)[0].find("screen's edge"), std::string::npos);
}

TEST(LayoutRules, ButtonsMayNotOverlapWhereTheyAreDrawn) {
  FrameTrace f;
  // Opaque left halves 0..70 and 40..110 across: they overlap.
  f.quads = {Picture(17, 0, 0, 140, 140, 1000), Picture(17, 40, 25, 180, 165, 1001)};
  ASSERT_EQ(Check(f).size(), 1u);
  EXPECT_NE(Check(f)[0].find("buttons overlap"), std::string::npos);
  // Their boxes overlap but their drawn halves do not.
  f.quads[1] = Picture(17, 75, 25, 215, 165, 1001);
  EXPECT_TRUE(Check(f).empty());
  // One button's plate over its own backing is one button.
  f.quads = {Picture(17, 0, 0, 140, 140, 1000), Picture(22, 0, 0, 90, 45, 1000)};
  EXPECT_TRUE(Check(f).empty());
}

TEST(LayoutRules, ContrastIsReadOnTheSurfaceUnderTheText) {
  EXPECT_NEAR(layout::ContrastRatio(layout::Luminance(1, 1, 1), layout::Luminance(0, 0, 0)), 21.0f, 0.01f);
  EXPECT_NEAR(layout::ContrastRatio(layout::Luminance(0.5f, 0.5f, 0.5f), layout::Luminance(1, 1, 1)), 3.98f, 0.02f);

  // 100 x 100 pixels over the default 800 x 600 screen: the left half black, the right
  // half light.
  std::vector<uint8_t> rgba(100 * 100 * 4);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x)
      for (int c = 0; c < 3; ++c) rgba[4 * (y * 100 + x) + c] = x < 50 ? 0 : 235;
  const layout::Surface surface{100, 100, rgba.data()};
  FrameTrace f;
  f.texts = {Text("dark on black", -300, 0, -100, 20), Text("dark on light", 100, 0, 300, 20)};
  f.texts[0].colour = f.texts[1].colour = 0;
  auto found = layout::CheckContrast(f, surface, layout::Bounds(), LeftHalfOpaque, nullptr);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_NE(found[0].find("dark on black"), std::string::npos);
  // The light scheme the other way round.
  f.texts[0].colour = f.texts[1].colour = 1;
  found = layout::CheckContrast(f, surface, layout::Bounds(), LeftHalfOpaque, nullptr);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_NE(found[0].find("dark on light"), std::string::npos);
  // A text across both halves is unreadable over much of its box.
  f.texts = {Text("across", -100, 0, 100, 20)};
  f.texts[0].colour = 0;
  EXPECT_EQ(layout::CheckContrast(f, surface, layout::Bounds(), LeftHalfOpaque, nullptr).size(), 1u);
}

TEST(LayoutRules, ContrastTheLayoutsOwnColoursDenyIsNamedApart) {
  // A light text on the light panel box (as the page draws it) with nothing of ours
  // between: listed apart. With a dark picture of ours under it: a finding.
  std::vector<uint8_t> rgba(100 * 100 * 4, 235);
  const layout::Surface surface{100, 100, rgba.data()};
  FrameTrace f;
  QuadItem panel = Picture(-1, -280, -157, 280, 157, 0, 0);
  for (float& c : panel.rgb) c = 0.94f;
  panel.alpha = 0.8f;
  f.quads = {panel};
  f.texts = {Text("FINAL", -100, 0, 0, 20, 0, 2)};
  f.texts[0].colour = 1;
  std::vector<std::string> fixed;
  EXPECT_TRUE(layout::CheckContrast(f, surface, layout::Bounds(), LeftHalfOpaque, &fixed).empty());
  ASSERT_EQ(fixed.size(), 1u);
  // The note names the pair of colours that denies the contrast, and their ratio.
  EXPECT_NE(fixed[0].find("text (0.94, 0.92, 0.88) on the page's box (0.94, 0.94, 0.94, alpha 0.80): 1.0"),
            std::string::npos)
      << fixed[0];
  f.quads.push_back(Picture(16, -120, -20, 20, 40, 0, 1));
  fixed.clear();
  EXPECT_EQ(layout::CheckContrast(f, surface, layout::Bounds(), LeftHalfOpaque, &fixed).size(), 1u);
  EXPECT_TRUE(fixed.empty());
  // A dark text there is no conflict of colours at all: on this light surface it passes.
  f.texts[0].colour = 0;
  EXPECT_TRUE(layout::CheckContrast(f, surface, layout::Bounds(), LeftHalfOpaque, &fixed).empty());
}

}  // namespace
