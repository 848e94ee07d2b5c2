// menu.inf: the byte layout, the reader's normalisation and what a damaged file does.
#include <gtest/gtest.h>

#include <cstring>
#include <unistd.h>

#include "app/game.h"
#include "app/race_cameras.h"
#include "app/settings.h"
#include "frontend/screens.h"
#include "gfx/virtual_screen.h"
#include "tests/app/temp_home.h"

namespace {

std::vector<unsigned char> Encode(const GameSettings& s) {
  std::vector<unsigned char> b(kSettingsFileSize);
  EncodeSettings(s, b.data());
  return b;
}

int32_t Field(const std::vector<unsigned char>& b, int index) {
  int32_t v;
  std::memcpy(&v, b.data() + 4 * index, 4);
  return v;
}

void SetField(std::vector<unsigned char>* b, int index, int32_t v) { std::memcpy(b->data() + 4 * index, &v, 4); }

// Runs in an empty working folder, so "./base/menu.inf" is whatever the test puts there.
class SettingsFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    oldCwd_ = getcwd(nullptr, 0);
    ASSERT_EQ(chdir(home_.path().c_str()), 0);
    ASSERT_EQ(system("mkdir -p base Documents/Kelvamor"), 0);
    ViewDistance = 400.0f;
    PendingGraphics = PendingGraphicsState{};
  }
  void TearDown() override {
    if (chdir(oldCwd_) != 0) ADD_FAILURE() << "cannot return to " << oldCwd_;
    free(oldCwd_);
  }
  std::string User() const { return home_.Kelvamor("menu.inf"); }
  TempHome home_;
  char* oldCwd_ = nullptr;
};

TEST(SettingsFormat, DefaultsMatchTheShippedFieldsInFileOrder) {
  const std::vector<unsigned char> b = Encode(DefaultSettings());
  ASSERT_EQ(b.size(), 196u);
  // Trilinear filtering, no shadows, sight 300, reflections at 1: a race on a software
  // rasteriser at 1024 x 768.
  const int32_t head[17] = {0, 1024, 768, 32, 1, 1, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0};
  for (int i = 0; i < 17; ++i) EXPECT_EQ(Field(b, i), head[i]) << "field " << i + 1;
  const int32_t keys[20] = {37, 39, 38, 40, 16, 32, 67, 86, 90, 88, -1, 65, 83, 81, 87, 69, 82, 84, 89, 71};
  for (int i = 0; i < 20; ++i) EXPECT_EQ(Field(b, 17 + i), keys[i]) << "binding slot " << i;
  for (int i = 20; i < 30; ++i) EXPECT_EQ(Field(b, 17 + i), -1) << "binding slot " << i;
  EXPECT_EQ(Field(b, 47), 0);
  EXPECT_EQ(Field(b, 48), 0);
}

TEST(SettingsFormat, DecodeNormalisesFlagsAndRefusesUnusableImages) {
  std::vector<unsigned char> b = Encode(DefaultSettings());
  SetField(&b, 5, 7);   // "Sound" stored as 7
  SetField(&b, 12, 0);  // compressed textures off in the file
  SetField(&b, 20, 1234567);
  GameSettings s{};
  ASSERT_TRUE(DecodeSettings(b.data(), b.size(), &s));
  EXPECT_EQ(s.sound, 1);
  EXPECT_EQ(s.compressedTextures, 1);
  EXPECT_EQ(s.bindings.slot[3], 1234567);  // bindings are kept; their users range-check
  const std::vector<unsigned char> back = Encode(s);
  EXPECT_EQ(Field(back, 5), 1);
  EXPECT_EQ(Field(back, 12), 1);

  GameSettings untouched = DefaultSettings();
  untouched.screenWidth = 640;
  for (int32_t w : {0, -1024, 100000}) {
    std::vector<unsigned char> bad = b;
    SetField(&bad, 1, w);
    EXPECT_FALSE(DecodeSettings(bad.data(), bad.size(), &untouched)) << "width " << w;
  }
  EXPECT_FALSE(DecodeSettings(b.data(), 195, &untouched));
  EXPECT_FALSE(DecodeSettings(b.data(), 0, &untouched));
  EXPECT_FALSE(DecodeSettings(nullptr, 196, &untouched));
  EXPECT_EQ(untouched.screenWidth, 640);
}

