// career.inf: the new-career values, byte-identical write-back, and what a tampered
// file can and cannot do to the game.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <unistd.h>

#include "app/career.h"
#include "race/car_setup.h"
#include "tests/app/temp_home.h"

namespace {

std::vector<unsigned char> Bytes(const CareerRecord& c) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(&c);
  return std::vector<unsigned char>(p, p + sizeof c);
}

template <typename T>
T At(const std::vector<unsigned char>& b, size_t offset) {
  T v;
  std::memcpy(&v, b.data() + offset, sizeof v);
  return v;
}

class CareerFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    oldCwd_ = getcwd(nullptr, 0);
    ASSERT_EQ(chdir(home_.path().c_str()), 0);
    ASSERT_EQ(system("mkdir -p base Documents/Kelvamor"), 0);
  }
  void TearDown() override {
    if (chdir(oldCwd_) != 0) ADD_FAILURE() << "cannot return to " << oldCwd_;
    free(oldCwd_);
  }
  std::string User() const { return home_.Kelvamor("career.inf"); }
  TempHome home_;
  char* oldCwd_ = nullptr;
};

TEST(CareerReset, NewCareerValuesSitAtTheirOffsets) {
  InitCarSetupDefaults();
  std::memset(&Career, 0x5A, sizeof Career);
  ResetCareerFields();
  const std::vector<unsigned char> b = Bytes(Career);
  EXPECT_STREQ(reinterpret_cast<const char*>(b.data() + 160), "Player");
  EXPECT_EQ(b[166], 0);
  EXPECT_EQ(b[168], 0);
  EXPECT_EQ(At<int32_t>(b, 172), 0);
  EXPECT_FLOAT_EQ(At<float>(b, 176), 10000.0f);
  EXPECT_FLOAT_EQ(At<float>(b, 180), 0.0f);
  EXPECT_EQ(At<int32_t>(b, 184), 1);
  for (int i = 0; i < 10; ++i) EXPECT_FLOAT_EQ(At<float>(b, 188 + 4 * i), 0.0f);
  EXPECT_EQ(At<int32_t>(b, 236), 0);
  EXPECT_EQ(At<int32_t>(b, 240), 17);
  EXPECT_EQ(At<int32_t>(b, 244), 1);
  EXPECT_EQ(At<int32_t>(b, 248), 0);
  for (int r = 0; r < 30; ++r) {
    EXPECT_EQ(At<int32_t>(b, 256 + 4 * r), 5);
    for (int t = 0; t < 5; ++t) EXPECT_EQ(At<int32_t>(b, 376 + 120 * t + 4 * r), 0);
  }
  EXPECT_EQ(At<int32_t>(b, 976), 0);
  EXPECT_EQ(At<int32_t>(b, 980), 1);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(At<int32_t>(b, 984 + 4 * i), 1);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(At<int32_t>(b, 1000 + 4 * i), 4);
  EXPECT_EQ(At<int32_t>(b, 1060), 1);
  EXPECT_EQ(At<int32_t>(b, 1068), 1);
  // Preset 0's ratings, no packages bought.
  EXPECT_FLOAT_EQ(At<float>(b, 0), 0.6f);
  EXPECT_EQ(At<int32_t>(b, 144), 0);
  EXPECT_EQ(At<int32_t>(b, 148), 0);
  EXPECT_EQ(At<int32_t>(b, 152), 0);
  // What a new career leaves alone.
  EXPECT_EQ(b[1076], 0x5A);
  EXPECT_EQ(At<uint32_t>(b, 996), 0x5A5A5A5Au);
  EXPECT_EQ(At<uint32_t>(b, 1064), 0x5A5A5A5Au);
  EXPECT_EQ(At<uint32_t>(b, 1072), 0x5A5A5A5Au);
}

