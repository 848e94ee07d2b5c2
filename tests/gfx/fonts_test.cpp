// Font width files and text measuring, without a GL context: the width format as the
// game reads it, and the widths the content generator measured from its atlases.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "tests/scratch_dir.h"
#include "gfx/font.h"
#include "gfx/image_tga.h"
#include "gfx/text.h"

namespace {

// A width by character: the table is indexed by the unsigned code.
float& Width(BitmapFont& font, unsigned char code) { return font.widths[code]; }

std::string WriteTemp(const std::string& name, const std::string& text) {
  const std::string path = testscratch::ScratchPath(name);
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
  return path;
}

bool ReadWidthsFrom(const std::string& path, float widths[kFontGlyphs]) {
  FILE* f = std::fopen(path.c_str(), "r");
  const bool ok = ReadFontWidths(f, widths);
  if (f) std::fclose(f);
  return ok;
}

// Loads the generated width files into both fonts, or says why it cannot.
bool LoadGeneratedWidths() {
  FILE* f1 = std::fopen("base/font1.ini", "r");
  FILE* f2 = std::fopen("base/font2.ini", "r");
  const bool present = f1 && f2;
  if (f1) std::fclose(f1);
  if (f2) std::fclose(f2);
  if (!present) return false;
  LoadFontWidths("base/font1.ini", 1);
  LoadFontWidths("base/font2.ini", 2);
  return true;
}

TEST(FontWidthFile, SecondLineOfEachPairHoldsTheWidth) {
  std::string text;
  for (int c = 0; c < kFontGlyphs; ++c) {
    text += "99.0 ignored\n";  // the first line never counts, number or not
    if (c == 1) text += "abc\n";          // no number: 0
    else if (c == 2) text += "1.5xyz\n";  // leading number only
    else if (c == 3) text += "  -0.25\r\n";
    else text += std::to_string(c * 0.01) + "\n";
  }
  float w[kFontGlyphs];
  ASSERT_TRUE(ReadWidthsFrom(WriteTemp("gfx_widths.ini", text), w));
  EXPECT_FLOAT_EQ(0.0f, w[0]);
  EXPECT_FLOAT_EQ(0.0f, w[1]);
  EXPECT_FLOAT_EQ(1.5f, w[2]);
  EXPECT_FLOAT_EQ(-0.25f, w[3]);
  EXPECT_FLOAT_EQ(2.55f, w[255]);
}

TEST(FontWidthFile, ShortFileZeroesTheRestAndLongLinesKeepThePairsInStep) {
  std::string text = "a\n0.5\n";
  text += std::string(300, 'x') + "\n0.75\n";  // an over-long first line
  text += "c\n0.125" + std::string(200, ' ') + "9\n";  // an over-long width line
  text += "d\n";                                   // a pair cut in half
  float w[kFontGlyphs];
  for (float& v : w) v = 9.0f;
  ASSERT_TRUE(ReadWidthsFrom(WriteTemp("gfx_short.ini", text), w));
  EXPECT_FLOAT_EQ(0.5f, w[0]);
  EXPECT_FLOAT_EQ(0.75f, w[1]);
  EXPECT_FLOAT_EQ(0.125f, w[2]);
  EXPECT_FLOAT_EQ(0.0f, w[3]);
  EXPECT_FLOAT_EQ(0.0f, w[255]);
}

TEST(FontWidthFile, WidthsThatAreNoNumberReadAsZero) {
  std::string text;
  const char* values[] = {"nan", "-inf", "inf", "1e39", "-1e400", "0.5"};
  for (int c = 0; c < kFontGlyphs; ++c) text += std::string("x\n") + values[c % 6] + "\n";
  float w[kFontGlyphs];
  ASSERT_TRUE(ReadWidthsFrom(WriteTemp("gfx_nonfinite.ini", text), w));
  for (int c = 0; c < kFontGlyphs; ++c) {
    ASSERT_TRUE(std::isfinite(w[c])) << "code " << c;
    EXPECT_FLOAT_EQ(c % 6 == 5 ? 0.5f : 0.0f, w[c]) << "code " << c;
  }
  // Loaded into a font, text over those codes measures as the one real width alone.
  float kept[kFontGlyphs];
  std::copy(Font1.widths, Font1.widths + kFontGlyphs, kept);
  LoadFontWidths(WriteTemp("gfx_nonfinite_font.ini", text).c_str(), 1);
  const float all = MeasureText(1, 1.0f, "\x06\x07\x08\x09\x0a\x0b");
  EXPECT_TRUE(std::isfinite(all));
  EXPECT_FLOAT_EQ(MeasureText(1, 1.0f, "\x0b"), all);
  EXPECT_GT(all, 0.0f);
  std::copy(kept, kept + kFontGlyphs, Font1.widths);
}

// A finite width far past any glyph's still breaks the text: 3e38 times the font's
// step is infinite, and 1e30 moves the pen so far that stepping back loses every
// digit of where it was.
TEST(FontWidthFile, WidthsWiderThanTheAtlasReadAsZero) {
  std::string text;
  const char* values[] = {"3e38", "-3e38", "1e30", "16.5", "-17", "16", "-16", "1.25"};
  for (int c = 0; c < kFontGlyphs; ++c) text += std::string("x\n") + values[c % 8] + "\n";
  float w[kFontGlyphs];
  ASSERT_TRUE(ReadWidthsFrom(WriteTemp("gfx_huge.ini", text), w));
  const float expected[] = {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 16.0f, -16.0f, 1.25f};
  for (int c = 0; c < kFontGlyphs; ++c) EXPECT_FLOAT_EQ(expected[c % 8], w[c]) << "code " << c;
  // Text over every code of the file measures finite at any size the screens use.
  float kept[kFontGlyphs];
  std::copy(Font2.widths, Font2.widths + kFontGlyphs, kept);
  LoadFontWidths(WriteTemp("gfx_huge_font.ini", text).c_str(), 2);
  EXPECT_TRUE(std::isfinite(MeasureText(2, 4.0f, "\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f")));
  EXPECT_FLOAT_EQ(MeasureText(2, 1.0f, "\x0f"), MeasureText(2, 1.0f, "\x08\x09\x0a\x0b\x0c\x0f"));
  std::copy(kept, kept + kFontGlyphs, Font2.widths);
}

TEST(FontWidthFile, MissingFileKeepsTheWidths) {
  Width(Font2, 'A') = 0.625f;
  LoadFontWidths("no/such/font.ini", 2);
  EXPECT_EQ(0.625f, Width(Font2, 'A'));
  LoadFontWidths("no/such/font.ini", 3);  // no such font either: nothing happens
  EXPECT_EQ(nullptr, FontByNumber(3));
}

TEST(FontAtlas, CellsRunFromTheTopRowDown) {
  const GlyphCell first = GlyphCellOf(0);
  EXPECT_FLOAT_EQ(0.0f, first.u);
  EXPECT_FLOAT_EQ(15.0f / 16.0f, first.bottom);
  EXPECT_FLOAT_EQ(1.0f, first.top);
  const GlyphCell be = GlyphCellOf(0xC1);  // column 1 of row 12
  EXPECT_FLOAT_EQ(1.0f / 16.0f, be.u);
  EXPECT_FLOAT_EQ(1.0f - 12.0f / 16.0f - 1.0f / 16.0f, be.bottom);
  EXPECT_FLOAT_EQ(1.0f - 12.0f / 16.0f, be.top);
  EXPECT_FLOAT_EQ(0.0f, GlyphCellOf(255).bottom);
}

// How wide a glyph's ink is at its narrower end, top or bottom (the two pixel rows at
// each end of its ink box), as a share of the box's width; -1 when the cell is empty.
float NarrowEndShare(const TgaImage& atlas, unsigned char code) {
  const GlyphCell cell = GlyphCellOf(code);
  const int x0 = static_cast<int>(std::lround(cell.u * atlas.width));
  const int y0 = static_cast<int>(std::lround(cell.bottom * atlas.height));
  const int side = atlas.width / 16;
  auto ink = [&](int x, int y) { return atlas.pixels[(static_cast<size_t>(y0 + y) * atlas.width + x0 + x) * 4 + 3] > 127; };
  int left = side, right = -1, low = side, high = -1;
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x)
      if (ink(x, y)) {
        left = std::min(left, x), right = std::max(right, x);
        low = std::min(low, y), high = std::max(high, y);
      }
  if (right < 0) return -1.0f;
  auto extent = [&](int fromRow, int toRow) {
    int l = side, r = -1;
    for (int y = fromRow; y <= toRow; ++y)
      for (int x = 0; x < side; ++x)
        if (ink(x, y)) l = std::min(l, x), r = std::max(r, x);
    return r < 0 ? 0 : r - l + 1;
  };
  const int ends = std::min(extent(low, low + 1), extent(high - 1, high));
  return static_cast<float>(ends) / static_cast<float>(right - left + 1);
}