TEST_F(SettingsFiles, RoundTripIsByteIdenticalAndDerivesTheFrame) {
  GameSettings s = DefaultSettings();
  s.screenWidth = 1280;
  s.screenHeight = 1024;
  s.sightRange = 1;
  s.transmission = 1;
  const std::vector<unsigned char> bytes = Encode(s);
  WriteAll(User(), bytes);
  ASSERT_TRUE(LoadSettings());
  EXPECT_EQ(ReadAll(User()), bytes);
  EXPECT_EQ(VirtualScreen.bottom, -320);
  EXPECT_EQ(VirtualScreen.top, 320);
  EXPECT_FLOAT_EQ(ViewDistance, 450.0f);
  EXPECT_EQ(PendingGraphics.width, 1280);
  EXPECT_EQ(PendingGraphics.height, 1024);
}

TEST_F(SettingsFiles, UnknownSightRangeKeepsTheDistanceAndTheField) {
  GameSettings s = DefaultSettings();
  s.screenWidth = 800;
  s.screenHeight = 600;
  s.sightRange = 3;
  WriteAll(User(), Encode(s));
  ASSERT_TRUE(LoadSettings());
  EXPECT_FLOAT_EQ(ViewDistance, 400.0f);
  EXPECT_EQ(Settings.sightRange, 3);
  EXPECT_EQ(VirtualScreen.bottom, -300);
  EXPECT_EQ(VirtualScreen.top, 300);
}

TEST_F(SettingsFiles, MissingUserFileIsMadeFromTheBaseCopy) {
  GameSettings base = DefaultSettings();
  base.screenWidth = 800;
  base.screenHeight = 600;
  WriteAll("base/menu.inf", Encode(base));
  ASSERT_EQ(system("rm -rf Documents"), 0);
  ASSERT_TRUE(LoadSettings());
  ASSERT_TRUE(Exists(User())) << "the folder and the file are created by the write-back";
  EXPECT_EQ(ReadAll(User()), Encode(base));
}

TEST_F(SettingsFiles, DamagedFilesNeverBrickTheNextStart) {
  GameSettings base = DefaultSettings();
  base.screenWidth = 800;
  base.screenHeight = 600;
  WriteAll("base/menu.inf", Encode(base));
  std::vector<unsigned char> good = Encode(DefaultSettings());
  std::vector<unsigned char> zeroWidth = good;
  SetField(&zeroWidth, 1, 0);
  std::vector<unsigned char> oversized = good;
  oversized.resize(5000, 0xAB);
  const std::vector<std::vector<unsigned char>> damaged = {
      {}, std::vector<unsigned char>(good.begin(), good.begin() + 100), oversized, zeroWidth,
      std::vector<unsigned char>(196, 0xFF)};
  for (const auto& d : damaged) {
    WriteAll(User(), d);
    ASSERT_TRUE(LoadSettings());
    EXPECT_EQ(Settings.screenWidth, 800) << "damaged file of " << d.size() << " bytes";
    EXPECT_EQ(ReadAll(User()), Encode(base)) << "the write-back repairs the file";
  }
  // With no usable file at all the built-in defaults stand.
  WriteAll("base/menu.inf", {1, 2, 3});
  WriteAll(User(), {});
  ASSERT_TRUE(LoadSettings());
  EXPECT_EQ(ReadAll(User()), Encode(DefaultSettings()));
}

TEST_F(SettingsFiles, PendingGraphicsAreAppliedOnlyWithTheApplyFlag) {
  WriteAll(User(), Encode(DefaultSettings()));
  ASSERT_TRUE(LoadSettings());
  PendingGraphics.acceptedWidth = 800;
  PendingGraphics.acceptedHeight = 600;
  PendingGraphics.acceptedMode = 2;
  PendingGraphics.antiAliasing = 4;
  ASSERT_TRUE(SaveSettings());
  EXPECT_EQ(Field(ReadAll(User()), 1), 1024);
  PendingGraphics.apply = 1;
  ASSERT_TRUE(SaveSettings());
  const std::vector<unsigned char> b = ReadAll(User());
  EXPECT_EQ(Field(b, 0), 2);
  EXPECT_EQ(Field(b, 1), 800);
  EXPECT_EQ(Field(b, 2), 600);
  EXPECT_EQ(Field(b, 16), 4);
  EXPECT_FALSE(Exists(User() + ".tmp")) << "the temporary file is renamed over the real one";
}

