// Text in a real GL context with the generated fonts: what PrintText draws spans what
// MeasureText says, alignment puts it where the menus expect, the modelview frame and
// the matrices come back as they were, and a screenshot of both fonts for the eye
// (written to the test's temporary folder; its path is printed).
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "tests/scratch_dir.h"
#include "gfx/font.h"
#include "gfx/image_tga.h"
#include "gfx/text.h"
#include "gfx/texture.h"
#include "gfx/virtual_screen.h"
#include "tests/gfx/gl_fixture.h"

namespace {

constexpr int kW = 512, kH = 128;
// "Kelvamor 0123456789 КМ №" in code page 1251.
constexpr const char* kSample = "Kelvamor 0123456789 \xCA\xCC \xB9";

struct Span {
  int first = -1, last = -1;
  int width() const { return first < 0 ? 0 : last - first + 1; }
};

// Columns holding any pixel brighter than the threshold in the red channel.
Span InkColumns(const std::vector<uint8_t>& px, int w, int h, int threshold = 8) {
  Span s;
  for (int x = 0; x < w; ++x)
    for (int y = 0; y < h; ++y)
      if (px[(static_cast<size_t>(y) * w + x) * 4] > threshold) {
        if (s.first < 0) s.first = x;
        s.last = x;
        break;
      }
  return s;
}

void ModelviewMatrix(float m[16]) { glGetFloatv(GL_MODELVIEW_MATRIX, m); }

void ExpectSameMatrix(const float a[16], const float b[16], const char* what) {
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(a[i], b[i], 1e-3f) << what << " element " << i;
}

class TextTest : public gltest::GlTest {
 protected:
  void SetUp() override {
    gltest::GlTest::SetUp();
    if (IsSkipped()) return;
    if (!TextureTable[8].LoadTGA("base/textures/tex08.tga", kTextureMipmapped) ||
        !TextureTable[0].LoadTGA("base/textures/tex00.tga", kTextureMipmapped))
      GTEST_SKIP() << "base/ not generated here (build the base target)";
    LoadFontWidths("base/font1.ini", 1);
    LoadFontWidths("base/font2.ini", 2);
    if (Font1.listBase == 0) BuildFontLists1();
    if (Font2.listBase == 0) BuildFontLists2();
    target_.reset(new gltest::ColourTarget(kW, kH));
    ASSERT_TRUE(target_->complete());
    target_->Clear(0, 0, 0, 0);
    PixelFrame(kW, kH);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_CULL_FACE);
    TextBackdrop = false;
  }
  void TearDown() override { target_.reset(); }

  // One unit per pixel, origin at the bottom left.
  static void PixelFrame(int w, int h) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, w, 0, h, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
  }

  std::unique_ptr<gltest::ColourTarget> target_;
};

TEST_F(TextTest, DrawnTextSpansItsMeasure) {
  for (int font : {1, 2}) {
    const float size = 1.0f;
    for (const char* text : {"Kelvamor", "WIDE MMM", kSample}) {
      target_->Clear(0, 0, 0, 0);
      PrintText(20.0f, 64.0f, 1, 1.0f, font, size, false, 0, "%s", text);
      const Span s = InkColumns(target_->Read(), kW, kH);
      const float measure = MeasureText(font, size, "%s", text);
      // Each glyph sits in the middle of its advance, so the ink starts half a gap
      // after x and ends half a gap before x + measure.
      EXPECT_NEAR(measure, s.width(), 2.0f) << "font " << font << ": " << text;
      EXPECT_NEAR(20.0f, s.first, 2.0f) << "font " << font << ": " << text;
    }
  }
  EXPECT_EQ(GL_NO_ERROR, gltest::TakeGlError());
}

TEST_F(TextTest, AlignmentEndsOrCentresOnX) {
  const float measure = MeasureText(1, 1.0f, "Kelvamor");
  PrintText(400.0f, 64.0f, 1, 1.0f, 1, 1.0f, false, 2, "Kelvamor");
  Span s = InkColumns(target_->Read(), kW, kH);
  EXPECT_NEAR(400.0f, s.last + 1, 2.0f);
  target_->Clear(0, 0, 0, 0);
  PrintText(256.0f, 64.0f, 1, 1.0f, 1, 1.0f, false, 1, "Kelvamor");
  s = InkColumns(target_->Read(), kW, kH);
  EXPECT_NEAR(256.0f, 0.5f * (s.first + s.last + 1), 1.5f);
  EXPECT_NEAR(measure, s.width(), 2.0f);
  target_->Clear(0, 0, 0, 0);
  PrintText(100.0f, 64.0f, 1, 1.0f, 1, 1.0f, false, 7, "Kelvamor");  // any other: left
  s = InkColumns(target_->Read(), kW, kH);
  EXPECT_NEAR(100.0f, s.first, 2.0f);
}

