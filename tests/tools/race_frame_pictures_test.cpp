// The race frame check's judgements on pictures made here, where the right answer is
// known: the sky band, the spread of light, the ground without sky, the corners a pass
// must reach, the HUD's difference with the 16:9 screen's edge across the mini-map,
// where world points land, and the PNG files the check reads back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "tests/scratch_dir.h"
#include "tools/race_frame/picture_checks.h"
#include "tools/race_frame/png_file.h"

namespace {

Picture Flat(int w, int h, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
  Picture p;
  p.width = w;
  p.height = h;
  p.rgba.resize(static_cast<size_t>(w) * h * 4);
  for (size_t i = 0; i < p.rgba.size(); i += 4) {
    p.rgba[i] = r;
    p.rgba[i + 1] = g;
    p.rgba[i + 2] = b;
    p.rgba[i + 3] = a;
  }
  return p;
}

void Paint(Picture* p, int x0, int y0, int x1, int y1, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      uint8_t* px = &p->rgba[4 * (static_cast<size_t>(y) * p->width + x)];
      px[0] = r;
      px[1] = g;
      px[2] = b;
      px[3] = a;
    }
}

// A race picture in miniature: green ground below, blue sky above (rows from the bottom).
Picture Landscape(int w, int h, int horizon) {
  Picture p = Flat(w, h, 60, 120, 40);
  Paint(&p, 0, horizon, w, h, 110, 150, 220);
  return p;
}

TEST(RaceFramePictures, TheSkyIsBrightAndBlueAboveAndAbsentBelow) {
  const Picture p = Landscape(200, 100, 60);
  const MeanRgb top = MeanColour(p, TopRows(p, 0.05));
  EXPECT_TRUE(SkyColour(top.r, top.g, top.b));
  EXPECT_EQ(SkyLikeShare(p, BottomRows(p, 0.4)), 0.0);
  EXPECT_FALSE(SkyColour(60, 120, 40)) << "grass";
  EXPECT_FALSE(SkyColour(100, 100, 124)) << "dull: not brighter than 120";
  EXPECT_FALSE(SkyColour(180, 180, 200)) << "bright haze: blue only 20 over red";
  EXPECT_FALSE(SkyColour(41, 61, 69)) << "the layers' clear colour";

  // A horizon too low: sky fills a quarter of the bottom 40%.
  const Picture low = Landscape(200, 100, 30);
  EXPECT_NEAR(SkyLikeShare(low, BottomRows(low, 0.4)), 0.25, 1e-9);
  EXPECT_EQ(TopRows(low, 0.05).y0, 95);
  EXPECT_EQ(BottomRows(low, 0.4).y1, 40);
}

TEST(RaceFramePictures, SpreadIsTheLuminancesStandardDeviation) {
  EXPECT_EQ(LuminanceSpread(Flat(64, 64, 41, 61, 69)), 0.0) << "a frame of one colour";
  Picture halves = Flat(64, 64, 0, 0, 0);
  Paint(&halves, 0, 0, 64, 32, 100, 100, 100);
  EXPECT_NEAR(LuminanceSpread(halves), 50.0, 1e-6);
  Picture specks = Flat(100, 100, 128, 128, 128);
  Paint(&specks, 0, 0, 10, 1, 138, 138, 138);  // ten pixels of 10,000
  EXPECT_LT(LuminanceSpread(specks), 10.0) << "a few specks are no picture";
}

TEST(RaceFramePictures, AnUntouchedCornerIsNamed) {
  const uint8_t sentinel[4] = {255, 0, 255, 255};
  Picture p = Flat(100, 80, 255, 0, 255);
  Paint(&p, 0, 0, 100, 80, 90, 120, 60);
  EXPECT_EQ(UntouchedCorner(p, sentinel, 0, 4), kNoCorner);
  // A pass clipped short of the top leaves the sentinel in its last rows.
  Paint(&p, 0, 0, 100, 80, 255, 0, 255);
  Paint(&p, 0, 0, 100, 76, 90, 120, 60);
  EXPECT_EQ(UntouchedCorner(p, sentinel, 0, 4), kTopLeft) << "rows 76-79 untouched";
  // Three columns short of the right edge are not a 4-pixel block.
  Paint(&p, 0, 0, 97, 80, 90, 120, 60);
  EXPECT_EQ(UntouchedCorner(p, sentinel, 0, 4), kNoCorner);
  Paint(&p, 90, 0, 100, 10, 255, 0, 255);
  EXPECT_EQ(UntouchedCorner(p, sentinel, 0, 4), kBottomRight);
  EXPECT_STREQ(CornerName(kBottomRight), "bottom right");
  // The frame's own clear (alpha 0) is untouched too, within the tolerance.
  const uint8_t clear[4] = {191, 191, 191, 0};
  Picture cleared = Flat(40, 40, 192, 190, 191, 0);
  EXPECT_EQ(UntouchedCorner(cleared, clear, 2, 4), kBottomLeft);
  Paint(&cleared, 0, 0, 40, 40, 192, 190, 191, 255);
  EXPECT_EQ(UntouchedCorner(cleared, clear, 2, 4), kNoCorner) << "drawn opaque in the same colour";
}