TEST_F(SettingsFiles, AResolutionBrowsedButNotAcceptedIsNotSavedByAnotherChange) {
  WriteAll(User(), Encode(DefaultSettings()));
  ASSERT_TRUE(LoadSettings());
  // Browsed to 1920 x 1080, then an anti-aliasing change asks for the apply.
  PendingGraphics.displayMode = 8;
  PendingGraphics.width = 1920;
  PendingGraphics.height = 1080;
  PendingGraphics.antiAliasing = 2;
  PendingGraphics.apply = 1;
  ASSERT_TRUE(SaveSettings());
  const std::vector<unsigned char> b = ReadAll(User());
  EXPECT_EQ(Field(b, 0), 0);
  EXPECT_EQ(Field(b, 1), 1024);
  EXPECT_EQ(Field(b, 2), 768);
  EXPECT_EQ(Field(b, 16), 2);
}

// A file the game cannot use is never lost: the whole of it is kept beside the new one,
// a line names both, and a second damaged file does not replace the first copy.
TEST_F(SettingsFiles, ADamagedFileIsKeptBesideWithALineSayingWhere) {
  GameSettings base = DefaultSettings();
  base.screenWidth = 800;
  base.screenHeight = 600;
  WriteAll("base/menu.inf", Encode(base));
  std::vector<unsigned char> impossible = Encode(DefaultSettings());
  SetField(&impossible, 1, 5);
  SetField(&impossible, 2, 100000);
  std::vector<std::vector<unsigned char>> damaged = {impossible};
  for (size_t size : {0, 100, 296, 500, 2000}) {
    std::vector<unsigned char> d(size);
    for (size_t i = 0; i < size; ++i) d[i] = static_cast<unsigned char>(i * 7 + 3);
    damaged.push_back(d);
  }
  for (size_t i = 0; i < damaged.size(); ++i) {
    ASSERT_EQ(system("rm -f Documents/Kelvamor/menu.inf.damaged*"), 0);
    WriteAll(User(), damaged[i]);
    testing::internal::CaptureStdout();
    ASSERT_TRUE(LoadSettings());
    const std::string log = testing::internal::GetCapturedStdout();
    SCOPED_TRACE(log);
    EXPECT_EQ(ReadAll(User() + ".damaged"), damaged[i]) << "file " << i;
    EXPECT_NE(log.find("menu.inf: " + User()), std::string::npos);
    EXPECT_NE(log.find("kept as " + User() + ".damaged"), std::string::npos);
    EXPECT_EQ(ReadAll(User()), Encode(base)) << "the shipped settings stand in its place";
  }
  // Sizes and screens are named as found; a second damaged file gets its own copy.
  WriteAll(User(), std::vector<unsigned char>(2000, 1));
  testing::internal::CaptureStdout();
  ASSERT_TRUE(LoadSettings());
  const std::string log = testing::internal::GetCapturedStdout();
  EXPECT_NE(log.find("more than 196 bytes"), std::string::npos) << log;
  EXPECT_EQ(ReadAll(User() + ".damaged"), damaged.back()) << "the first copy stays";
  EXPECT_EQ(ReadAll(User() + ".damaged.2"), std::vector<unsigned char>(2000, 1));
  WriteAll(User(), impossible);
  testing::internal::CaptureStdout();
  ASSERT_TRUE(LoadSettings());
  EXPECT_NE(testing::internal::GetCapturedStdout().find("5 x 100000"), std::string::npos);
  // A good file says nothing and leaves no copy.
  ASSERT_EQ(system("rm -f Documents/Kelvamor/menu.inf.damaged*"), 0);
  testing::internal::CaptureStdout();
  ASSERT_TRUE(LoadSettings());
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_FALSE(Exists(User() + ".damaged"));
}