TEST_F(TextTest, ModelviewFrameComesBackWhateverIsDrawn) {
  glTranslatef(3.0f, 4.0f, 0.0f);
  glRotatef(15.0f, 0, 0, 1);
  float before[16], after[16];
  ModelviewMatrix(before);
  struct Case {
    int font, align;
    float size;
    bool shadow, backdrop;
    const char* text;
  } cases[] = {{1, 0, 1.0f, false, false, "Kelvamor"}, {1, 1, 2.5f, true, true, kSample},
               {2, 2, 0.7f, true, false, kSample},     {2, 1, 1.0f, false, true, ""},
               {1, 2, 0.0f, true, true, "size zero"},  {1, 0, 7.0f, true, false, "3"},
               // A size fading to 0 passes through subnormals, whose inverse is infinite.
               {1, 0, 1e-40f, true, false, "fading"},  {2, 1, -1e-39f, false, true, "fading"},
               {2, 2, 1e-7f, true, false, "nearly gone"}};
  for (const Case& c : cases) {
    TextBackdrop = c.backdrop;
    PrintText(50.0f, 30.0f, 1, 1.0f, c.font, c.size, c.shadow, c.align, "%s", c.text);
    ModelviewMatrix(after);
    ExpectSameMatrix(before, after, c.text);
  }
  TextBackdrop = false;
  for (float v : after) EXPECT_TRUE(std::isfinite(v));
  // What PrintText leaves behind for the next draw.
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  GLfloat colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  for (float v : colour) EXPECT_EQ(1.0f, v);
  EXPECT_EQ(GL_NO_ERROR, gltest::TakeGlError());
}

// The trace sees the formatted text where it lands on the screen, the modelview applied,
// and nothing for a text that is not drawn.
TEST_F(TextTest, TraceReportsTheFormattedTextAtItsScreenPlace) {
  struct Seen {
    std::string text;
    float x, y, alpha, size;
    int colour, font, align;
  };
  static std::vector<Seen> seen;
  seen.clear();
  TextTrace = [](const char* text, float x, float y, int colour, float alpha, int font, float size, int align) {
    seen.push_back({text, x, y, alpha, size, colour, font, align});
  };
  glPushMatrix();
  glTranslatef(-400.0f, -300.0f, 0.0f);
  PrintText(171.0f, 340.0f, 0, 0.5f, 2, 1.25f, false, 1, "%2i Place", 3);
  glPopMatrix();
  PrintText(0.0f, 0.0f, 1, 1.0f, 1, 1.0f, false, 0, nullptr);
  TextTrace = nullptr;
  PrintText(0.0f, 0.0f, 1, 1.0f, 1, 1.0f, false, 0, "untraced");
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].text, " 3 Place");
  EXPECT_FLOAT_EQ(seen[0].x, -229.0f);
  EXPECT_FLOAT_EQ(seen[0].y, 40.0f);
  EXPECT_EQ(seen[0].colour, 0);
  EXPECT_EQ(seen[0].font, 2);
  EXPECT_EQ(seen[0].align, 1);
  EXPECT_FLOAT_EQ(seen[0].alpha, 0.5f);
  EXPECT_FLOAT_EQ(seen[0].size, 1.25f);
}

TEST_F(TextTest, SizeZeroAndNullFormatDrawNothing) {
  PrintText(100.0f, 64.0f, 1, 1.0f, 1, 0.0f, true, 0, "Kelvamor");
  PrintText(100.0f, 64.0f, 1, 1.0f, 1, 1.0f, true, 0, nullptr);
  PrintText(100.0f, 64.0f, 1, 1.0f, 3, 1.0f, true, 0, "no font 3");
  EXPECT_EQ(0, InkColumns(target_->Read(), kW, kH, 0).width());
}