TEST(RaceFramePictures, VirtualUnitsMapToPixelsAndBoxesClipAtTheEdge) {
  VirtualFrame wide;  // 1920 x 1080: 800 units across, 450 high
  wide.bottom = -225.0f;
  wide.top = 225.0f;
  float x, y;
  VirtualToPixel(wide, 1920, 1080, 0.0f, 0.0f, &x, &y);
  EXPECT_FLOAT_EQ(x, 960.0f);
  EXPECT_FLOAT_EQ(y, 540.0f);
  VirtualToPixel(wide, 1920, 1080, -400.0f, 225.0f, &x, &y);
  EXPECT_FLOAT_EQ(x, 0.0f);
  EXPECT_FLOAT_EQ(y, 1080.0f);
  // The mini-map's box reaches 25 units below the screen's bottom edge.
  const PictureRect disc = VirtualBox(wide, 1920, 1080, -285.0f, -150.0f, 100.0f, 100.0f);
  EXPECT_EQ(disc.y0, 0);
  EXPECT_EQ(disc.y1, 420);
  EXPECT_EQ(disc.x0, 36);
  EXPECT_EQ(disc.x1, 516);
}

TEST(RaceFramePictures, TheHudsDifferenceCountsOnlyWhatIsOnScreen) {
  const Picture without = Flat(1920, 1080, 90, 120, 60);
  Picture with = without;
  // The mini-map at 1920 x 1080: 240 pixels' radius, its centre 180 pixels above the
  // bottom edge, so its lowest 60 pixels (25 units) lie below the screen. The part on
  // screen is drawn.
  const float cx = 276.0f, cy = 180.0f, r = 240.0f;
  for (int y = 0; y < 1080; ++y)
    for (int x = 0; x < 1920; ++x) {
      const float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
      if (dx * dx + dy * dy <= r * r) Paint(&with, x, y, x + 1, y + 1, 20, 20, 20);
    }
  EXPECT_NEAR(DifferingShareInDisc(with, without, cx, cy, r, 8), 1.0, 1e-9) << "the clipped part does not count";
  const double visible = DiscPixelsInside(with, cx, cy, r) / (3.14159265 * r * r);
  EXPECT_GT(visible, 0.92);
  EXPECT_LT(visible, 0.935) << "a segment 60 high of a disc of radius 240 is 7.2% of it";
  // Half the disc drawn: half differs.
  Picture half = without;
  Paint(&half, 0, 0, static_cast<int>(cx), 1080, 20, 20, 20);
  EXPECT_NEAR(DifferingShareInDisc(half, without, cx, cy, r, 8), 0.5, 0.01);
  EXPECT_EQ(DifferingShareInDisc(with, Flat(10, 10, 0, 0, 0), cx, cy, r, 8), 0.0) << "pictures of two sizes";

  // The dial's box: a difference within the threshold is rounding, not drawing.
  Picture faint = without;
  Paint(&faint, 0, 0, 1920, 1080, 95, 125, 65);
  const PictureRect box{1400, 0, 1700, 300};
  EXPECT_EQ(DifferingShare(faint, without, box, 8), 0.0);
  Paint(&faint, 1400, 0, 1550, 300, 200, 200, 200);
  EXPECT_NEAR(DifferingShare(faint, without, box, 8), 0.5, 1e-9);
}

TEST(RaceFramePictures, ChangedPixelsGiveTheirShareAndCentre) {
  const Picture before = Flat(100, 100, 30, 30, 30);
  Picture after = before;
  Paint(&after, 40, 60, 50, 80, 250, 250, 250);
  const Change c = ChangedPixels(before, after, {20, 40, 70, 90}, 8);
  EXPECT_NEAR(c.share, 200.0 / 2500.0, 1e-9);
  EXPECT_NEAR(c.x, 45.0, 1e-9);
  EXPECT_NEAR(c.y, 70.0, 1e-9);
  EXPECT_EQ(ChangedPixels(before, before, {0, 0, 100, 100}, 8).share, 0.0);
}

