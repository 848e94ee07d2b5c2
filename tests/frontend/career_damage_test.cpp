// Careers written the way play writes them (the bracket and race cursors choose the
// race, the race finish books it, the shop's BUY buttons pay), then every single bit
// of each flipped in turn, and every pair within one value of careers at the economy's
// edges: one damaged value is one cause, the repair never starts the shipped copy, and
// no stage the kept wins opened is locked again.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/career.h"
#include "app/input.h"
#include "app/settings.h"
#include "frontend/race_finish.h"
#include "frontend/screens.h"
#include "frontend/widgets.h"
#include "platform/vk.h"
#include "race/car_setup.h"
#include "tests/frontend/frontend_support.h"

namespace {

using namespace fetest;

class CareerDamage : public FrontendGlTest {
 protected:
  // One arrow press as a cursor sees it in its frame.
  static void Step(int vk, void (*cursor)()) {
    Press(vk);
    cursor();
    Release(vk);
    ReleaseLatchWhenIdle();
  }

  // The bracket page from its first stage to `position` (locked stages hold the cursor
  // back as they do for the player), then the race page to `race`.
  static void ChooseRace(int position, int race) {
    SettleOn(kScreenChampionship);
    for (int i = 0; i < 2; ++i) Step(platform::kVkDown, DrawBracketCursor);
    for (int i = 0; i < 2; ++i) Step(platform::kVkLeft, DrawBracketCursor);
    const int stage = position < 3 ? 0 : position < 5 ? 1 : 2;
    const int slot = position < 3 ? position : position < 5 ? position - 3 : 0;
    for (int i = 0; i < stage; ++i) Step(platform::kVkUp, DrawBracketCursor);
    for (int i = 0; i < slot; ++i) Step(platform::kVkRight, DrawBracketCursor);
    SettleOn(kScreenSelectRace);
    Step(platform::kVkDown, DrawRaceCursor);
    Step(platform::kVkLeft, DrawRaceCursor);
    if (race > 2) Step(platform::kVkUp, DrawRaceCursor);
    if (race % 2 == 0) Step(platform::kVkRight, DrawRaceCursor);
  }

  // A run of the chosen race finished in `place`, booked as the race finish books it.
  void Finish(int place) {
    FinishedRun run;
    run.place = place;
    run.bestLap.minutes = static_cast<int>(rng_() % 4);
    run.bestLap.seconds = static_cast<int>(rng_() % 60);
    run.bestLap.hundredths = static_cast<float>(rng_() % 10000) / 100.0f;
    Career.RaceMode = 1;
    ASSERT_TRUE(BookFinishedRun(&Career, run));
  }

  int RandomPlace() {
    const uint32_t r = rng_() % 20;
    return r < 11 ? 1 : r < 14 ? 2 : r < 16 ? 3 : 4;
  }

  // Plays the bracket until `stages` are open: each race is picked at random among the
  // open stages, and one not yet won is picked more often.
  void PlayUntilOpen(int32_t stages) {
    for (int guard = 0; Career.BracketUnlocked < stages && guard < 2000; ++guard) {
      const int open = Career.BracketUnlocked == 0 ? 3 : Career.BracketUnlocked + 1;
      int position = static_cast<int>(rng_() % open), race = 1 + static_cast<int>(rng_() % 4);
      for (int k = 0; k < 4 * open && rng_() % 3 != 0; ++k) {
        const int e = static_cast<int>(rng_() % (4 * open));
        if (Career.RaceBestPlace[e] != 1) {
          position = e / 4;
          race = e % 4 + 1;
          break;
        }
      }
      ChooseRace(position, race);
      Finish(RandomPlace());
      if (HasFatalFailure()) return;
    }
    ASSERT_EQ(Career.BracketUnlocked, stages);
  }

  // BUY on the car shop with `car` on show, as the player buys it.
  void BuyCar(int car) {
    SettleOn(kScreenCarShop);
    SelectedItem = car;
    ApplyCarPreset(car);
    LoaderLoadsLiveCar();
    Press(platform::kVkReturn);
    Frame();
    Release(platform::kVkReturn);
    ReleaseLatchWhenIdle();
    ASSERT_EQ(Career.CareerCar, car) << "the shop did not sell car " << car;
  }

