// career.inf: the new-career values, byte-identical write-back, and what a tampered
// file can and cannot do to the game.
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <limits>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/career.h"
#include "app/settings.h"
#include "frontend/race_finish.h"
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

// A career played through the game's own writers, `events` steps from a new career:
// the bracket and race pages' choices, championship, competition and quick runs booked
// as the race finish books them, cars and packages bought as the shops buy them. With
// `check`, every step's record must pass the load's checks untouched.
void PlayCareer(uint32_t seed, int events, bool check) {
  InitCarSetupDefaults();
  std::memset(&Career, 0, sizeof Career);
  ResetCareerFields();
  std::strcpy(Career.PlayerName, "Ivan");
  Career.PlayerNameLength = 4;
  std::mt19937 rng(seed);
  auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<uint32_t>(n)); };
  for (int e = 0; e < events; ++e) {
    FinishedRun run;
    run.place = pick(3) == 0 ? 1 + pick(4) : 1;
    run.bestLap.minutes = pick(5);
    run.bestLap.seconds = pick(60);
    run.bestLap.hundredths = static_cast<float>(pick(10000)) / 100.0f;
    switch (pick(7)) {
      case 0:
      case 1:
      case 2: {
        const int unlocked = Career.BracketUnlocked;
        Career.BracketPosition = pick(unlocked == 0 ? 3 : unlocked + 1);
        Career.ChampionshipRace = 1 + pick(4);
        Career.RaceMode = 1;
        BookFinishedRun(&Career, run);
        break;
      }
      case 3: {
        Career.RaceMode = 2;
        Career.CompetitionRegion = pick(3);
        Career.CompetitionRace = 1 + pick(Career.CompetitionProgress[Career.CompetitionRegion]);
        BookFinishedRun(&Career, run);
        break;
      }
      case 4: {
        const int k = pick(kCarModels);
        if (k == Career.CareerCar || Career.Cash < static_cast<float>(CarPrices[k])) break;
        Career.Cash -= static_cast<float>(CarPrices[k]);
        ApplyCarPreset(k);
        SaveCarSetupToCareer();
        break;
      }
      case 5: {
        const int level = pick(6);
        if (Career.Cash < static_cast<float>(PackagePrices[0][level])) break;
        Career.Cash -= static_cast<float>(PackagePrices[0][level]);
        LoadCarSetupFromCareer();
        LiveCarSetup.engineLevel = LiveCarSetup.suspensionLevel = LiveCarSetup.turboLevel = level;
        SaveCarSetupToCareer();
        break;
      }
      default:
        Career.RaceMode = 3;
        Career.QuickRaceNumber = 1 + pick(24);
        Career.QuickRaceCar = pick(kCarModels);
    }
    if (!check) continue;
    CareerRecord copy = Career;
    std::string names;
    ASSERT_EQ(RepairCareer(&copy, &names), 0) << "seed " << seed << ", step " << e << ": " << names;
  }
}

