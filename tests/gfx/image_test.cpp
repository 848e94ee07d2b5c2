// TGA and BMP decoding of files written here, hostile headers refused, and the noise
// fills. No GL context is needed.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "gfx/image_bmp.h"
#include "gfx/image_tga.h"
#include "gfx/noise.h"
#include "platform/crt_rand.h"
#include "tests/gfx/test_files.h"

namespace {

using gfxtest::ScratchDir;
using gfxtest::WriteBytes;

// A test picture whose every byte differs by position, so a swapped or shifted row shows.
std::vector<uint8_t> Pattern(int w, int h, int components) {
  std::vector<uint8_t> px(static_cast<size_t>(w) * h * components);
  for (size_t i = 0; i < px.size(); ++i) px[i] = static_cast<uint8_t>(i * 7 + 3);
  return px;
}

std::vector<uint8_t> TgaHeader(int w, int h, int bits, uint8_t type = 2) {
  std::vector<uint8_t> b(18, 0);
  b[2] = type;
  b[12] = static_cast<uint8_t>(w);
  b[13] = static_cast<uint8_t>(w >> 8);
  b[14] = static_cast<uint8_t>(h);
  b[15] = static_cast<uint8_t>(h >> 8);
  b[16] = static_cast<uint8_t>(bits);
  return b;
}

TEST(Tga, RoundTripThroughAFile) {
  ScratchDir dir;
  for (int components : {3, 4}) {
    const int w = 5, h = 3;  // odd width: rows are not a multiple of four bytes
    const std::vector<uint8_t> px = Pattern(w, h, components);
    std::vector<uint8_t> file;
    ASSERT_TRUE(EncodeTGA(w, h, components, px.data(), &file));
    ASSERT_EQ(file.size(), 18u + px.size());
    // Stored B, G, R (, A).
    EXPECT_EQ(file[18], px[2]);
    EXPECT_EQ(file[20], px[0]);
    const std::string path = dir.File("t" + std::to_string(components) + ".tga");
    ASSERT_TRUE(WriteBytes(path, file));

    TgaImage image;
    ASSERT_EQ(ReadTGAFile(path.c_str(), &image), TgaResult::kOk);
    EXPECT_EQ(image.width, w);
    EXPECT_EQ(image.height, h);
    EXPECT_EQ(image.components, components);
    EXPECT_EQ(image.pixels, px);

    TgaImage fromMemory;
    ASSERT_EQ(DecodeTGA(file.data(), file.size(), &fromMemory), TgaResult::kOk);
    EXPECT_EQ(fromMemory.pixels, px);
  }
}

TEST(Tga, RowsKeepTheirStoredOrderWhateverTheDescriptor) {
  std::vector<uint8_t> a = TgaHeader(1, 2, 24);
  a.insert(a.end(), {1, 2, 3, 4, 5, 6});
  std::vector<uint8_t> b = a;
  b[17] = 0x20;  // top-left origin
  TgaImage ia, ib;
  ASSERT_EQ(DecodeTGA(a.data(), a.size(), &ia), TgaResult::kOk);
  ASSERT_EQ(DecodeTGA(b.data(), b.size(), &ib), TgaResult::kOk);
  EXPECT_EQ(ia.pixels, ib.pixels);
  EXPECT_EQ(ia.pixels, (std::vector<uint8_t>{3, 2, 1, 6, 5, 4}));
}

TEST(Tga, TrailingBytesAfterThePixelsAreAllowed) {
  std::vector<uint8_t> f = TgaHeader(1, 1, 32);
  f.insert(f.end(), {10, 20, 30, 40});
  f.insert(f.end(), 26, 0xEE);  // a TGA 2.0 footer, say
  TgaImage image;
  ASSERT_EQ(DecodeTGA(f.data(), f.size(), &image), TgaResult::kOk);
  EXPECT_EQ(image.pixels, (std::vector<uint8_t>{30, 20, 10, 40}));
}

TEST(Tga, HostileHeadersAreRefused) {
  ScratchDir dir;
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    TgaResult expected;
  };
  std::vector<Case> cases;
  std::vector<uint8_t> rle = TgaHeader(2, 2, 24, 10);
  rle.resize(rle.size() + 12, 0);
  cases.push_back({"run-length encoded", rle, TgaResult::kBadHeader});
  std::vector<uint8_t> withId = TgaHeader(1, 1, 24);
  withId[0] = 4;
  withId.resize(withId.size() + 7, 0);
  cases.push_back({"image ID present", withId, TgaResult::kBadHeader});
  std::vector<uint8_t> mapped = TgaHeader(1, 1, 24, 1);
  mapped[1] = 1;
  mapped.resize(mapped.size() + 3, 0);
  cases.push_back({"colour-mapped", mapped, TgaResult::kBadHeader});
  for (int bits : {8, 15, 16, 31, 33, 0}) {
    std::vector<uint8_t> odd = TgaHeader(2, 2, bits);
    odd.resize(odd.size() + 64, 0);
    cases.push_back({"odd depth", odd, TgaResult::kBadDepth});
  }
  std::vector<uint8_t> noWidth = TgaHeader(0, 4, 24);
  cases.push_back({"zero width", noWidth, TgaResult::kEmpty});
  std::vector<uint8_t> noHeight = TgaHeader(4, 0, 32);
  cases.push_back({"zero height", noHeight, TgaResult::kEmpty});
  std::vector<uint8_t> shortPixels = TgaHeader(4, 4, 24);
  shortPixels.resize(shortPixels.size() + 4 * 4 * 3 - 1, 0);
  cases.push_back({"one byte short", shortPixels, TgaResult::kShortPixels});
  // 65535 x 65535 x 4 is about 17 GB: must be refused without trying to allocate it.
  std::vector<uint8_t> huge = TgaHeader(0xFFFF, 0xFFFF, 32);
  huge.resize(huge.size() + 1000, 0);
  cases.push_back({"huge promise", huge, TgaResult::kShortPixels});
  std::vector<uint8_t> truncated = TgaHeader(1, 1, 24);
  truncated.resize(15);
  cases.push_back({"truncated header", truncated, TgaResult::kBadHeader});
  cases.push_back({"empty file", {}, TgaResult::kBadHeader});

