// The race tools' hold on the passes: the names a tool may give, and the hook that sees
// every pass end, with timing off and, on a real context, after the pass's time is
// taken (what the hook does must not count as the pass's cost).
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <chrono>
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
  for (const char* pass : {"sky", "composite", "foliage", "cars", "objects", "smoke", "trails", "hud", "gauges",
                           "minimap", "countdown"}) {
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

// The hook runs after the pass's clock stops: a slow hook leaves the pass's time alone.
class PassHookTimed : public gltest::GlTest {
 protected:
  void TearDown() override { PassControl = PassControlState(); }
};

void SlowHook(const char* name) {
  g_seen.push_back(name);
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
}

TEST_F(PassHookTimed, TheHooksOwnTimeIsNotThePasss) {
  PassControl = PassControlState();
  g_seen.clear();
  PassControl.timing = true;
  PassControl.passHook = SlowHook;
  for (int i = 0; i < 3; ++i) {
    PassBegin("gauges");
    glClear(GL_COLOR_BUFFER_BIT);
    PassEnd();
  }
  ASSERT_EQ(PassControl.timedCount, 1);
  EXPECT_STREQ(PassControl.timedName[0], "gauges");
  EXPECT_EQ(g_seen.size(), 3u);
  EXPECT_LT(PassControl.timedMs[0], 3 * 60.0) << "three slow hooks would add 180 ms";
}

}  // namespace