TEST_F(TextTest, BackdropOfEmptyTextIsTheSmallBoxAroundTheAnchor) {
  TextBackdrop = true;
  PrintText(100.0f, 64.0f, 0, 1.0f, 1, 1.0f, false, 0, "%s", "");
  TextBackdrop = false;
  const std::vector<uint8_t> px = target_->Read();
  const Span s = InkColumns(px, kW, kH);
  EXPECT_EQ(98, s.first);  // -w - 2 to w + 3 with w = 0
  EXPECT_EQ(102, s.last);
  // Scheme 0 is dark text, so its box is the light tone.
  EXPECT_NEAR(240, px[(static_cast<size_t>(64) * kW + 100) * 4], 2);
  EXPECT_NEAR(224, px[(static_cast<size_t>(64) * kW + 100) * 4 + 2], 2);
}

TEST_F(TextTest, SchemesColourTheGlyphs) {
  PrintText(20.0f, 64.0f, 3, 1.0f, 1, 2.0f, false, 0, "MMMM");
  const std::vector<uint8_t> px = target_->Read();
  int r = 0, g = 0, b = 0;
  for (size_t i = 0; i < px.size(); i += 4) {
    r = std::max<int>(r, px[i]);
    g = std::max<int>(g, px[i + 1]);
    b = std::max<int>(b, px[i + 2]);
  }
  EXPECT_NEAR(191, r, 3);  // (0.748, 0.935, 0.055) at full coverage
  EXPECT_NEAR(238, g, 3);
  EXPECT_NEAR(14, b, 3);
}

// The shadow lies under the glyphs, 1.5 units right and down whatever the size (font
// 2): every pixel the glyphs cover alone keeps their colour with the shadow drawn, and
// the dark shows past the glyphs' right and lower edges (both judged at half cover).
TEST_F(TextTest, ShadowLiesUnderTheGlyphsRightAndDown) {
  auto draw = [&](bool shadow) {
    target_->Clear(1.0f, 1.0f, 1.0f, 1.0f);
    PrintText(20.0f, 64.0f, 3, 1.0f, 2, 3.0f, shadow, 0, "MMMM");
    return target_->Read();
  };
  const std::vector<uint8_t> plain = draw(false), shadowed = draw(true);
  // The scheme's green (0.748, 0.935, 0.055) over white: blue falls as the cover grows.
  auto ink = [](const uint8_t* p) { return p[1] > 200 && p[2] < 120; };
  // Whole cover over white; over the shadow's black a pixel a shade short of whole
  // loses a little green.
  auto fullInk = [](const uint8_t* p) { return p[1] > 230 && p[2] < 20; };
  auto greenOverDark = [](const uint8_t* p) { return p[1] > 200 && p[0] < 200 && p[2] < 30; };
  auto dark = [](const uint8_t* p) { return p[0] < 120 && p[1] < 120 && p[2] < 120; };
  int covered = 0, keptGreen = 0, inkRight = -1, inkBottom = kH, darkRight = -1, darkBottom = kH;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const size_t i = (static_cast<size_t>(y) * kW + x) * 4;
      if (fullInk(&plain[i])) {
        ++covered;
        if (greenOverDark(&shadowed[i])) ++keptGreen;
      }
      if (ink(&plain[i])) {
        inkRight = std::max(inkRight, x);
        inkBottom = std::min(inkBottom, y);
      }
      if (dark(&shadowed[i])) {
        darkRight = std::max(darkRight, x);
        darkBottom = std::min(darkBottom, y);
      }
    }
  ASSERT_GT(covered, 100) << "no glyph ink";
  ASSERT_GE(darkRight, 0) << "no shadow";
  EXPECT_EQ(covered, keptGreen) << "the glyphs are drawn over their shadow";
  EXPECT_GE(darkRight, inkRight + 1);
  EXPECT_LE(darkBottom, inkBottom - 1);
  EXPECT_EQ(GL_NO_ERROR, gltest::TakeGlError());
}

