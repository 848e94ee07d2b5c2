// The race tools' hold on the passes: the names a tool may give, and the hook that sees
// every pass end, with timing off and, on a real context, after the pass's time is
// taken (what the hook does must not count as the pass's cost).
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "render/pass_control.h"
#include "tests/gfx/gl_fixture.h"

namespace {

std::vector<std::string> g_seen;
void Record(const char* name) { g_seen.push_back(name); }

class PassHook : public ::testing::Test {
 protected:
  void SetUp() override {
    PassControl = PassControlState();
    g_seen.clear();
  }
  void TearDown() override { PassControl = PassControlState(); }
};

TEST_F(PassHook, NamesAreTheWorldLayersAndTheOtherPasses) {
  for (const char* layer : {"main_road", "main_landscape", "main_map", "add_map", "main_transparency",
                            "add_transparency", "add_transparency2"}) {
    EXPECT_TRUE(IsWorldLayer(layer)) << layer;
    EXPECT_TRUE(IsPassName(layer)) << layer;
  }
  for (const char* pass : {"sky", "composite", "grass", "trees", "glare", "cars", "objects", "smoke", "trails", "hud",
                           "gauges", "minimap", "countdown"}) {
    EXPECT_FALSE(IsWorldLayer(pass)) << pass;
    EXPECT_TRUE(IsPassName(pass)) << pass;
  }
  EXPECT_FALSE(IsPassName("gauge")) << "a misspelt skip would leave nothing out";
  EXPECT_FALSE(IsPassName(""));
  EXPECT_FALSE(IsWorldLayer("main_roads"));
}

TEST_F(PassHook, EveryPassEndHandsItsNameToTheHookWithTimingOff) {
  PassControl.passHook = Record;
  PassBegin("sky");
  PassEnd();
  PassBegin("main_road");
  PassEnd();
  PassBegin("sky");
  PassEnd();
  EXPECT_EQ(g_seen, (std::vector<std::string>{"sky", "main_road", "sky"}));
  EXPECT_EQ(PassControl.timedCount, 0) << "timing off times nothing";
}

TEST_F(PassHook, NoHookAsInTheGameCallsNothing) {
  PassBegin("hud");
  PassEnd();
  PassControl.passHook = Record;
  PassControl.passHook = nullptr;
  PassBegin("hud");
  PassEnd();
  EXPECT_TRUE(g_seen.empty());
}

// The hook runs after the pass's clock stops: what it sees is the pass's time already
// added up, and a slow hook adds nothing to it afterwards.
class PassHookTimed : public gltest::GlTest {
 protected:
  void TearDown() override { PassControl = PassControlState(); }
};

std::vector<double> g_timedSeen;

void SlowHook(const char*) {
  g_timedSeen.push_back(PassControl.timedMs[0]);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

TEST_F(PassHookTimed, TheHooksOwnTimeIsNotThePasss) {
  PassControl = PassControlState();
  g_timedSeen.clear();
  PassControl.timing = true;
  PassControl.passHook = SlowHook;
  for (int i = 0; i < 3; ++i) {
    PassBegin("gauges");
    glClear(GL_COLOR_BUFFER_BIT);
    PassEnd();
  }
  ASSERT_EQ(PassControl.timedCount, 1);
  EXPECT_STREQ(PassControl.timedName[0], "gauges");
  ASSERT_EQ(g_timedSeen.size(), 3u);
  EXPECT_GT(g_timedSeen[0], 0.0) << "the first pass was timed before its hook ran";
  EXPECT_LE(g_timedSeen[0], g_timedSeen[1]);
  EXPECT_EQ(PassControl.timedMs[0], g_timedSeen[2]) << "the last hook's 20 ms were not added";
}

// The processor column counts the drawing thread's own work: a pass that waits adds
// to the wall clock only, one that computes adds to both.
TEST_F(PassHookTimed, ProcessorTimeCountsWorkNotWaiting) {
  PassControl = PassControlState();
  PassControl.timing = true;
  PassBegin("hud");
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  PassEnd();
  PassBegin("gauges");
  // 20 ms of the processor by the C library's own clock, however long a loaded machine
  // takes to give them.
  const std::clock_t start = std::clock();
  volatile double sink = 0.0;
  while (std::clock() - start < CLOCKS_PER_SEC / 50) sink = sink + 1.0;
  PassEnd();
  ASSERT_EQ(PassControl.timedCount, 2);
  EXPECT_GE(PassControl.timedMs[0], 29.0);
  EXPECT_LT(PassControl.timedCpuMs[0], 10.0) << "sleeping is not drawing";
  EXPECT_GT(PassControl.timedCpuMs[1], 15.0) << "a busy pass's work was not counted";
  EXPECT_LE(PassControl.timedCpuMs[1], PassControl.timedMs[1] + 1.0);
  ResetPassTimes();
  EXPECT_EQ(PassControl.timedCpuMs[1], 0.0);
}

}  // namespace