TEST(CareerSanitize, IndexFieldsAreClampedAndNonFiniteValuesReplaced) {
  std::memset(&Career, 0, sizeof Career);
  ResetCareerFields();
  CareerRecord c = Career;
  CareerRecord clean = c;
  EXPECT_FALSE(SanitizeCareer(&clean)) << "a new career needs no repair";

  std::memset(c.PlayerName, 'A', sizeof c.PlayerName);
  c.PlayerNameLength = 1000;
  c.CareerCar = 18;
  c.QuickRaceCar = -3;
  c.BracketPosition = 6;
  c.ChampionshipRace = 99;
  c.CompetitionRegion = 7;
  c.CompetitionRace = 0;
  c.QuickRaceNumber = 25;
  c.RaceMode = 0;
  const int32_t levels[3] = {9, -1, 4};
  std::memcpy(c.carSetup + 144, levels, sizeof levels);
  c.Cash = std::numeric_limits<float>::quiet_NaN();
  c.Points = std::numeric_limits<float>::infinity();
  c.BonusTotals[9] = -std::numeric_limits<float>::infinity();
  EXPECT_TRUE(SanitizeCareer(&c));
  EXPECT_EQ(c.PlayerName[8], '\0');
  EXPECT_EQ(std::strlen(c.PlayerName), 8u) << "a NUL stays inside the nine bytes";
  EXPECT_EQ(c.PlayerNameLength, 7);
  EXPECT_EQ(c.CareerCar, 17);
  EXPECT_EQ(c.QuickRaceCar, 0);
  EXPECT_EQ(c.BracketPosition, 5);
  EXPECT_EQ(c.ChampionshipRace, 4);
  EXPECT_EQ(c.CompetitionRegion, 2);
  EXPECT_EQ(c.CompetitionRace, 1);
  EXPECT_EQ(c.QuickRaceNumber, 24) << "the quick start draws from the championship's 24 races";
  EXPECT_EQ(c.RaceMode, 1);
  int32_t back[3];
  std::memcpy(back, c.carSetup + 144, sizeof back);
  EXPECT_EQ(back[0], 5);
  EXPECT_EQ(back[1], 0);
  EXPECT_EQ(back[2], 4) << "every package level goes to 5: TUNING writes all three";
  EXPECT_FLOAT_EQ(c.Cash, 10000.0f);
  EXPECT_FLOAT_EQ(c.Points, 0.0f);
  EXPECT_FLOAT_EQ(c.BonusTotals[9], 0.0f);
  // Championship and competition race numbers stay inside 1-24 and 1-12.
  EXPECT_LE(c.ChampionshipRace + 4 * c.BracketPosition, 24);
  EXPECT_LE(c.CompetitionRace + 4 * c.CompetitionRegion, 12);

  // Package 5 bought through TUNING sits in all three levels and survives a load.
  CareerRecord tuned = clean;
  const int32_t five[3] = {5, 5, 5};
  std::memcpy(tuned.carSetup + 144, five, sizeof five);
  EXPECT_FALSE(SanitizeCareer(&tuned));
  std::memcpy(back, tuned.carSetup + 144, sizeof back);
  EXPECT_EQ(back[1], 5);
  EXPECT_EQ(back[2], 5);

  // Every race the quick start can draw survives a load; only numbers past them move.
  for (int32_t n : {1, 11, 24}) {
    CareerRecord q = clean;
    q.QuickRaceNumber = n;
    EXPECT_FALSE(SanitizeCareer(&q)) << n;
    EXPECT_EQ(q.QuickRaceNumber, n);
  }
  clean.QuickRaceNumber = 0;
  EXPECT_TRUE(SanitizeCareer(&clean));
  EXPECT_EQ(clean.QuickRaceNumber, 1);
}

TEST_F(CareerFiles, LoadWritesBackByteIdenticalAndKeepsUnknownFields) {
  std::memset(&Career, 0, sizeof Career);
  ResetCareerFields();
  Career.FirstCareerFlag = 1;
  Career.field996 = 12345;
  Career.RaceWins[7] = 3;
  Career.Cash = 123.5f;
  std::strcpy(Career.PlayerName, "Kolya");
  Career.PlayerNameLength = 5;
  const std::vector<unsigned char> bytes = Bytes(Career);
  WriteAll(User(), bytes);
  std::memset(&Career, 0, sizeof Career);
  ASSERT_TRUE(LoadCareer());
  EXPECT_EQ(Bytes(Career), bytes);
  EXPECT_EQ(ReadAll(User()), bytes);
}