  int i = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TgaImage image;
    EXPECT_EQ(DecodeTGA(c.bytes.data(), c.bytes.size(), &image), c.expected);
    EXPECT_TRUE(image.pixels.empty());
    EXPECT_EQ(image.width, 0);
    const std::string path = dir.File("bad" + std::to_string(i++) + ".tga");
    ASSERT_TRUE(WriteBytes(path, c.bytes));
    EXPECT_EQ(ReadTGAFile(path.c_str(), &image), c.expected);
    EXPECT_TRUE(image.pixels.empty());
    EXPECT_EQ(image.components, 0);
  }
  TgaImage image;
  EXPECT_EQ(ReadTGAFile(dir.File("missing.tga").c_str(), &image), TgaResult::kOpenFailed);
  EXPECT_EQ(ReadTGAFile(nullptr, &image), TgaResult::kOpenFailed);
}

TEST(Tga, WriterRefusesWhatTheFormatCannotHold) {
  std::vector<uint8_t> out;
  const uint8_t px[4] = {};
  EXPECT_FALSE(EncodeTGA(0, 1, 3, px, &out));
  EXPECT_FALSE(EncodeTGA(70000, 1, 3, px, &out));
  EXPECT_FALSE(EncodeTGA(1, 1, 2, px, &out));
  EXPECT_TRUE(out.empty());
}

// Builds a BMP by hand so the reader is not only checked against our own writer.
std::vector<uint8_t> HandBmp(int w, int h, int bits, uint32_t compression, int rowsPresent) {
  const int stored = ((w * bits / 8) + 3) & ~3;
  std::vector<uint8_t> b(54 + static_cast<size_t>(stored) * rowsPresent, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, static_cast<uint32_t>(b.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(w));
  put32(22, static_cast<uint32_t>(h));
  b[26] = 1;
  b[28] = static_cast<uint8_t>(bits);
  put32(30, compression);
  for (size_t i = 54; i < b.size(); ++i) b[i] = static_cast<uint8_t>(i);
  return b;
}

TEST(Bmp, RoundTripWithRowPadding) {
  const int w = 3, h = 2;  // 9-byte rows, stored padded to 12
  const std::vector<uint8_t> rgb = Pattern(w, h, 3);
  std::vector<uint8_t> file;
  ASSERT_TRUE(EncodeBMP(w, h, rgb.data(), &file));
  EXPECT_EQ(file.size(), 54u + 12u * 2);
  int rw = 0, rh = 0;
  std::vector<uint8_t> back;
  ASSERT_EQ(DecodeBMP(file.data(), file.size(), &rw, &rh, &back), BmpResult::kOk);
  EXPECT_EQ(rw, w);
  EXPECT_EQ(rh, h);
  EXPECT_EQ(back, rgb);

  ScratchDir dir;
  const std::string path = dir.File("a.bmp");
  ASSERT_TRUE(WriteBytes(path, file));
  BmpImage* image = LoadBMP(path.c_str());
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->width, w);
  EXPECT_EQ(image->height, h);
  EXPECT_EQ(std::memcmp(image->pixels, rgb.data(), rgb.size()), 0);
  FreeBMP(image);
  EXPECT_EQ(LoadBMP(nullptr), nullptr);
  EXPECT_EQ(LoadBMP(dir.File("missing.bmp").c_str()), nullptr);
  FreeBMP(nullptr);
}

