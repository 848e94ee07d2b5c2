// The race frame tool's command line: the game's defaults stand until a flag says
// otherwise, and anything the tool could not run is refused with a reason before a
// window opens.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/race_frame/frame_options.h"

namespace {

bool Parse(std::vector<const char*> args, RaceFrameOptions* o, std::string* error) {
  args.insert(args.begin(), "race_frame");
  return ParseRaceFrameArgs(static_cast<int>(args.size()), args.data(), o, error);
}

TEST(RaceFrameOptions, NoFlagsIsRaceOneAt1024x768WithTheGamesSettings) {
  RaceFrameOptions o;
  std::string error;
  ASSERT_TRUE(Parse({}, &o, &error)) << error;
  EXPECT_EQ(o.race, 1);
  EXPECT_EQ(o.width, 1024);
  EXPECT_EQ(o.height, 768);
  EXPECT_EQ(o.antiAliasing, -1);
  EXPECT_EQ(o.textureFiltering, -1);
  EXPECT_EQ(o.sight, -1);
  EXPECT_EQ(o.shadows, -1);
  EXPECT_EQ(o.reflections, -1);
  EXPECT_EQ(o.frames, 0);
  EXPECT_TRUE(o.only.empty());
  EXPECT_TRUE(o.skip.empty());
  EXPECT_FALSE(o.check);
  EXPECT_FALSE(o.bench);
}

TEST(RaceFrameOptions, EveryFlagReachesItsField) {
  RaceFrameOptions o;
  std::string error;
  ASSERT_TRUE(Parse({"--race", "30", "--size", "1920x1080", "--aa", "4", "--filter", "1", "--sight", "600",
                     "--shadows", "3", "--reflections", "2", "--post", "1", "--frames", "12", "--only", "main_road",
                     "--skip", "gauges", "--skip", "minimap", "--shots", "/tmp/x", "--check"},
                    &o, &error))
      << error;
  EXPECT_EQ(o.race, 30);
  EXPECT_EQ(o.width, 1920);
  EXPECT_EQ(o.height, 1080);
  EXPECT_EQ(o.antiAliasing, 4);
  EXPECT_EQ(o.textureFiltering, 1);
  EXPECT_EQ(o.sight, 600);
  EXPECT_EQ(o.shadows, 3);
  EXPECT_EQ(o.reflections, 2);
  EXPECT_EQ(o.postEffect, 1);
  EXPECT_EQ(o.frames, 12);
  EXPECT_EQ(o.only, "main_road");
  EXPECT_EQ(o.skip, (std::vector<std::string>{"gauges", "minimap"}));
  EXPECT_EQ(o.shots, "/tmp/x");
  EXPECT_TRUE(o.check);
}

TEST(RaceFrameOptions, ValuesOutsideWhatTheGameOffersAreRefused) {
  const std::vector<std::vector<const char*>> refused = {
      {"--race", "0"},          {"--race", "31"},         {"--race", "1a"},       {"--size", "1024"},
      {"--size", "100x768"},    {"--size", "1024x-768"},  {"--size", "x768"},     {"--aa", "17"},
      {"--filter", "2"},        {"--sight", "400"},       {"--sight", "0"},       {"--shadows", "4"},
      {"--reflections", "-1"},  {"--frames", "0"},        {"--only", "sky"},      {"--only", "road"},
      {"--skip", "gauge"},      {"--shots", ""},          {"--race"},             {"--wide"},
      {"--check", "--bench"},
  };
  for (const auto& args : refused) {
    RaceFrameOptions o;
    std::string error;
    std::string line;
    for (const char* a : args) line += std::string(a) + " ";
    EXPECT_FALSE(Parse(args, &o, &error)) << line;
    EXPECT_FALSE(error.empty()) << line << "is refused with a reason";
  }
}

TEST(RaceFrameOptions, AFolderAloneAsksForThePictureSet) {
  RaceFrameOptions o;
  std::string error;
  ASSERT_TRUE(Parse({"--shots", "/tmp/x"}, &o, &error)) << error;
  EXPECT_TRUE(ShotSetRun(o));
  ASSERT_TRUE(Parse({"--shots", "/tmp/x", "--size", "800x600", "--aa", "4"}, &o, &error)) << error;
  EXPECT_TRUE(ShotSetRun(o)) << "the window's size and quality apply to every picture of the set";
  EXPECT_EQ(o.width, 800);
}

TEST(RaceFrameOptions, AFolderWithAFrameCountOrAnotherRunIsNoPictureSet) {
  const std::vector<std::vector<const char*>> others = {
      {"--shots", "/tmp/x", "--frames", "20"},
      {"--shots", "/tmp/x", "--race", "3", "--frames", "20"},
      {"--shots", "/tmp/x", "--check"},
      {"--shots", "/tmp/x", "--bench"},
      {},
  };
  for (const auto& args : others) {
    RaceFrameOptions o;
    std::string error;
    std::string line;
    for (const char* a : args) line += std::string(a) + " ";
    ASSERT_TRUE(Parse(args, &o, &error)) << line << error;
    EXPECT_FALSE(ShotSetRun(o)) << line;
  }
}

TEST(RaceFrameOptions, ThePictureSetRefusesTheSettingsItChoosesItself) {
  for (const auto& args : std::vector<std::vector<const char*>>{{"--shots", "/tmp/x", "--race", "1"},
                                                                {"--shots", "/tmp/x", "--shadows", "0"},
                                                                {"--reflections", "2", "--shots", "/tmp/x"},
                                                                {"--shots", "/tmp/x", "--sight", "300"}}) {
    RaceFrameOptions o;
    std::string error;
    EXPECT_FALSE(Parse(args, &o, &error)) << args[2];
    EXPECT_NE(error.find("--frames"), std::string::npos) << "the reason names the way to one race: " << error;
  }
}

TEST(RaceFrameOptions, SkipTakesAsManyPassesAsTheRendererHolds) {
  std::vector<const char*> args;
  const char* const passes[] = {"sky",     "composite", "grass",  "trees", "glare", "cars",
                                "objects", "smoke",     "trails", "hud",   "gauges"};
  for (int i = 0; i < 8; ++i) args.insert(args.end(), {"--skip", passes[i]});
  RaceFrameOptions o;
  std::string error;
  ASSERT_TRUE(Parse(args, &o, &error)) << error;
  EXPECT_EQ(o.skip.size(), 8u);
  args.insert(args.end(), {"--skip", passes[8]});
  EXPECT_FALSE(Parse(args, &o, &error)) << "a ninth skip has no slot";
}

}  // namespace