// A W that narrows to a point at its foot reads as V beside one on the controls page
// ("2 Gear W", "Look Back V"): its feet stand apart, in both fonts.
TEST(FontAtlas, WStandsOnTwoFeetAndVOnOne) {
  for (const char* path : {"base/textures/tex08.tga", "base/textures/tex00.tga"}) {
    SCOPED_TRACE(path);
    TgaImage atlas;
    if (ReadTGAFile(path, &atlas) != TgaResult::kOk) GTEST_SKIP() << "base/ not generated here (build the base target)";
    ASSERT_EQ(atlas.components, 4);
    ASSERT_EQ(atlas.width, atlas.height);
    const float v = NarrowEndShare(atlas, 'V');
    const float w = NarrowEndShare(atlas, 'W');
    EXPECT_GT(v, 0.0f);
    EXPECT_LT(v, 0.5f) << "V narrows to one foot";
    EXPECT_GT(w, 0.85f) << "W's feet at both sides";
  }
}

TEST(MeasureText, GeneratedWidthsCoverTheGamesCharacters) {
  if (!LoadGeneratedWidths()) GTEST_SKIP() << "base/ not generated here (build the base target)";
  for (BitmapFont* f : {&Font1, &Font2}) {
    for (int c = 33; c <= 126; ++c) EXPECT_GT(f->widths[c], 0.0f) << "code " << c;
    for (int c = 0xC0; c <= 0xFF; ++c) EXPECT_GT(f->widths[c], 0.0f) << "code " << c;
    EXPECT_GT(f->widths[0xB9], 0.0f);
    EXPECT_GT(Width(*f, ' '), 0.0f);
    // Wide letters are wider than narrow ones; the widths came from the ink.
    EXPECT_GT(Width(*f, 'M'), Width(*f, 'i'));
    EXPECT_GT(f->widths[0xD8], Width(*f, '1'));  // Ш
  }
}