TEST(Bmp, HandWrittenFileDecodesBottomRowFirstAsRgb) {
  // 2 x 2: rows of 6 bytes stored in 8. File bytes from offset 54 count up.
  std::vector<uint8_t> f = HandBmp(2, 2, 24, 0, 2);
  int w, h;
  std::vector<uint8_t> rgb;
  ASSERT_EQ(DecodeBMP(f.data(), f.size(), &w, &h, &rgb), BmpResult::kOk);
  const std::vector<uint8_t> expected = {56, 55, 54, 59, 58, 57,   // first stored row
                                         64, 63, 62, 67, 66, 65};  // second, after 2 pad bytes
  EXPECT_EQ(rgb, expected);

  // The same rows stored top-down come out in the same bottom-first order.
  std::vector<uint8_t> topDown = f;
  const uint32_t minusTwo = static_cast<uint32_t>(-2);
  for (int i = 0; i < 4; ++i) topDown[22 + i] = static_cast<uint8_t>(minusTwo >> (8 * i));
  std::copy(f.begin() + 62, f.begin() + 70, topDown.begin() + 54);
  std::copy(f.begin() + 54, f.begin() + 62, topDown.begin() + 62);
  std::vector<uint8_t> rgb2;
  ASSERT_EQ(DecodeBMP(topDown.data(), topDown.size(), &w, &h, &rgb2), BmpResult::kOk);
  EXPECT_EQ(h, 2);
  EXPECT_EQ(rgb2, expected);

  // The last row may lack its padding.
  f.resize(f.size() - 2);
  ASSERT_EQ(DecodeBMP(f.data(), f.size(), &w, &h, &rgb), BmpResult::kOk);
  EXPECT_EQ(rgb, expected);
}

TEST(Bmp, CoreHeaderIsRead) {
  std::vector<uint8_t> f(14 + 12 + 4, 0);
  f[0] = 'B';
  f[1] = 'M';
  f[10] = 26;  // pixels right after the 12-byte header
  f[14] = 12;
  f[18] = 1;   // width 1 (16-bit)
  f[20] = 1;   // height 1
  f[22] = 1;   // planes
  f[24] = 24;  // bits
  f[26] = 0x11;
  f[27] = 0x22;
  f[28] = 0x33;
  int w, h;
  std::vector<uint8_t> rgb;
  ASSERT_EQ(DecodeBMP(f.data(), f.size(), &w, &h, &rgb), BmpResult::kOk);
  EXPECT_EQ(rgb, (std::vector<uint8_t>{0x33, 0x22, 0x11}));
}

