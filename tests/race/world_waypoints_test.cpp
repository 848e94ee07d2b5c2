#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <sys/stat.h>

#include "race/waypoints.h"

namespace {

std::vector<Waypoint> Line(int count, float step) {
  std::vector<Waypoint> p;
  for (int i = 0; i < count; ++i) p.push_back({i * step, 1.0f, 0.5f * i, kWaypointPlain});
  return p;
}

// A folder with base/world/races/ as the working directory for one test.
class RaceFolder {
 public:
  RaceFolder() {
    char tmpl[] = "/tmp/world_ai_XXXXXX";
    dir_ = mkdtemp(tmpl);
    old_ = getcwd(nullptr, 0);
    std::string p = dir_;
    for (const char* part : {"/base", "/base/world", "/base/world/races"}) {
      p = dir_ + part;
      mkdir(p.c_str(), 0755);
    }
    EXPECT_EQ(chdir(dir_.c_str()), 0);
  }
  ~RaceFolder() {
    EXPECT_EQ(chdir(old_), 0);
    std::free(old_);
    std::system(("rm -rf '" + dir_ + "'").c_str());
  }
  void Put(int race, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(("base/world/races/" + std::to_string(race) + ".ai").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    if (!bytes.empty()) std::fwrite(bytes.data(), bytes.size(), 1, f);
    std::fclose(f);
  }

 private:
  std::string dir_;
  char* old_;
};

TEST(WorldWaypoints, RoundTripKeepsEveryFieldAndTheSizeRule) {
  std::vector<Waypoint> path = Line(37, 7.0f);
  path[3].kind = kWaypointCheckpointB;
  path[36].y = -2.5f;
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(EncodeRacePath(path, &bytes));
  EXPECT_EQ(bytes.size(), 4u + 16u * path.size());
  EXPECT_EQ(bytes[0], 36);  // L, the last index, little-endian
  std::vector<Waypoint> back;
  ASSERT_TRUE(DecodeRacePath(bytes.data(), bytes.size(), &back));
  ASSERT_EQ(back.size(), path.size());
  EXPECT_EQ(0, std::memcmp(back.data(), path.data(), path.size() * sizeof(Waypoint)));

  // L = 0 holds one record in 20 bytes.
  ASSERT_TRUE(EncodeRacePath(Line(1, 1.0f), &bytes));
  EXPECT_EQ(bytes.size(), 20u);
  ASSERT_TRUE(DecodeRacePath(bytes.data(), bytes.size(), &back));
  EXPECT_EQ(back.size(), 1u);
  // Nothing to write, or more than the table holds.
  EXPECT_FALSE(EncodeRacePath({}, &bytes));
  EXPECT_FALSE(EncodeRacePath(Line(kWaypointCapacity + 1, 1.0f), &bytes));
  // Nor a point the reader refuses: a coordinate that is not a finite number.
  std::vector<Waypoint> lost = Line(12, 7.0f);
  lost[4].z = std::nanf("");
  EXPECT_FALSE(EncodeRacePath(lost, &bytes));
  lost[4].z = 0.0f;
  lost[11].y = -INFINITY;
  EXPECT_FALSE(EncodeRacePath(lost, &bytes));
  EXPECT_EQ(bytes.size(), 20u) << "a refused path leaves the bytes as they were";
}

TEST(WorldWaypoints, HostileFilesAreRefusedAndLeaveTheOutputAlone) {
  std::vector<uint8_t> good;
  ASSERT_TRUE(EncodeRacePath(Line(10, 7.0f), &good));
  std::vector<Waypoint> out = Line(2, 1.0f);
  const std::vector<Waypoint> before = out;
  auto refused = [&](std::vector<uint8_t> bytes) {
    const bool ok = DecodeRacePath(bytes.data(), bytes.size(), &out);
    return !ok && out.size() == before.size() && out[1].x == before[1].x;
  };
  EXPECT_TRUE(refused({}));
  EXPECT_TRUE(refused({1, 0, 0}));
  // The count comes from L, so a file cut inside its records is refused...
  EXPECT_TRUE(refused(std::vector<uint8_t>(good.begin(), good.end() - 1)));
  // ...and one promising more than the table's 1200 records, or a negative count.
  std::vector<uint8_t> big = good;
  big[0] = 0xB0, big[1] = 0x04;  // L = 1200
  EXPECT_TRUE(refused(big));
  std::vector<uint8_t> negative = good;
  negative[3] = 0x80;
  EXPECT_TRUE(refused(negative));
  std::vector<uint8_t> nan = good;
  nan[4 + 16 * 5 + 3] = 0x7F, nan[4 + 16 * 5 + 2] = 0xC0;  // x of record 5 := NaN
  EXPECT_TRUE(refused(nan));
  // Trailing bytes beyond L's records are ignored: the count is L's.
  std::vector<uint8_t> longer = good;
  longer.insert(longer.end(), 16, 0);
  ASSERT_TRUE(DecodeRacePath(longer.data(), longer.size(), &out));
  EXPECT_EQ(out.size(), 10u);
}

TEST(WorldWaypoints, RecorderMarksEveryHundredthPointButTheLastNearTheStart) {
  // 250 points in a line: 200 lies 1400 units out, so it is marked with 100 and 0.
  std::vector<Waypoint> p = Line(250, 7.0f);
  p[100].kind = kWaypointMarkerA;
  p[200].kind = kWaypointMarkerB;
  p[150].kind = kWaypointMarkerA;
  MarkCheckpoints(&p);
  EXPECT_EQ(p[0].kind, kWaypointCheckpoint);
  EXPECT_EQ(p[100].kind, kWaypointCheckpointA);
  EXPECT_EQ(p[200].kind, kWaypointCheckpointB);
  EXPECT_EQ(p[150].kind, kWaypointMarkerA);
  int checkpoints = 0;
  for (const Waypoint& w : p) checkpoints += IsCheckpoint(w.kind);
  EXPECT_EQ(checkpoints, 3);

  // A loop whose highest multiple of 100 comes back within 350 units of the start.
  std::vector<Waypoint> loop;
  for (int i = 0; i < 320; ++i) {
    const float a = 6.2831853f * i / 320;
    loop.push_back({350.0f * std::cos(a), 0, 350.0f * std::sin(a), kWaypointPlain});
  }
  MarkCheckpoints(&loop);
  EXPECT_FALSE(IsCheckpoint(loop[300].kind));  // about 209 units from waypoint 0
  EXPECT_TRUE(IsCheckpoint(loop[200].kind));
  EXPECT_TRUE(IsCheckpoint(loop[100].kind));
  EXPECT_TRUE(IsCheckpoint(loop[0].kind));
  EXPECT_TRUE(IsCheckpoint(kWaypointCheckpointA) && IsCheckpoint(kWaypointCheckpointB));
  EXPECT_FALSE(IsCheckpoint(kWaypointMarkerA) || IsCheckpoint(kWaypointMarkerB));
}

TEST(WorldWaypoints, LoadFillsTheTableOnlyFromAGoodFile) {
  RaceFolder folder;
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(EncodeRacePath(Line(12, 7.0f), &bytes));
  folder.Put(5, bytes);
  ASSERT_TRUE(LoadRacePath(5));
  EXPECT_EQ(WaypointLastIndex, 11);
  EXPECT_FLOAT_EQ(WaypointTable[11].x, 77.0f);

  // Missing, short and out-of-range races keep the last good path.
  folder.Put(6, std::vector<uint8_t>(bytes.begin(), bytes.begin() + 30));
  EXPECT_FALSE(LoadRacePath(6));
  EXPECT_FALSE(LoadRacePath(7));
  EXPECT_FALSE(LoadRacePath(0));
  EXPECT_FALSE(LoadRacePath(31));
  EXPECT_FALSE(LoadRacePath(-1));
  EXPECT_EQ(WaypointLastIndex, 11);
  EXPECT_FLOAT_EQ(WaypointTable[11].x, 77.0f);

  // The front end's preview reads into its own table and leaves the race's alone.
  folder.Put(8, std::vector<uint8_t>(bytes.begin(), bytes.end()));
  std::vector<uint8_t> other;
  ASSERT_TRUE(EncodeRacePath(Line(20, 3.0f), &other));
  folder.Put(11, other);
  ASSERT_TRUE(LoadPreviewRacePath(11));
  EXPECT_EQ(PreviewWaypointLastIndex, 19);
  EXPECT_FLOAT_EQ(PreviewWaypointTable[19].x, 57.0f);
  EXPECT_EQ(WaypointLastIndex, 11) << "the race's table is untouched";
  EXPECT_FLOAT_EQ(WaypointTable[11].x, 77.0f);
  EXPECT_FALSE(LoadPreviewRacePath(31));
  EXPECT_EQ(PreviewWaypointLastIndex, 19);

  // The recorder writes the marked table back; reading it gives the same path. With
  // twelve points the only multiple of 100 is the start itself, which is not marked.
  ASSERT_TRUE(RecordRacePath(9));
  ASSERT_TRUE(LoadRacePath(9));
  EXPECT_EQ(WaypointLastIndex, 11);
  EXPECT_EQ(WaypointTable[0].kind, kWaypointPlain);
  ASSERT_TRUE(EncodeRacePath(Line(150, 7.0f), &bytes));
  folder.Put(10, bytes);
  ASSERT_TRUE(LoadRacePath(10));
  ASSERT_TRUE(RecordRacePath(10));
  ASSERT_TRUE(LoadRacePath(10));
  EXPECT_EQ(WaypointTable[0].kind, kWaypointCheckpoint);
  EXPECT_EQ(WaypointTable[100].kind, kWaypointCheckpoint);
  EXPECT_EQ(WaypointTable[5].kind, kWaypointPlain);
  ASSERT_TRUE(RecordRacePath(-1));
  FILE* last = std::fopen("base/world/races/last.ai", "rb");
  ASSERT_NE(last, nullptr);
  std::fclose(last);
  char buf[8];
  EXPECT_STREQ(RacePathFile(31, buf, sizeof buf), "");
}

}  // namespace