// Runs `save` in a child process: true when it ended by itself within `seconds`, with
// the save reporting success. A save that blocks is killed.
bool SavesWithin(bool (*save)(), int seconds) {
  const pid_t pid = fork();
  if (pid == 0) _exit(save() ? 0 : 1);
  for (int i = 0; i < seconds * 20; ++i) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    usleep(50000);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return false;
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
  // Values no single flipped bit explains go to the nearest the game writes.
  c.CareerCar = 1000;
  c.QuickRaceCar = -3;
  c.BracketPosition = 6;
  c.ChampionshipRace = 99;
  c.CompetitionRegion = 7;
  c.CompetitionRace = 0;
  c.QuickRaceNumber = 25;
  c.RaceMode = 0;
  const int32_t levels[3] = {14, -1, 4};
  std::memcpy(c.carSetup + 144, levels, sizeof levels);
  c.Cash = std::numeric_limits<float>::quiet_NaN();
  c.Points = std::numeric_limits<float>::infinity();
  c.BonusTotals[9] = -std::numeric_limits<float>::infinity();
  EXPECT_TRUE(SanitizeCareer(&c));
  EXPECT_EQ(c.PlayerName[8], '\0');
  EXPECT_EQ(std::strlen(c.PlayerName), 7u) << "the entry types seven letters, the rest are terminators";
  EXPECT_EQ(c.PlayerNameLength, 7);
  EXPECT_EQ(c.CareerCar, 17);
  EXPECT_EQ(c.QuickRaceCar, 0);
  EXPECT_EQ(c.BracketPosition, 2) << "only the quarter-finals are open";
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
  Career.RaceBestPlace[7] = 1;
  Career.RaceWins[7] = 3;
  Career.RaceAttempts[7] = 4;
  Career.RaceBestLapMinutes[7] = 1;
  Career.RaceBestLapSeconds[7] = 59;
  Career.RaceBestLapHundredths[7] = 99;
  Career.Cash = 123.0f;
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
  const std::vector<unsigned char> tampered = Bytes(Career);
  WriteAll(User(), tampered);
  testing::internal::CaptureStdout();
  ASSERT_TRUE(LoadCareer());
  const std::string log = testing::internal::GetCapturedStdout();
  EXPECT_EQ(Career.BracketPosition, 2);
  EXPECT_EQ(Career.RaceMode, 1);
  const std::vector<unsigned char> b = ReadAll(User());
  EXPECT_EQ(At<int32_t>(b, 248), 2);
  EXPECT_EQ(At<int32_t>(b, 1068), 1);
  EXPECT_EQ(ReadAll(User() + ".damaged"), tampered) << "the repair keeps the old bytes beside";
  EXPECT_NE(log.find("(bracket position, race mode)"), std::string::npos) << log;
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

  // A full disk: the whole career no longer fits.
  testing::internal::CaptureStdout();
  {
    const FileSizeLimit full(kCareerFileSize - 80);
    EXPECT_FALSE(SaveCareer());
  }
  std::string log = testing::internal::GetCapturedStdout();
  EXPECT_NE(log.find("career.inf: cannot be saved to " + User() + ": File too large"), std::string::npos)
      << log;
  EXPECT_EQ(ReadAll(User()), base);
  for (const std::string& name : FolderNames(home_.Kelvamor("")))
    EXPECT_EQ(name.find(".tmp"), std::string::npos) << name << ": a failed save leaves no temporary file";

  ASSERT_EQ(system("rm -rf Documents/Kelvamor/career.inf* && mkdir Documents/Kelvamor/career.inf"), 0);
  testing::internal::CaptureStdout();
  EXPECT_FALSE(LoadCareer());
  log = testing::internal::GetCapturedStdout();
  EXPECT_NE(log.find("it is a folder"), std::string::npos) << log;
  EXPECT_NE(log.find("career.inf: cannot be saved to " + User()), std::string::npos) << log;
  EXPECT_FALSE(Exists(User() + ".damaged")) << "a folder is not the game's to move";
  EXPECT_FLOAT_EQ(Career.Cash, 777.0f);
}

// Careers as only play makes them pass the checks untouched at every step, through
// the bracket's unlocks, the shops and the three kinds of race; and whatever bytes a
// file holds, one repair brings every field into range for good.
TEST(CareerChecks, PlayedCareersPassAndAnyBytesRepairForGood) {
  bool final = false;
  for (uint32_t seed : {1u, 2u, 3u}) {
    PlayCareer(seed, 600, true);
    if (HasFatalFailure()) return;
    final = final || Career.BracketUnlocked == 5;
    EXPECT_GT(Career.Rating, 1) << seed;
  }
  EXPECT_TRUE(final) << "no played career opened the final: the bracket checks went untried";

  std::mt19937 rng(99);
  for (int i = 0; i < 2000; ++i) {
    CareerRecord c;
    unsigned char* p = reinterpret_cast<unsigned char*>(&c);
    for (size_t b = 0; b < sizeof c; ++b) p[b] = static_cast<unsigned char>(rng());
    std::string names;
    EXPECT_GT(RepairCareer(&c, &names), kMostRepairedCareerValues)
        << "noise " << i << " looked like a career: " << names;
    CareerRecord again = c;
    ASSERT_EQ(RepairCareer(&again, &names), 0) << "noise " << i << " still has " << names;
    EXPECT_GE(c.Rating, 1);
    EXPECT_TRUE(std::isfinite(c.Cash) && c.Cash >= 0.0f);
  }
}