// Every field with a known meaning takes a value the game reads as it reads the one in
// the file, a field whose value means nothing the shipped value, on load and in the
// file, with a line naming what moved; values with a meaning pass untouched.
TEST_F(SettingsFiles, OutOfRangeFieldsTakeWhatTheGameDoesWithThemWithALine) {
  const GameSettings shipped = DefaultSettings();
  for (int32_t wild : {2147483647, -100000, 5}) {
    SCOPED_TRACE(wild);
    std::vector<unsigned char> b = Encode(DefaultSettings());
    for (int field : {0, 3, 4, 9, 10, 11, 13, 14, 15, 16, 47, 48}) SetField(&b, field, wild);
    SetField(&b, 17 + 4, 100000 + wild % 1000);  // the clutch bound to no key or control
    SetField(&b, 17 + 5, 1043);  // a joystick button stays
    SetField(&b, 8, wild);       // field 9 is only carried
    WriteAll(User(), b);
    testing::internal::CaptureStdout();
    ASSERT_TRUE(LoadSettings());
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(Settings.displayMode, wild == 5 ? 5 : shipped.displayMode);
    EXPECT_EQ(Settings.colourBits, 32);
    EXPECT_EQ(Settings.reflectionQuality, wild) << "kept: any quality but 0-2 is one slice a frame";
    EXPECT_EQ(SlicesPerFrame(Settings.reflectionQuality), 1);
    EXPECT_EQ(Settings.cityTraffic, 0);
    EXPECT_EQ(Settings.postEffect, 0) << "the post effect runs only at 1";
    EXPECT_EQ(Settings.screenTextureMainPass, 1) << "the pass runs whenever set";
    EXPECT_EQ(Settings.textureFiltering, 0) << "anisotropic only at 1";
    EXPECT_EQ(Settings.shadowDetail, 1) << "no level: the 1024 map of level 1";
    EXPECT_EQ(ShadowMapSizeFor(Settings.shadowDetail, 16), 1024);
    EXPECT_EQ(Settings.sightRange, 3) << "no distance of its own, as 3";
    EXPECT_FLOAT_EQ(ViewDistance, 400.0f);
    EXPECT_EQ(Settings.antiAliasing, wild >= 0 ? wild : 0) << "any count of samples is the driver's to cap";
    EXPECT_EQ(Settings.transmission, 0);
    EXPECT_EQ(Settings.controlDevice, 0);
    EXPECT_EQ(Settings.bindings.slot[4], -1);
    EXPECT_EQ(Settings.bindings.slot[5], 1043);
    for (int slot = 0; slot < 4; ++slot) EXPECT_EQ(Settings.bindings.slot[slot], shipped.bindings.slot[slot]);
    EXPECT_EQ(Settings.reserved9, wild);
    const std::vector<unsigned char> back = ReadAll(User());
    EXPECT_EQ(Field(back, 14), 1) << "the file holds the values the game uses";
    EXPECT_EQ(Field(back, 4), wild);
    EXPECT_EQ(Field(back, 21), -1);
    for (const char* name : {"menu.inf: out-of-range", "shadow detail", "sight range", "control bindings",
                             "transmission", "control device", "post effect"})
      EXPECT_NE(log.find(name), std::string::npos) << name << " in " << log;
    EXPECT_EQ(log.find("anti-aliasing") != std::string::npos, wild < 0) << log;
    EXPECT_EQ(log.find("reflection"), std::string::npos) << log;
    EXPECT_EQ(log.find("shipped bindings"), std::string::npos) << "the driving keys were never lost: " << log;
    EXPECT_FALSE(Exists(User() + ".damaged")) << "a repaired file is not set aside";
  }
  // Every value some page or pass gives a meaning to stands, among them every
  // anti-aliasing level, which the renderer asks the driver for as it is.
  for (int32_t aa : {16, 32, 3, 6, 64}) {
    GameSettings s = DefaultSettings();
    s.antiAliasing = aa;
    s.shadowDetail = 3;
    s.sightRange = 3;
    s.postEffect = 1;
    s.textureFiltering = 1;
    s.reflectionQuality = 2;
    s.cityTraffic = 2;
    s.displayMode = 9;
    s.colourBits = 16;
    s.transmission = 1;
    s.controlDevice = 1;
    WriteAll(User(), Encode(s));
    testing::internal::CaptureStdout();
    ASSERT_TRUE(LoadSettings());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(ReadAll(User()), Encode(s)) << aa;
    EXPECT_EQ(Settings.antiAliasing, aa);
  }
}