TEST_F(CareerFiles, ShortOrOversizedFilesFallBackToTheBaseCopyOrANewCareer) {
  std::memset(&Career, 0, sizeof Career);
  ResetCareerFields();
  Career.FirstCareerFlag = 1;
  Career.Cash = 777.0f;
  const std::vector<unsigned char> base = Bytes(Career);
  WriteAll("base/career.inf", base);

  for (size_t size : {size_t{0}, size_t{100}, size_t{1079}, size_t{1081}, size_t{20000}}) {
    WriteAll(User(), std::vector<unsigned char>(size, 0xEE));
    std::memset(&Career, 0, sizeof Career);
    ASSERT_TRUE(LoadCareer());
    EXPECT_FLOAT_EQ(Career.Cash, 777.0f) << "file of " << size << " bytes";
    EXPECT_EQ(ReadAll(User()), base);
  }
  ASSERT_EQ(unlink("base/career.inf"), 0);
  WriteAll(User(), {1, 2, 3});
  ASSERT_TRUE(LoadCareer());
  EXPECT_FLOAT_EQ(Career.Cash, 10000.0f);
  EXPECT_EQ(Career.FirstCareerFlag, 1) << "a new player goes to the name entry";
  EXPECT_EQ(ReadAll(User()).size(), kCareerFileSize);
}

TEST_F(CareerFiles, TamperedCareerIsRepairedOnDisk) {
  std::memset(&Career, 0, sizeof Career);
  ResetCareerFields();
  Career.BracketPosition = 1000000;
  Career.RaceMode = -5;
  WriteAll(User(), Bytes(Career));
  ASSERT_TRUE(LoadCareer());
  EXPECT_EQ(Career.BracketPosition, 5);
  EXPECT_EQ(Career.RaceMode, 1);
  const std::vector<unsigned char> b = ReadAll(User());
  EXPECT_EQ(At<int32_t>(b, 248), 5);
  EXPECT_EQ(At<int32_t>(b, 1068), 1);
}

// A career file of the wrong size is set aside whole with a line, never overwritten;
// one the game cannot write says so, and a folder in its place is left alone.
TEST_F(CareerFiles, DamagedCareersAreKeptBesideAndFailedSavesSaySo) {
  std::memset(&Career, 0, sizeof Career);
  ResetCareerFields();
  Career.Cash = 777.0f;
  const std::vector<unsigned char> base = Bytes(Career);
  WriteAll("base/career.inf", base);
  for (size_t size : {0, 100, 296, 500, 2000}) {
    ASSERT_EQ(system("rm -f Documents/Kelvamor/career.inf.damaged*"), 0);
    std::vector<unsigned char> d(size);
    for (size_t i = 0; i < size; ++i) d[i] = static_cast<unsigned char>(i * 13 + 1);
    WriteAll(User(), d);
    testing::internal::CaptureStdout();
    ASSERT_TRUE(LoadCareer());
    const std::string log = testing::internal::GetCapturedStdout();
    SCOPED_TRACE(log);
    EXPECT_EQ(ReadAll(User() + ".damaged"), d) << size;
    EXPECT_NE(log.find("career.inf: " + User()), std::string::npos);
    EXPECT_NE(log.find("kept as " + User() + ".damaged"), std::string::npos);
    EXPECT_EQ(ReadAll(User()), base);
  }

  ASSERT_EQ(symlink("/dev/full", (User() + ".tmp").c_str()), 0);
  testing::internal::CaptureStdout();
  EXPECT_FALSE(SaveCareer());
  std::string log = testing::internal::GetCapturedStdout();
  EXPECT_NE(log.find("career.inf: cannot be saved to " + User() + ": No space left on device"), std::string::npos)
      << log;
  EXPECT_EQ(ReadAll(User()), base);

  ASSERT_EQ(system("rm -rf Documents/Kelvamor/career.inf* && mkdir Documents/Kelvamor/career.inf"), 0);
  testing::internal::CaptureStdout();
  EXPECT_FALSE(LoadCareer());
  log = testing::internal::GetCapturedStdout();
  EXPECT_NE(log.find("it is a folder"), std::string::npos) << log;
  EXPECT_NE(log.find("career.inf: cannot be saved to " + User()), std::string::npos) << log;
  EXPECT_FALSE(Exists(User() + ".damaged")) << "a folder is not the game's to move";
  EXPECT_FLOAT_EQ(Career.Cash, 777.0f);
}

}  // namespace