TEST(Bmp, HostileFilesAreRefused) {
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    BmpResult expected;
  };
  std::vector<Case> cases;
  std::vector<uint8_t> magic = HandBmp(2, 2, 24, 0, 2);
  magic[1] = 'X';
  cases.push_back({"bad magic", magic, BmpResult::kBadHeader});
  cases.push_back({"8-bit palette", HandBmp(4, 2, 8, 0, 2), BmpResult::kUnsupported});
  cases.push_back({"32-bit", HandBmp(2, 2, 32, 0, 2), BmpResult::kUnsupported});
  cases.push_back({"RLE", HandBmp(2, 2, 24, 1, 2), BmpResult::kUnsupported});
  cases.push_back({"zero width", HandBmp(0, 2, 24, 0, 2), BmpResult::kEmpty});
  cases.push_back({"zero height", HandBmp(2, 0, 24, 0, 1), BmpResult::kEmpty});
  std::vector<uint8_t> negWidth = HandBmp(2, 2, 24, 0, 2);
  negWidth[21] = 0xFF;
  cases.push_back({"negative width", negWidth, BmpResult::kEmpty});
  cases.push_back({"rows missing", HandBmp(2, 3, 24, 0, 2), BmpResult::kShortPixels});
  // 2^31 - 1 rows promised by a 70-byte file.
  std::vector<uint8_t> huge = HandBmp(2, 2, 24, 0, 2);
  huge[22] = huge[23] = huge[24] = 0xFF;
  huge[25] = 0x7F;
  cases.push_back({"huge height", huge, BmpResult::kShortPixels});
  std::vector<uint8_t> offset = HandBmp(2, 2, 24, 0, 2);
  offset[12] = 0x10;  // pixel offset far past the end
  cases.push_back({"offset past end", offset, BmpResult::kBadHeader});
  std::vector<uint8_t> info = HandBmp(2, 2, 24, 0, 2);
  info[14] = 20;  // no such header
  cases.push_back({"unknown info header", info, BmpResult::kBadHeader});
  std::vector<uint8_t> bigInfo = HandBmp(2, 2, 24, 0, 2);
  bigInfo[16] = 1;  // 65576-byte header in a 70-byte file
  cases.push_back({"info header past end", bigInfo, BmpResult::kBadHeader});
  std::vector<uint8_t> planes = HandBmp(2, 2, 24, 0, 2);
  planes[26] = 2;
  cases.push_back({"two planes", planes, BmpResult::kBadHeader});
  cases.push_back({"truncated", std::vector<uint8_t>(magic.begin(), magic.begin() + 10),
                   BmpResult::kBadHeader});

  ScratchDir dir;
  int i = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    int w = -1, h = -1;
    std::vector<uint8_t> rgb(3, 9);
    EXPECT_EQ(DecodeBMP(c.bytes.data(), c.bytes.size(), &w, &h, &rgb), c.expected);
    EXPECT_TRUE(rgb.empty());
    EXPECT_EQ(w, 0);
    const std::string path = dir.File("bad" + std::to_string(i++) + ".bmp");
    ASSERT_TRUE(WriteBytes(path, c.bytes));
    EXPECT_EQ(LoadBMP(path.c_str()), nullptr);
  }
}

TEST(Noise, SmoothNoiseStepsAtMost64PerChannel) {
  const int n = 16;
  std::vector<uint8_t> a(n * n * n * 3), b(a.size());
  platform::SeedRand(1234);
  FillSmoothNoise(a.data(), n);
  for (size_t i = 0; i < a.size(); ++i) {
    ASSERT_LT(a[i], 255) << i;
    if (i >= 3) {
      ASSERT_LE(std::abs(a[i] - a[i - 3]), 64) << i;
    }
  }
  // The first texel is raw rand() mod 255 in channel order.
  platform::SeedRand(1234);
  EXPECT_EQ(a[0], platform::Rand() % 255);
  EXPECT_EQ(a[1], platform::Rand() % 255);
  // Same seed, same volume; another seed, another volume.
  platform::SeedRand(1234);
  FillSmoothNoise(b.data(), n);
  EXPECT_EQ(a, b);
  platform::SeedRand(99);
  FillSmoothNoise(b.data(), n);
  EXPECT_NE(a, b);
}

TEST(Noise, RandomTexelsStayInTheirRanges) {
  const int n = 32;  // 32768 texels: rand() mod 128 is 0 for about 256 of them
  std::vector<uint8_t> t(n * n * n * 3);
  platform::SeedRand(7);
  FillRandomTexels(t.data(), n);
  int ones = 0;
  for (size_t i = 0; i < t.size(); i += 3) {
    ASSERT_GE(t[i], 1) << i;
    ASSERT_LE(t[i], 127) << i;
    ASSERT_LE(t[i + 1], 254) << i;
    ASSERT_LE(t[i + 2], 254) << i;
    ones += t[i] == 1;
  }
  // The zeros were raised to 1, so 1 turns up about twice as often as any other value.
  EXPECT_GT(ones, 350);
}

}  // namespace