  // BUY on the tuning page with `package` previewed.
  void BuyPackage(int package) {
    SettleOn(kScreenEnginePackages);
    SelectedItem = package;
    Frame();
    Press(platform::kVkReturn);
    Frame();
    Release(platform::kVkReturn);
    ReleaseLatchWhenIdle();
    int32_t level = -1;
    std::memcpy(&level, Career.carSetup + 4 * 36, 4);
    ASSERT_EQ(level, package) << "the tuning page did not sell package " << package;
  }

  // Races 1 to `races` in bracket order, each won at its first run.
  void WinEachAtFirstRun(int races) {
    for (int e = 0; e < races; ++e) {
      ChooseRace(e / 4, e % 4 + 1);
      Finish(1);
      if (HasFatalFailure()) return;
    }
  }

  std::mt19937 rng_{20240611u};
};

int TotalWins(const CareerRecord& c) {
  int wins = 0;
  for (int32_t w : c.RaceWins) wins += w;
  return wins;
}

struct SweepFigures {
  int flips = 0, unchanged = 0, repaired = 0, restored = 0, shipped = 0, locked = 0;
};

// Every single-bit flip of `played`: the repair finds at most one cause, never more
// than a repair keeps, leaves the stages open as they were, and holds for good.
SweepFigures FlipEveryBit(const CareerRecord& played, const char* name) {
  SweepFigures f;
  std::string names;
  for (int bit = 0; bit < static_cast<int>(8 * sizeof played); ++bit) {
    CareerRecord c = played;
    reinterpret_cast<unsigned char*>(&c)[bit / 8] ^= static_cast<unsigned char>(1u << (bit % 8));
    const int causes = RepairCareer(&c, &names);
    ++f.flips;
    if (causes == 0) ++f.unchanged;
    if (causes > 0) ++f.repaired;
    if (causes > 0 && std::memcmp(&c, &played, sizeof c) == 0) ++f.restored;
    if (causes > kMostRepairedCareerValues) ++f.shipped;
    if (c.BracketUnlocked < played.BracketUnlocked) ++f.locked;
    EXPECT_LE(causes, 1) << name << ", byte " << bit / 8 << " bit " << bit % 8 << ": " << names;
    EXPECT_EQ(c.BracketUnlocked, played.BracketUnlocked) << name << ", byte " << bit / 8 << " bit " << bit % 8;
    CareerRecord again = c;
    EXPECT_EQ(RepairCareer(&again, &names), 0) << name << ", byte " << bit / 8 << ": " << names;
  }
  std::printf("%s (cash %.0f, %d wins, stages open %d): %d flips, %d kept unchanged, %d repaired (%d of them "
              "back to the very bytes written), %d to the shipped copy, %d with a stage locked\n",
              name, static_cast<double>(played.Cash), TotalWins(played), played.BracketUnlocked, f.flips, f.unchanged,
              f.repaired, f.restored, f.shipped, f.locked);
  return f;
}

TEST_F(CareerDamage, EverySingleBitFlipOfPlayedCareersKeepsTheCareerAndItsStages) {
  // The name as the name page leaves it.
  std::strcpy(Career.PlayerName, "Ivan");
  Career.PlayerNameLength = 4;
  // The quarter-finals won, a car and a package bought with the prizes.
  PlayUntilOpen(4);
  ASSERT_FALSE(HasFatalFailure());
  BuyCar(3);
  BuyPackage(2);
  ASSERT_FALSE(HasFatalFailure());
  const CareerRecord quarterFinals = Career;

  // The semi-finals won too: the final open, a better car.
  PlayUntilOpen(5);
  ASSERT_FALSE(HasFatalFailure());
  BuyCar(9);
  ASSERT_FALSE(HasFatalFailure());
  for (int i = 0; i < 12; ++i) {
    ChooseRace(5, 1 + i % 4);
    Finish(RandomPlace());
  }
  const CareerRecord finalOpen = Career;

  // Many wins: cash past where a float still counts single units, the best car and
  // the last package.
  ChooseRace(5, 4);
  ASSERT_EQ(Career.BracketPosition, 5);
  ASSERT_EQ(Career.ChampionshipRace, 4);
  for (int i = 0; i < 24000; ++i) Finish(i % 50 == 0 ? 2 : 1);
  BuyCar(17);
  BuyPackage(5);
  ASSERT_FALSE(HasFatalFailure());
  const CareerRecord manyWins = Career;

  std::string names;
  for (const CareerRecord* c : {&quarterFinals, &finalOpen, &manyWins}) {
    CareerRecord copy = *c;
    ASSERT_EQ(RepairCareer(&copy, &names), 0) << "play wrote what the check refuses: " << names;
  }
  ASSERT_EQ(quarterFinals.BracketUnlocked, 4);
  ASSERT_EQ(finalOpen.BracketUnlocked, 5);
  ASSERT_GT(TotalWins(manyWins), 20000);
  ASSERT_GT(manyWins.Cash, 16777216.0f);

  for (const auto& [career, name] : {std::pair{&quarterFinals, "quarter-finals won"},
                                      std::pair{&finalOpen, "final open"}, std::pair{&manyWins, "many wins"}}) {
    const SweepFigures f = FlipEveryBit(*career, name);
    EXPECT_EQ(f.shipped, 0) << name;
    EXPECT_EQ(f.locked, 0) << name;
    EXPECT_GT(f.repaired, 0) << name << ": no flip was seen at all";
  }

  // The start-up's own path for the flips of the quarter-finals' race 1 place and of
  // the cash: the file is kept beside, the career and its open stage stay.
  const std::string user = UserFilePath("career.inf", false);
  for (size_t offset : {offsetof(CareerRecord, RaceBestPlace), offsetof(CareerRecord, Cash)}) {
    for (int bit = 0; bit < 32; ++bit) {
      SCOPED_TRACE("offset " + std::to_string(offset) + " bit " + std::to_string(bit));
      CareerRecord damaged = quarterFinals;
      reinterpret_cast<unsigned char*>(&damaged)[offset + bit / 8] ^= static_cast<unsigned char>(1u << (bit % 8));
      FILE* f = std::fopen(user.c_str(), "wb");
      ASSERT_NE(f, nullptr) << user;
      ASSERT_EQ(std::fwrite(&damaged, sizeof damaged, 1, f), 1u);
      std::fclose(f);
      testing::internal::CaptureStdout();
      ASSERT_TRUE(LoadCareer());
      const std::string log = testing::internal::GetCapturedStdout();
      EXPECT_EQ(log.find("shipped copy"), std::string::npos) << log;
      EXPECT_STREQ(Career.PlayerName, quarterFinals.PlayerName);
      EXPECT_EQ(Career.BracketUnlocked, 4);
      EXPECT_EQ(0, std::memcmp(Career.RaceWins, quarterFinals.RaceWins, sizeof Career.RaceWins));
      EXPECT_EQ(Career.RaceBestPlace[0], quarterFinals.RaceBestPlace[0]);
      // Cash that is still a sum the game can hold cannot be told from the real one.
      EXPECT_TRUE(Career.Cash == quarterFinals.Cash || Career.Cash == damaged.Cash) << Career.Cash;
      for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(user).parent_path()))
        if (entry.path().filename().string().rfind("career.inf.damaged", 0) == 0) std::filesystem::remove(entry.path());
    }
  }
}

