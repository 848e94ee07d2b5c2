// Whether a race path can carry a race, and what a race load does with one that
// cannot: no simulator, nothing half built.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "race/car.h"
#include "race/car_setup.h"
#include "race/physics_world.h"
#include "race/race_load.h"
#include "race/waypoints.h"
#include "tests/scratch_dir.h"
#include "tests/race/lorry_points.h"

namespace {

// A straight path along +X, 7 units a step, with a checkpoint at the given index.
std::vector<Waypoint> Straight(int count, int checkpointAt, int32_t kind = kWaypointCheckpoint) {
  std::vector<Waypoint> p;
  for (int i = 0; i < count; ++i) p.push_back({7.0f * i, 2.0f, 0.0f, kWaypointPlain});
  if (checkpointAt >= 0 && checkpointAt < count) p[checkpointAt].kind = kind;
  return p;
}

bool Usable(const std::vector<Waypoint>& p, std::string* why = nullptr) {
  const char* reason = nullptr;
  const bool ok = RacePathUsable(p.data(), static_cast<int32_t>(p.size()) - 1, &reason);
  if (why) *why = reason ? reason : "";
  return ok;
}

TEST(RacePath, RefusesPathsARaceCannotRunOn) {
  EXPECT_TRUE(Usable(Straight(40, 10)));
  EXPECT_TRUE(Usable(Straight(40, 10, kWaypointCheckpointA)));
  EXPECT_TRUE(Usable(Straight(40, 10, kWaypointCheckpointB)));

  std::string why;
  EXPECT_FALSE(Usable(Straight(1, -1), &why)) << "one point: no direction for the grid";
  EXPECT_FALSE(why.empty());
  EXPECT_FALSE(RacePathUsable(nullptr, 5));

  // Waypoints 0 and 1 on one spot seen from above (a height step only): every car
  // would stand on one spot with no direction.
  std::vector<Waypoint> stacked = Straight(40, 10);
  stacked[1] = {0.3f, 9.0f, 0.3f, kWaypointPlain};
  EXPECT_FALSE(Usable(stacked, &why));
  stacked[1] = {0.3f, 9.0f, 0.4f, kWaypointPlain};  // 0.5 apart: enough
  EXPECT_TRUE(Usable(stacked));

  // No checkpoint but the lap line: the lap would count every frame at the line.
  EXPECT_FALSE(Usable(Straight(40, -1), &why));
  // A checkpoint within twice the reach of the line counts together with it.
  EXPECT_FALSE(Usable(Straight(40, 6)));  // 42 units
  EXPECT_TRUE(Usable(Straight(40, 7)));   // 49 units
  std::vector<Waypoint> zeroOnly = Straight(40, -1);
  zeroOnly[0].kind = kWaypointCheckpoint;
  EXPECT_FALSE(Usable(zeroOnly)) << "waypoint 0 is the lap line whatever its kind";
}

TEST(RacePath, EveryGeneratedRaceIsUsable) {
  struct stat st;
  if (stat("base/world/races/1.ai", &st) != 0) GTEST_SKIP() << "base/ not generated here (build the base target)";
  for (int race = 1; race <= 30; ++race) {
    ASSERT_TRUE(LoadRacePath(race)) << race;
    std::string why;
    const char* reason = nullptr;
    EXPECT_TRUE(RacePathUsable(WaypointTable, WaypointLastIndex, &reason)) << race << ": " << (reason ? reason : "");
  }
}

// A working folder holding base/ with one race path, one physics layer and the points
// of lorries 0-3 copied from the generated data, for the refusals of a race load.
class RaceFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    struct stat st;
    if (stat("base/world/0/models/physic.sbm", &st) != 0) GTEST_SKIP() << "base/ not generated here";
    home_ = getcwd(nullptr, 0);
    root_ = testscratch::ScratchDir();
    for (const char* d : {"base", "base/world", "base/world/races", "base/world/0", "base/world/0/models", "base/cars"})
      mkdir((root_ + d).c_str(), 0755);
    Copy(std::string(home_) + "/base/world/0/models/physic.sbm", root_ + "base/world/0/models/physic.sbm");
    for (int s = 0; s < kRaceCarCount; ++s) {
      const std::string points = "base/cars/" + std::to_string(s) + "/points.sbm";
      mkdir((root_ + "base/cars/" + std::to_string(s)).c_str(), 0755);
      Copy(std::string(home_) + "/" + points, root_ + points);
      RaceCars[s].modelIndex = s;
    }
    ASSERT_EQ(chdir(root_.c_str()), 0);
  }
  void TearDown() override {
    DestroyPhysicsWorld();
    if (home_) {
      EXPECT_EQ(chdir(home_), 0);
    }
    std::free(home_);
  }
  static void Copy(const std::string& from, const std::string& to) {
    FILE* in = std::fopen(from.c_str(), "rb");
    FILE* out = std::fopen(to.c_str(), "wb");
    ASSERT_NE(in, nullptr);
    ASSERT_NE(out, nullptr);
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, in)) > 0) std::fwrite(buf, 1, n, out);
    std::fclose(in);
    std::fclose(out);
  }
  void PutPath(int race, const std::vector<Waypoint>& path) {
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(EncodeRacePath(path, &bytes));
    FILE* f = std::fopen(("base/world/races/" + std::to_string(race) + ".ai").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), bytes.size(), 1, f);
    std::fclose(f);
  }

  char* home_ = nullptr;
  std::string root_;
};