// Codes that name nothing only unbind their slots, unless that leaves the lorry without
// steering, throttle or brake on its device: then the keyboard and its shipped bindings
// come back, and the line says so.
TEST_F(SettingsFiles, BindingsLeftUndrivableBringTheShippedKeysBack) {
  const GameSettings shipped = DefaultSettings();
  struct Case {
    const char* what;
    int32_t device;
    int32_t slots[5];  // steer left, steer right, accelerate, brake, gear up
    bool restored;
  } cases[] = {
      {"keyboard, steer left on no key", 0, {99999, 39, 38, 40, 65}, true},
      {"keyboard, brake on no key", 0, {37, 39, 38, -5, 65}, true},
      {"keyboard, a joystick code for the throttle", 0, {37, 39, 1012, 99999, 65}, true},
      {"keyboard, only gear up on no key", 0, {37, 39, 38, 40, 99999}, false},
      {"keyboard, steer left unbound by the player", 0, {-1, 39, 38, 40, 99999}, false},
      {"joypad, steering on an axis", 1, {99999, 1000, 1012, 1013, 1014}, false},
      {"joypad, brake on nothing", 1, {1308, 1108, 1012, 99999, 1014}, true},
      {"joypad, steering axis in the left slot only", 1, {1000, 99999, 1012, 1013, 1014}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    GameSettings s = DefaultSettings();
    s.controlDevice = c.device;
    for (int i = 0; i < 4; ++i) s.bindings.slot[i] = c.slots[i];
    s.bindings.slot[11] = c.slots[4];
    WriteAll(User(), Encode(s));
    testing::internal::CaptureStdout();
    ASSERT_TRUE(LoadSettings());
    const std::string log = testing::internal::GetCapturedStdout();
    if (c.restored) {
      EXPECT_EQ(Settings.controlDevice, 0);
      for (int i = 0; i < kBindingSlots; ++i) EXPECT_EQ(Settings.bindings.slot[i], shipped.bindings.slot[i]) << i;
      EXPECT_NE(log.find("the keyboard's shipped bindings are back"), std::string::npos) << log;
      EXPECT_EQ(ReadAll(User()), Encode(Settings)) << "saved as restored";
    } else {
      EXPECT_EQ(Settings.controlDevice, c.device);
      for (int i = 0; i < 4; ++i) EXPECT_EQ(Settings.bindings.slot[i], c.slots[i] == 99999 ? -1 : c.slots[i]) << i;
      EXPECT_EQ(Settings.bindings.slot[11], c.slots[4] == 99999 ? -1 : c.slots[4]);
      EXPECT_EQ(log.find("shipped bindings"), std::string::npos) << log;
    }
  }
}

// A save that cannot be made says which file and why, and reports false to its caller.
TEST_F(SettingsFiles, FailedSavesNameTheFileAndTheReason) {
  WriteAll(User(), Encode(DefaultSettings()));
  ASSERT_TRUE(LoadSettings());
  // The disk full: not even the settings fit.
  testing::internal::CaptureStdout();
  {
    const FileSizeLimit full(kSettingsFileSize - 4);
    EXPECT_FALSE(SaveSettings());
  }
  std::string log = testing::internal::GetCapturedStdout();
  EXPECT_NE(log.find("menu.inf: cannot be saved to " + User() + ": File too large"), std::string::npos) << log;
  EXPECT_EQ(ReadAll(User()), Encode(DefaultSettings())) << "the old file stays whole";
  // The file a folder.
  ASSERT_EQ(system("rm -rf Documents/Kelvamor/menu.inf* && mkdir Documents/Kelvamor/menu.inf"), 0);
  testing::internal::CaptureStdout();
  EXPECT_FALSE(LoadSettings());
  log = testing::internal::GetCapturedStdout();
  EXPECT_NE(log.find("it is a folder"), std::string::npos) << log;
  EXPECT_NE(log.find("menu.inf: cannot be saved to " + User()), std::string::npos) << log;
  // ~/Documents a regular file.
  ASSERT_EQ(system("rm -rf Documents && echo x > Documents"), 0);
  testing::internal::CaptureStdout();
  EXPECT_FALSE(SaveSettings());
  log = testing::internal::GetCapturedStdout();
  EXPECT_NE(log.find("menu.inf: cannot be saved"), std::string::npos) << log;
  EXPECT_NE(log.find("Documents"), std::string::npos) << log;
  // Reading there finds no file to set aside: only the save that follows is reported.
  testing::internal::CaptureStdout();
  EXPECT_FALSE(LoadSettings());
  log = testing::internal::GetCapturedStdout();
  EXPECT_EQ(log.find("set aside"), std::string::npos) << log;
  EXPECT_EQ(log.find("cannot be read"), std::string::npos) << log;
  EXPECT_NE(log.find("menu.inf: cannot be saved"), std::string::npos) << log;
}

}  // namespace