// A file of the right size holding noise, zeros or 0xFF is kept beside with a line
// naming it and the fields; the shipped copy starts, every field in range.
TEST_F(CareerFiles, NoiseZerosAndOnesAreKeptBesideAndTheShippedCopyStarts) {
  InitCarSetupDefaults();
  std::memset(&Career, 0, sizeof Career);
  ResetCareerFields();
  Career.FirstCareerFlag = 1;
  const std::vector<unsigned char> base = Bytes(Career);
  WriteAll("base/career.inf", base);

  std::vector<std::vector<unsigned char>> files = {std::vector<unsigned char>(kCareerFileSize, 0),
                                                   std::vector<unsigned char>(kCareerFileSize, 0xFF)};
  std::mt19937 rng(1234);
  for (int n = 0; n < 8; ++n) {
    std::vector<unsigned char> noise(kCareerFileSize);
    for (unsigned char& b : noise) b = static_cast<unsigned char>(rng());
    files.push_back(noise);
  }
  for (size_t i = 0; i < files.size(); ++i) {
    SCOPED_TRACE("file " + std::to_string(i));
    ASSERT_EQ(system("rm -f Documents/Kelvamor/career.inf.damaged*"), 0);
    WriteAll(User(), files[i]);
    testing::internal::CaptureStdout();
    ASSERT_TRUE(LoadCareer());
    const std::string log = testing::internal::GetCapturedStdout();
    SCOPED_TRACE(log);
    EXPECT_EQ(ReadAll(User() + ".damaged"), files[i]) << "the old bytes are kept";
    EXPECT_NE(log.find("career.inf: " + User() + " holds values the game never writes ("), std::string::npos);
    EXPECT_NE(log.find("kept as " + User() + ".damaged, a new career starts from the shipped copy"),
              std::string::npos);
    EXPECT_EQ(Bytes(Career), base);
    EXPECT_EQ(ReadAll(User()), base);
    CareerRecord again = Career;
    EXPECT_FALSE(SanitizeCareer(&again));
    if (i == 0) {
      for (const char* field : {"rating", "championship race", "best places (races 1, 2, 3 and 27 more)",
                                "competition progress", "race mode"})
        EXPECT_NE(log.find(field), std::string::npos) << field;
      EXPECT_EQ(log.find("cash"), std::string::npos) << "no cash is cash the game can hold";
    }
    if (i == 1) {
      for (const char* field : {"name", "cash", "points", "set-up ratings", "paint", "wins (races"})
        EXPECT_NE(log.find(field), std::string::npos) << field;
    }
  }
}

// A played career with a few damaged fields keeps its name, cash, rating, bracket and
// race records; only the damaged fields change, and the old bytes stay beside.
TEST_F(CareerFiles, APlayedCareerWithAFewBadFieldsKeepsItsProgress) {
  PlayCareer(7, 400, false);
  const CareerRecord played = Career;
  ASSERT_GT(played.Rating, 1);
  ASSERT_GT(played.BracketUnlocked, 0);
  int raced = 0;
  while (raced < 24 && played.RaceAttempts[raced] == 0) ++raced;
  ASSERT_LT(raced, 24);

  for (int variant = 0; variant < 2; ++variant) {
    SCOPED_TRACE("variant " + std::to_string(variant));
    ASSERT_EQ(system("rm -f Documents/Kelvamor/career.inf.damaged*"), 0);
    CareerRecord damaged = played;
    CareerRecord expected = played;
    std::vector<const char*> named;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    if (variant == 0) {
      // One best lap the clock cannot show (a flipped bit: it comes back, the lap's
      // minutes and hundredths untouched), and no number for the points.
      damaged.RaceBestLapSeconds[raced] ^= 64;
      damaged.Points = nan;
      expected.Points = 0.0f;
      named = {"best laps (race ", "points"};
    } else {
      // The power rating and a paint value no number, a package past the last by a
      // flipped bit, which comes back.
      std::memcpy(damaged.carSetup, &nan, 4);
      std::memcpy(damaged.carSetup + 4 * 20, &nan, 4);
      damaged.carSetup[144] ^= 8;
      std::memcpy(expected.carSetup, &CarPresetRatings[played.CareerCar][0], 4);
      const float black = 0.0f;
      std::memcpy(expected.carSetup + 4 * 20, &black, 4);
      named = {"set-up ratings", "paint", "package levels"};
    }
    WriteAll(User(), Bytes(damaged));
    testing::internal::CaptureStdout();
    ASSERT_TRUE(LoadCareer());
    const std::string log = testing::internal::GetCapturedStdout();
    SCOPED_TRACE(log);
    EXPECT_EQ(ReadAll(User() + ".damaged"), Bytes(damaged));
    EXPECT_NE(log.find("career.inf: " + User() + " holds values the game never writes ("), std::string::npos);
    EXPECT_NE(log.find("the rest of the career is kept and these fields repaired"), std::string::npos);
    for (const char* field : named) EXPECT_NE(log.find(field), std::string::npos) << field;
    EXPECT_EQ(Bytes(Career), Bytes(expected));
    EXPECT_EQ(ReadAll(User()), Bytes(expected));
    EXPECT_STREQ(Career.PlayerName, "Ivan");
    EXPECT_EQ(Career.Rating, played.Rating);
    EXPECT_EQ(Career.BracketUnlocked, played.BracketUnlocked);
  }
}