TEST_F(RaceFolder, ARefusedRaceBuildsNoSimulator) {
  EXPECT_FALSE(LoadRacePhysics(1)) << "no path file";
  EXPECT_EQ(RaceSimulator, nullptr);
  EXPECT_FALSE(LoadRacePhysics(31)) << "outside the race files";

  PutPath(1, Straight(40, -1));
  EXPECT_FALSE(LoadRacePhysics(1)) << "no checkpoint";
  EXPECT_EQ(RaceSimulator, nullptr);

  // A usable path in world 0: the race loads, with the cars standing on the grid.
  PutPath(1, Straight(40, 10));
  ASSERT_TRUE(LoadRacePhysics(1));
  EXPECT_NE(RaceSimulator, nullptr);
  for (const CSampleCar& car : RaceCars) EXPECT_NE(car.body, nullptr);

  // World 1 has no physics layer here: refused, and the last race's world is gone.
  PutPath(2, Straight(40, 10));
  EXPECT_FALSE(LoadRacePhysics(2));
  EXPECT_EQ(RaceSimulator, nullptr);
  for (const CSampleCar& car : RaceCars) EXPECT_EQ(car.body, nullptr);
}

// A lorry whose points do not read, or read but mark no wheel, would race without
// wheels: the race is refused naming the file, with no simulator.
TEST_F(RaceFolder, ALorryWithoutWheelMarkersIsRefusedNamingItsPoints) {
  PutPath(1, Straight(40, 10));
  ASSERT_TRUE(LoadRacePhysics(1));
  const std::string points = "base/cars/2/points.sbm";
  std::string error;
  ASSERT_TRUE(WriteWheellessPoints(points, &error)) << error;
  for (const char* kind : {"no wheel marker", "missing"}) {
    SCOPED_TRACE(kind);
    if (*kind == 'm') std::remove(points.c_str());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(LoadRacePhysics(1));
    const std::string err = testing::internal::GetCapturedStderr();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(err.find("race 1: refused: " + points + " cannot be used"), std::string::npos) << err;
    EXPECT_NE(out.find(points + ": "), std::string::npos) << out;
    EXPECT_EQ(RaceSimulator, nullptr);
  }
  // A lorry of no model has no points to read either.
  Copy(std::string(home_) + "/" + points, points);
  RaceCars[3].modelIndex = -1;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(LoadRacePhysics(1));
  EXPECT_NE(testing::internal::GetCapturedStderr().find("race 1: refused: "), std::string::npos);
  RaceCars[3].modelIndex = 3;
  EXPECT_TRUE(LoadRacePhysics(1)) << "the lorries' own points again";
}

}  // namespace