// Every pair of bits within one four-byte value of `played` flipped together: a value
// damaged twice is still one damaged value, so the repair keeps the career.
SweepFigures FlipEveryPairInAValue(const CareerRecord& played, const char* name) {
  SweepFigures f;
  int most = 0;
  std::string names;
  for (size_t offset = 0; offset < sizeof played; offset += 4) {
    for (int a = 0; a < 32; ++a) {
      for (int b = a + 1; b < 32; ++b) {
        CareerRecord c = played;
        unsigned char* bytes = reinterpret_cast<unsigned char*>(&c) + offset;
        bytes[a / 8] ^= static_cast<unsigned char>(1u << (a % 8));
        bytes[b / 8] ^= static_cast<unsigned char>(1u << (b % 8));
        const int causes = RepairCareer(&c, &names);
        ++f.flips;
        if (causes == 0) ++f.unchanged;
        if (causes > 0) ++f.repaired;
        if (causes > 0 && std::memcmp(&c, &played, sizeof c) == 0) ++f.restored;
        if (causes > most) most = causes;
        if (c.BracketUnlocked < played.BracketUnlocked) ++f.locked;
        if (causes > kMostRepairedCareerValues) {
          ++f.shipped;
          ADD_FAILURE() << name << ", offset " << offset << " bits " << a << " and " << b << ": " << names;
        }
      }
    }
  }
  std::printf("%s, two bits of one value: %d flips, %d kept unchanged, %d repaired (%d back to the very bytes), "
              "at most %d causes, %d to the shipped copy, %d with a stage locked\n",
              name, f.flips, f.unchanged, f.repaired, f.restored, most, f.shipped, f.locked);
  return f;
}