TEST(RaceFramePictures, WorldPointsProjectThroughTheCapturedMatrices) {
  // Looking down -z from the origin, 90 degrees across, near 1, far 100.
  const float f = 1.0f / std::tan(3.14159265f / 4.0f), n = 1.0f, fa = 100.0f;
  const float projection[16] = {f, 0, 0, 0, 0, f, 0, 0, 0, 0, (fa + n) / (n - fa), -1, 0, 0, 2 * fa * n / (n - fa), 0};
  const float view[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  float x, y;
  ASSERT_TRUE(ProjectPoint(projection, view, 0.0f, 0.0f, -10.0f, 800, 600, &x, &y));
  EXPECT_NEAR(x, 400.0f, 1e-3f);
  EXPECT_NEAR(y, 300.0f, 1e-3f);
  ASSERT_TRUE(ProjectPoint(projection, view, 5.0f, -5.0f, -10.0f, 800, 600, &x, &y));
  EXPECT_NEAR(x, 600.0f, 1e-3f) << "half way to the right edge";
  EXPECT_NEAR(y, 150.0f, 1e-3f);
  EXPECT_FALSE(ProjectPoint(projection, view, 0.0f, 0.0f, 10.0f, 800, 600, &x, &y)) << "behind the eye";
  EXPECT_FALSE(ProjectPoint(projection, view, 0.0f, 0.0f, -200.0f, 800, 600, &x, &y)) << "past the far plane";
  EXPECT_FALSE(ProjectPoint(projection, view, 20.0f, 0.0f, -10.0f, 800, 600, &x, &y)) << "right of the view";
  // The view moves the world: the eye 10 units along +x sees x = 10 in the middle.
  const float moved[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -10, 0, 0, 1};
  ASSERT_TRUE(ProjectPoint(projection, moved, 10.0f, 0.0f, -10.0f, 800, 600, &x, &y));
  EXPECT_NEAR(x, 400.0f, 1e-3f);

  const Picture road = [] {
    Picture p = Flat(50, 50, 191, 191, 191);
    Paint(&p, 20, 20, 21, 21, 120, 110, 90);
    return p;
  }();
  const uint8_t fog[4] = {191, 191, 191, 0};
  EXPECT_TRUE(DrawnNear(road, 22, 22, fog, 6, 2));
  EXPECT_FALSE(DrawnNear(road, 23, 23, fog, 6, 2));
}

TEST(RaceFramePictures, TheMiniMapTurnsSoTheLorrysHeadingPointsUp) {
  float ox, oy;
  // Heading 0: the lorry drives along +x; 100 units ahead shows 36 units up the disc.
  MiniMapOffset(0.0f, 100.0f, 0.0f, &ox, &oy);
  EXPECT_NEAR(ox, 0.0f, 1e-4f);
  EXPECT_NEAR(oy, 36.0f, 1e-4f);
  // Heading -90: the lorry drives along -z; ahead is up again, its right is right.
  MiniMapOffset(-90.0f, 0.0f, -100.0f, &ox, &oy);
  EXPECT_NEAR(ox, 0.0f, 1e-4f);
  EXPECT_NEAR(oy, 36.0f, 1e-4f);
  MiniMapOffset(0.0f, 0.0f, 100.0f, &ox, &oy);
  EXPECT_NEAR(ox, 36.0f, 1e-4f) << "driving along +x, world +z lies to the right";
  EXPECT_NEAR(oy, 0.0f, 1e-4f);
}

TEST(RaceFramePictures, PngFilesRoundTripAndDamageIsRefused) {
  Picture p = Flat(37, 23, 10, 20, 30, 77);
  Paint(&p, 5, 3, 30, 4, 250, 128, 1);
  Paint(&p, 0, 22, 1, 23, 9, 8, 7);  // the top left pixel: the row order
  const std::string path = testscratch::ScratchDir() + "race_frame_round_trip.png";
  ASSERT_TRUE(WritePng(path, p));
  Picture back;
  std::string why;
  ASSERT_TRUE(ReadPng(path, &back, &why)) << why;
  ASSERT_EQ(back.width, 37);
  ASSERT_EQ(back.height, 23);
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 37; ++x)
      for (int c = 0; c < 3; ++c) ASSERT_EQ(back.At(x, y)[c], p.At(x, y)[c]) << x << "," << y;
  EXPECT_EQ(back.At(0, 0)[3], 255) << "alpha is not kept";

  // One flipped byte in the picture data breaks its chunk's checksum.
  FILE* f = std::fopen(path.c_str(), "r+b");
  ASSERT_NE(f, nullptr);
  std::fseek(f, 50, SEEK_SET);
  const int byte = std::fgetc(f);
  std::fseek(f, 50, SEEK_SET);
  std::fputc(byte ^ 0x40, f);
  std::fclose(f);
  EXPECT_FALSE(ReadPng(path, &back, &why));
  EXPECT_FALSE(why.empty());
  EXPECT_FALSE(ReadPng(testscratch::ScratchDir() + "no_such_file.png", &back, &why));
  EXPECT_FALSE(WritePng(path, Flat(0, 0, 0, 0, 0))) << "an empty picture";
}

}  // namespace