TEST(MeasureText, SumsWidthsTimesTheFontsFactor) {
  if (!LoadGeneratedWidths()) GTEST_SKIP() << "base/ not generated here (build the base target)";
  const char* word = "Kelvamor 42";
  float sum1 = 0.0f, sum2 = 0.0f;
  const float f1 = 1.5f * 20.5f, f2 = 1.5f * 8.9f;
  for (const char* p = word; *p; ++p) {
    sum1 += Font1.widths[static_cast<unsigned char>(*p)] * f1;
    sum2 += Font2.widths[static_cast<unsigned char>(*p)] * f2;
  }
  EXPECT_FLOAT_EQ(sum1, MeasureText(1, 1.5f, "%s %d", "Kelvamor", 42));
  EXPECT_FLOAT_EQ(sum2, MeasureText(2, 1.5f, "Kelvamor 42"));
  EXPECT_FLOAT_EQ(2.0f * MeasureText(1, 1.0f, "Kelvamor"), MeasureText(1, 2.0f, "Kelvamor"));
  EXPECT_EQ(0.0f, MeasureText(1, 1.0f, nullptr));
  EXPECT_EQ(0.0f, MeasureText(1, 1.0f, "%s", ""));
  EXPECT_EQ(0.0f, MeasureText(1, 0.0f, "Kelvamor"));
}

TEST(MeasureText, HighCodesIndexAsUnsignedAndLongTextIsCut) {
  if (!LoadGeneratedWidths()) GTEST_SKIP() << "base/ not generated here (build the base target)";
  // "КМ №" in code page 1251.
  const float expected =
      (Font1.widths[0xCA] + Font1.widths[0xCC] + Width(Font1, ' ') + Font1.widths[0xB9]) * 20.5f;
  EXPECT_FLOAT_EQ(expected, MeasureText(1, 1.0f, "\xCA\xCC \xB9"));
  // The formatted text stops at 255 characters.
  const std::string longText(400, 'W');
  EXPECT_FLOAT_EQ(MeasureText(1, 1.0f, "%s", std::string(255, 'W').c_str()),
                  MeasureText(1, 1.0f, "%s", longText.c_str()));
}

}  // namespace