TEST_F(TextTest, DisplayListTextDrawsInItsOwnFrame) {
  const VirtualScreenFrame saved = VirtualScreen;
  VirtualScreen = VirtualScreenFrame{-kW / 2, kW / 2, -kH / 2, kH / 2};
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(1000.0f, 0, 0);  // ignored: the routine loads its own frame
  float projection[16], modelview[16], after[16];
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  ModelviewMatrix(modelview);
  ListTextColour = 2;  // font 1: (1, 0.75, 0)
  ListTextAlpha = 1.0f;
  PrintTextLists1(-200.0f, 20.0f, 1.0f, 0, "Kelvamor %d", 7);
  PrintTextLists2(-200.0f, -50.0f, 0, "%s", "\xCA\xCC");
  ModelviewMatrix(after);
  ExpectSameMatrix(modelview, after, "modelview");
  glGetFloatv(GL_PROJECTION_MATRIX, after);
  ExpectSameMatrix(projection, after, "projection");
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(GL_MODELVIEW, mode);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  VirtualScreen = saved;

  const std::vector<uint8_t> px = target_->Read();
  const Span s = InkColumns(px, kW, kH);
  // x = -200 of a frame centred on pixel 256; the first glyph starts half its
  // advance in, at the left of its 17-unit quad.
  EXPECT_GE(s.first, 56);
  EXPECT_LT(s.first, 76);
  // Font 1's lists advance width x 15 per glyph.
  float advance = 0.0f;
  for (const char* p = "Kelvamor 7"; *p; ++p) advance += Font1.widths[static_cast<unsigned char>(*p)] * 15.0f;
  EXPECT_GT(s.last, 56 + advance * 0.8f);
  int amber = 0;
  for (size_t i = 0; i < px.size(); i += 4)
    if (px[i] > 200 && px[i + 1] > 140 && px[i + 1] < 200 && px[i + 2] < 20) ++amber;
  EXPECT_GT(amber, 20);
  EXPECT_EQ(GL_NO_ERROR, gltest::TakeGlError());
}

// The widest printable glyph of a font as its loaded width table has it: the largest
// advance makes a wrong per-glyph factor show most.
unsigned char WidestGlyph(const BitmapFont& font) {
  unsigned char widest = 'M';
  for (int c = 33; c < 127; ++c)
    if (font.widths[c] > font.widths[widest]) widest = static_cast<unsigned char>(c);
  return widest;
}

// The display lists advance the pen by width x 15 per glyph for font 1 and width x 27
// for font 2: a row of one glyph ends that much further right for each glyph added.
TEST_F(TextTest, DisplayListTextAdvancesByTheFontsFactor) {
  const VirtualScreenFrame saved = VirtualScreen;
  VirtualScreen = VirtualScreenFrame{0, kW, 0, kH};  // one unit per pixel
  ListTextColour = 0;
  ListTextAlpha = 1.0f;
  const struct {
    int font;
    float factor, quadWidth;
  } fonts[] = {{1, 15.0f, 17.0f}, {2, 27.0f, 60.0f}};
  for (const auto& f : fonts) {
    const BitmapFont& font = f.font == 1 ? Font1 : Font2;
    const unsigned char glyph = WidestGlyph(font);
    const float advance = font.widths[glyph] * f.factor;
    ASSERT_GT(advance, 5.0f) << "font " << f.font << ": no widths loaded";
    const int glyphs = std::min(20, 1 + static_cast<int>((kW - 40.0f - f.quadWidth) / advance));
    ASSERT_GE(glyphs, 4);
    auto draw = [&](int count) {
      target_->Clear(0, 0, 0, 0);
      const std::string text(static_cast<size_t>(count), static_cast<char>(glyph));
      if (f.font == 1) PrintTextLists1(10.0f, 40.0f, 1.0f, 0, "%s", text.c_str());
      else PrintTextLists2(10.0f, 40.0f, 0, "%s", text.c_str());
      return InkColumns(target_->Read(), kW, kH);
    };
    const Span one = draw(1), row = draw(glyphs);
    SCOPED_TRACE(testing::Message() << "font " << f.font << " glyph " << static_cast<int>(glyph) << " x"
                                    << glyphs);
    ASSERT_GT(one.width(), 0);
    EXPECT_EQ(one.first, row.first);
    EXPECT_NEAR(static_cast<float>(row.last - one.last), (glyphs - 1) * advance, 1.5f);
  }
  VirtualScreen = saved;
  EXPECT_EQ(GL_NO_ERROR, gltest::TakeGlError());
}