// The rule between repair and the shipped copy, at its edge: a played career with as
// many separate damaged values as a repair keeps (a won race's place among them, whose
// win and opened stage say what it was; cash that is no number) keeps everything else
// and gets those back; one value more and the record is taken for no career at all.
TEST_F(CareerFiles, AsManyDamagedValuesAsARepairKeepsAreRepairedOneMoreStartsTheShippedCopy) {
  std::memset(&Career, 0, sizeof Career);
  ResetCareerFields();
  Career.FirstCareerFlag = 1;
  const std::vector<unsigned char> base = Bytes(Career);
  WriteAll("base/career.inf", base);
  PlayCareer(7, 400, false);
  const CareerRecord played = Career;
  ASSERT_GE(played.BracketUnlocked, 4);
  ASSERT_EQ(played.RaceBestPlace[0], 1);

  // Separate damaged values, each a cause of its own.
  void (*const damages[])(CareerRecord*) = {
      [](CareerRecord* c) { c->RaceBestPlace[0] = 7; },
      [](CareerRecord* c) { c->Cash = std::numeric_limits<float>::quiet_NaN(); },
      [](CareerRecord* c) { c->field228 ^= 1 << 20; },
      [](CareerRecord* c) { c->ShopCarLimit ^= 8; },
      [](CareerRecord* c) { c->FirstCareerFlag ^= 2; },
      [](CareerRecord* c) { c->QuickRaceNumber ^= 1 << 7; },
      [](CareerRecord* c) { c->RaceMode ^= 1 << 4; },
      [](CareerRecord* c) { c->CompetitionRegion ^= 1 << 9; },
      [](CareerRecord* c) { c->QuickRaceCar ^= 1 << 12; },
      [](CareerRecord* c) { c->RaceAttempts[28] = 3; },
  };
  constexpr int kDamages = sizeof damages / sizeof damages[0];
  ASSERT_LT(kMostRepairedCareerValues, kDamages) << "too few damages to pass the rule";
  CareerRecord damaged = played;
  for (int i = 0; i < kMostRepairedCareerValues; ++i) damages[i](&damaged);
  CareerRecord beyond = damaged;
  damages[kMostRepairedCareerValues](&beyond);
  CareerRecord one = damaged, two = beyond;
  EXPECT_EQ(RepairCareer(&one, nullptr), kMostRepairedCareerValues) << "each damaged value is one cause";
  EXPECT_EQ(RepairCareer(&two, nullptr), kMostRepairedCareerValues + 1);

  WriteAll(User(), Bytes(damaged));
  testing::internal::CaptureStdout();
  ASSERT_TRUE(LoadCareer());
  std::string log = testing::internal::GetCapturedStdout();
  EXPECT_NE(log.find("the rest of the career is kept and these fields repaired"), std::string::npos) << log;
  EXPECT_EQ(log.find("wins"), std::string::npos) << "the win follows the place: " << log;
  EXPECT_EQ(log.find("bracket"), std::string::npos) << "the stage follows the wins: " << log;
  EXPECT_EQ(ReadAll(User() + ".damaged"), Bytes(damaged));
  // Cash that is no number keeps the most the career's runs could have paid.
  EXPECT_GE(Career.Cash, played.Cash);
  EXPECT_EQ(std::trunc(Career.Cash), Career.Cash);
  CareerRecord expected = played;
  expected.Cash = Career.Cash;
  EXPECT_EQ(Bytes(Career), Bytes(expected)) << "every other value comes back as it was played";

  ASSERT_EQ(system("rm -f Documents/Kelvamor/career.inf.damaged*"), 0);
  WriteAll(User(), Bytes(beyond));
  testing::internal::CaptureStdout();
  ASSERT_TRUE(LoadCareer());
  log = testing::internal::GetCapturedStdout();
  EXPECT_NE(log.find("a new career starts from the shipped copy"), std::string::npos) << log;
  EXPECT_EQ(ReadAll(User() + ".damaged"), Bytes(beyond));
  EXPECT_EQ(Bytes(Career), base);
}