// Both sweeps of a career at the economy's edge, which play wrote as it is.
void SweepAtTheEdge(const CareerRecord& career, const char* name) {
  std::string names;
  CareerRecord copy = career;
  ASSERT_EQ(RepairCareer(&copy, &names), 0) << name << ": play wrote what the check refuses: " << names;
  const SweepFigures one = FlipEveryBit(career, name);
  EXPECT_EQ(one.shipped, 0) << name;
  EXPECT_EQ(one.locked, 0) << name;
  const SweepFigures two = FlipEveryPairInAValue(career, name);
  EXPECT_EQ(two.shipped, 0) << name;
}

// Careers at the economy's edges: every run a win and nothing bought (cash, points and
// rating at the most the runs can pay), the same spent to 0 on the dearest lorry, every
// race of the bracket won at its first run, and many runs with few wins.
TEST_F(CareerDamage, QuarterFinalsEachWonAtTheFirstRunKeepTheirCashAndPointsWhateverOneValueLost) {
  std::strcpy(Career.PlayerName, "Olga");
  Career.PlayerNameLength = 4;
  WinEachAtFirstRun(12);
  ASSERT_FALSE(HasFatalFailure());
  const CareerRecord perfect = Career;
  ASSERT_EQ(perfect.Cash, 70000.0f);
  ASSERT_EQ(perfect.Points, 6000.0f);
  ASSERT_EQ(perfect.Rating, 4);
  ASSERT_EQ(perfect.BracketUnlocked, 4);
  SweepAtTheEdge(perfect, "quarter-finals each won at its first run");

  // The two the players met: race 6 won with no run, and cash past what 12 runs pay.
  std::string names;
  CareerRecord noRun = perfect;
  noRun.RaceAttempts[5] = 0;
  EXPECT_EQ(RepairCareer(&noRun, &names), 1) << names;
  EXPECT_EQ(names, "attempts (race 6)");
  EXPECT_EQ(0, std::memcmp(&noRun, &perfect, sizeof noRun));
  CareerRecord richer = perfect;
  richer.Cash = 70002.0f;
  EXPECT_EQ(RepairCareer(&richer, &names), 1) << names;
  EXPECT_EQ(names, "cash");
  EXPECT_EQ(0, std::memcmp(&richer, &perfect, sizeof richer));

  BuyCar(17);
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_EQ(Career.Cash, 0.0f);
  SweepAtTheEdge(Career, "the same spent to 0");
}

TEST_F(CareerDamage, EveryRaceWonAtItsFirstRunKeepsItsCashAndPointsWhateverOneValueLost) {
  std::strcpy(Career.PlayerName, "Zoya");
  Career.PlayerNameLength = 4;
  WinEachAtFirstRun(24);
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_EQ(Career.Cash, 130000.0f);
  ASSERT_EQ(Career.BracketUnlocked, 5);
  ASSERT_EQ(TotalWins(Career), 24);
  SweepAtTheEdge(Career, "every race won at its first run");
}

TEST_F(CareerDamage, ManyRunsWithFewWinsKeepTheCareerWhateverOneValueLost) {
  std::strcpy(Career.PlayerName, "Pyotr");
  Career.PlayerNameLength = 5;
  for (int round = 0; round < 25; ++round) {
    for (int e = 0; e < 12; ++e) {
      ChooseRace(e / 4, e % 4 + 1);
      Finish(4);
      ASSERT_FALSE(HasFatalFailure());
    }
  }
  for (int e : {0, 5, 10}) {
    ChooseRace(e / 4, e % 4 + 1);
    Finish(1);
  }
  ASSERT_EQ(TotalWins(Career), 3);
  ASSERT_EQ(Career.Cash, 25000.0f);
  SweepAtTheEdge(Career, "300 runs, 3 wins");
}

}  // namespace