// The colour schemes of the list routines, per font, judged on the most covered pixel
// over a grey ground (where a glyph covers wholly, its pixel is the scheme's colour);
// a scheme a font lacks keeps the colour set before the call, and the alpha thins
// the ink. The routines leave the colour white.
TEST_F(TextTest, DisplayListTextColourSchemes) {
  const VirtualScreenFrame saved = VirtualScreen;
  VirtualScreen = VirtualScreenFrame{0, kW, 0, kH};
  const float ground = 0.5f;
  const float current[3] = {0.3f, 0.6f, 0.45f};
  const struct {
    int font, scheme;
    float alpha, r, g, b;
  } cases[] = {
      {1, 0, 1.0f, 0.85f, 0.85f, 0.85f}, {1, 1, 1.0f, 0.0f, 0.0f, 0.0f},  {1, 2, 1.0f, 1.0f, 0.75f, 0.0f},
      {1, 3, 1.0f, 0.22f, 0.89f, 1.0f},  {1, 4, 1.0f, current[0], current[1], current[2]},
      {1, -1, 1.0f, current[0], current[1], current[2]},
      {2, 0, 1.0f, 1.0f, 0.75f, 0.0f},   {2, 1, 1.0f, 0.22f, 0.89f, 1.0f}, {2, 2, 1.0f, 0.95f, 0.95f, 0.95f},
      {2, 3, 1.0f, current[0], current[1], current[2]},
      {1, 2, 0.5f, 0.75f, 0.625f, 0.25f},  // half of (1, 0.75, 0) over the grey
      {2, 1, 0.5f, 0.36f, 0.695f, 0.75f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "font " << c.font << " scheme " << c.scheme << " alpha " << c.alpha);
    target_->Clear(ground, ground, ground, 1.0f);
    ListTextColour = c.scheme;
    ListTextAlpha = c.alpha;
    glColor4f(current[0], current[1], current[2], 1.0f);
    // One glyph: neighbours overlap their quads, and ink blended twice is not the
    // scheme's colour at a thinned alpha.
    if (c.font == 1) PrintTextLists1(10.0f, 40.0f, 1.0f, 0, "%s", "M");
    else PrintTextLists2(10.0f, 30.0f, 0, "%s", "M");
    GLfloat after[4];
    glGetFloatv(GL_CURRENT_COLOR, after);
    for (float v : after) EXPECT_EQ(1.0f, v);
    const std::vector<uint8_t> px = target_->Read();
    size_t best = 0;
    int bestDistance = -1;
    for (size_t i = 0; i < px.size(); i += 4) {
      int d = 0;
      for (int k = 0; k < 3; ++k) d += std::abs(px[i + k] - 128);
      if (d > bestDistance) {
        bestDistance = d;
        best = i;
      }
    }
    ASSERT_GT(bestDistance, 20) << "no ink";
    EXPECT_NEAR(px[best], c.r * 255.0f, 4.0f);
    EXPECT_NEAR(px[best + 1], c.g * 255.0f, 4.0f);
    EXPECT_NEAR(px[best + 2], c.b * 255.0f, 4.0f);
  }
  ListTextColour = 0;
  ListTextAlpha = 1.0f;
  VirtualScreen = saved;
  EXPECT_EQ(GL_NO_ERROR, gltest::TakeGlError());
}

TEST_F(TextTest, ScreenshotOfBothFonts) {
  constexpr int w = 800, h = 240;
  gltest::ColourTarget shot(w, h);
  ASSERT_TRUE(shot.complete());
  shot.Clear(0.16f, 0.24f, 0.27f, 1.0f);
  PixelFrame(w, h);
  PrintText(20.0f, 205.0f, 1, 1.0f, 1, 1.0f, true, 0, "%s", kSample);
  PrintText(20.0f, 160.0f, 3, 1.0f, 2, 2.0f, true, 0, "%s", kSample);
  TextBackdrop = true;
  PrintText(400.0f, 120.0f, 0, 1.0f, 1, 0.8f, false, 1, "%s", kSample);
  TextBackdrop = false;
  const VirtualScreenFrame saved = VirtualScreen;
  VirtualScreen = VirtualScreenFrame{0, w, 0, h};
  ListTextColour = 0;
  PrintTextLists1(20.0f, 65.0f, 1.0f, 0, "%s", kSample);
  PrintTextLists2(20.0f, 5.0f, 0, "%s", kSample);
  VirtualScreen = saved;
  std::vector<uint8_t> px = shot.Read();
  for (size_t i = 3; i < px.size(); i += 4) px[i] = 255;
  std::vector<uint8_t> file;
  ASSERT_TRUE(EncodeTGA(w, h, 4, px.data(), &file));
  const std::string path = testscratch::ScratchPath("gfx_fonts_screenshot.tga");
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(nullptr, f);
  std::fwrite(file.data(), 1, file.size(), f);
  std::fclose(f);
  std::printf("font screenshot: %s\n", path.c_str());
  EXPECT_GT(InkColumns(px, w, h, 120).width(), 400);
}

}  // namespace