// cars.ini and the career check hold one bound: a preset with a part choice or a paint
// value the shop cannot give is refused by the reader, naming the file and the car, so
// a career made from the table (a new one, or any car bought) is never taken for
// damage at the next start; the presets beside it, at the bound itself, are read.
TEST_F(CareerFiles, APresetOutsideWhatTheShopGivesIsRefusedByTheCarsTable) {
  CarSetup before[kCarModels];
  std::memcpy(before, CarPresets, sizeof before);
  std::memset(CarPresets, 0, sizeof CarPresets);
  InitCarSetupDefaults();
  CarSetup written[kCarModels];
  std::memset(written, 0, sizeof written);
  for (CarSetup& p : written)
    for (auto& zone : p.paint) zone[0] = zone[1] = zone[2] = 0.5f;
  written[0].partChoiceA[2] = 21;
  written[0].paint[1][2] = 1.5f;
  written[1].paint[6][0] = 1.5f;
  written[2].partChoiceB[1] = kMostPartChoice;
  written[2].paint[6][2] = 1.0f;
  written[3].partChoiceA[0] = -1;
  std::vector<unsigned char> table(kCarModels * kCarsIniRecordWords * 4);
  for (int k = 0; k < kCarModels; ++k) EncodeCarsIniRecord(written[k], table.data() + k * kCarsIniRecordWords * 4);
  WriteAll("base/cars.ini", table);

  testing::internal::CaptureStdout();
  LoadCarsTable();
  const std::string log = testing::internal::GetCapturedStdout();
  EXPECT_NE(log.find("base/cars.ini: car 0 holds part choice 21 (the shop offers 0-20)"), std::string::npos) << log;
  EXPECT_NE(log.find("base/cars.ini: car 1 holds paint value 1.5 (a colour is 0-1)"), std::string::npos) << log;
  EXPECT_NE(log.find("base/cars.ini: car 3 holds part choice -1"), std::string::npos) << log;
  EXPECT_EQ(log.find("car 2"), std::string::npos) << "the bound itself is what the shop gives: " << log;
  EXPECT_EQ(CarPresets[2].partChoiceB[1], kMostPartChoice);
  EXPECT_FLOAT_EQ(CarPresets[2].paint[6][2], 1.0f);
  EXPECT_FLOAT_EQ(CarPresets[4].paint[0][0], 0.5f) << "the records after a refused one are read";
  EXPECT_NE(CarPresets[0].partChoiceA[2], 21);

  for (int k = 0; k < kCarModels; ++k) {
    std::memset(&Career, 0, sizeof Career);
    ResetCareerFields();
    ApplyCarPreset(k);
    SaveCarSetupToCareer();
    CareerRecord c = Career;
    std::string names;
    EXPECT_EQ(RepairCareer(&c, &names), 0) << "a career with car " << k << " is refused: " << names;
  }
  std::memcpy(CarPresets, before, sizeof before);
}

// A FIFO or a link planted under the temporary file's old fixed name: the saves go on
// without waiting on the FIFO and never write through the link.
TEST_F(CareerFiles, PlantedTemporaryNamesNeitherBlockNorRedirectTheSave) {
  std::memset(&Career, 0, sizeof Career);
  ResetCareerFields();
  Career.Cash = 4321.0f;
  Settings = DefaultSettings();
  const std::string menu = home_.Kelvamor("menu.inf");
  ASSERT_EQ(mkfifo((User() + ".tmp").c_str(), 0644), 0);
  ASSERT_EQ(mkfifo((menu + ".tmp").c_str(), 0644), 0);
  EXPECT_TRUE(SavesWithin(SaveCareer, 20)) << "the career's save blocked or failed";
  EXPECT_TRUE(SavesWithin(SaveSettings, 20)) << "the settings' save blocked or failed";
  EXPECT_EQ(ReadAll(User()), Bytes(Career));
  EXPECT_EQ(ReadAll(menu).size(), kSettingsFileSize);
  struct stat st;
  ASSERT_EQ(lstat((User() + ".tmp").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "what was planted is not the game's to remove";

  ASSERT_EQ(unlink((User() + ".tmp").c_str()), 0);
  ASSERT_EQ(unlink((menu + ".tmp").c_str()), 0);
  const std::string target = home_.path() + "/elsewhere";
  const std::vector<unsigned char> kept = {'k', 'e', 'e', 'p'};
  WriteAll(target, kept);
  ASSERT_EQ(symlink(target.c_str(), (User() + ".tmp").c_str()), 0);
  ASSERT_EQ(symlink(target.c_str(), (menu + ".tmp").c_str()), 0);
  Career.Cash = 1234.0f;
  EXPECT_TRUE(SaveCareer());
  EXPECT_TRUE(SaveSettings());
  EXPECT_EQ(ReadAll(target), kept) << "the link's target was written";
  EXPECT_EQ(ReadAll(User()), Bytes(Career));
  ASSERT_EQ(lstat(User().c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(FolderNames(home_.Kelvamor("")),
            (std::vector<std::string>{"career.inf", "career.inf.tmp", "menu.inf", "menu.inf.tmp"}))
      << "every save's own temporary file is renamed into place";
}

}  // namespace
