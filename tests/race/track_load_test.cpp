// The track loader and the garage loader on the generated base/ in a real GL context:
// what a race load leaves behind (layers, quadtree, physics world, race state, light,
// textures, music), what the garage load takes back, repeated load cycles, the worlds
// and object layers of the late races, the opponents' cars and every refusal. The
// loaders run here on the test thread with the fixture's context current; a helper
// thread answers the world hand-over as the main thread's dirt painting would.
//
// The refusals run from a private working folder whose base/ links to the generated
// one, with only the file under test written anew.
#include <AL/al.h>
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/handshake.h"
#include "app/loader.h"
#include "app/settings.h"
#include "app/sound.h"
#include "frontend/screens.h"
#include "gfx/image_tga.h"
#include "gfx/milkshape.h"
#include "gfx/particles.h"
#include "gfx/renderer.h"
#include "race/car.h"
#include "race/car_content.h"
#include "race/car_setup.h"
#include "race/city_objects.h"
#include "race/lamp_table.h"
#include "race/physics_world.h"
#include "race/race_status.h"
#include "race/scene_content.h"
#include "race/track_loader.h"
#include "race/waypoints.h"
#include "race/world_layers.h"
#include "race/world_quadtree.h"
#include "render/countdown.h"
#include "render/cube_map.h"
#include "tests/race/handover_answer.h"
#include "tests/gfx/gl_fixture.h"
#include "tests/scratch_dir.h"
#include "tests/race/lorry_points.h"
#include "tools/sbm/sbm_writer.h"

namespace {

namespace fs = std::filesystem;

constexpr int kPlayerModel = 5;  // the lorry the player picked in the menus

bool HaveBase() {
  return fs::exists("base/world/0/models/qt.qt") && fs::exists("base/garage/garage.sbm") &&
         fs::exists("base/world/races/1.ai") && fs::exists("base/music/menu.wav");
}

// ---- what the files hold ----

std::string WorldModel(int world, const std::string& name) {
  return "base/world/" + std::to_string(world) + "/models/" + name + ".sbm";
}

// Same triangles on the same corners: the model was read from that file.
bool SameGeometry(const Model& a, const Model& b) {
  if (a.triangleCount != b.triangleCount || a.vertexCount != b.vertexCount || a.groupCount != b.groupCount)
    return false;
  for (int v = 0; v < a.vertexCount; ++v)
    if (a.vertices[v].x != b.vertices[v].x || a.vertices[v].y != b.vertices[v].y || a.vertices[v].z != b.vertices[v].z)
      return false;
  for (int t = 0; t < a.triangleCount; ++t)
    for (int k = 0; k < 3; ++k)
      if (a.triangles[t].vertexIndices[k] != b.triangles[t].vertexIndices[k]) return false;
  return true;
}

bool ModelIsFile(const Model& model, const std::string& path) {
  MilkshapeModel file;
  return file.Load(path.c_str()) && SameGeometry(model, file);
}

// Width and height from a TGA header.
std::pair<int, int> TgaSize(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  uint8_t h[kTgaHeaderSize] = {};
  in.read(reinterpret_cast<char*>(h), sizeof h);
  if (!in) return {-1, -1};
  return {h[12] | h[13] << 8, h[14] | h[15] << 8};
}

// The data chunk's byte count of a RIFF WAVE file: what a sound buffer loaded from it holds.
int WavDataBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto u32 = [&b](size_t at) { return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24; };
  for (size_t at = 12; at + 8 <= b.size(); at += 8 + u32(at + 4))
    if (std::equal(b.begin() + at, b.begin() + at + 4, "data")) return static_cast<int>(u32(at + 4));
  return -1;
}

std::vector<uint8_t> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void PutBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// ---- the GL and heap bookkeeping of the load cycles ----

bool LiveTexture(int name) { return name > 0 && glIsTexture(static_cast<GLuint>(name)); }

// Texture objects alive in the shared context: every name up to the highest one handed
// out so far (a fresh name is at least that high, whatever order the driver reuses them in).
int LiveTextureCount() {
  GLuint probe = 0;
  glGenTextures(1, &probe);
  glDeleteTextures(1, &probe);
  static GLuint highest = 0;
  highest = std::max(highest, probe);
  int live = 0;
  for (GLuint n = 1; n <= highest + 64; ++n) live += glIsTexture(n) ? 1 : 0;
  return live;
}

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's own allocator keeps the heap, out of glibc's sight; its runtime
// reports the bytes in use (GCC installs no header for it).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

size_t HeapBytesInUse() {
#if defined(__SANITIZE_ADDRESS__)
  return __sanitizer_get_current_allocated_bytes();
#else
  return mallinfo2().uordblks;
#endif
}

// ---- the light and fog each scene is drawn with ----

struct LightValues {
  float minFog, density, fog[4], glare[3], glareSize, diffuse[3];
};
const LightValues kWorldLight[3] = {
    {0.75f, 1.3e-5f, {0.75f, 0.75f, 0.75f, 1.0f}, {0.6f, 0.6f, 0.6f}, 350.0f, {0.6f, 0.6f, 0.6f}},
    {0.83f, 1.2e-5f, {0.8f, 0.75f, 0.7f, 1.0f}, {0.9f, 0.7f, 0.5f}, 450.0f, {0.65f, 0.65f, 0.65f}},
    {0.88f, 8e-6f, {0.65f, 0.65f, 0.65f, 1.0f}, {0.8f, 0.65f, 0.5f}, 500.0f, {0.65f, 0.65f, 0.65f}}};
// The garage is lit as world 1.
const LightValues& kGarageLight = kWorldLight[1];

void ExpectLighting(const LightValues& v) {
  EXPECT_FLOAT_EQ(Lighting.minFogFactor, v.minFog);
  EXPECT_FLOAT_EQ(Lighting.fogDensity, v.density);
  for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(Lighting.fogColour[i], v.fog[i]) << "fog " << i;
  for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(Lighting.glareColour[i], v.glare[i]) << "glare " << i;
  EXPECT_FLOAT_EQ(Lighting.glareSize, v.glareSize);
  for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(Lighting.lightColour[i], v.diffuse[i]) << "diffuse " << i;
}

// Every material that names a texture got one from the folder.
void ExpectMaterialTextures(const Model& m, const char* what) {
  int named = 0;
  for (int i = 0; i < m.materialCount; ++i) {
    const ModelMaterial& mat = m.materials[i];
    if (!mat.textureFile || !*mat.textureFile) continue;
    ++named;
    EXPECT_TRUE(LiveTexture(mat.texture)) << what << " material " << i << " (" << mat.textureFile << ")";
  }
  EXPECT_GT(named, 0) << what << " names no texture";
}

// Level 0 of a texture read back equals the file's pixels (the landscape maps and
// world00 are uploaded uncompressed at their own size).
bool TextureHoldsFile(const Texture& t, const std::string& path) {
  TgaImage image;
  if (ReadTGAFile(path.c_str(), &image) != TgaResult::kOk || !LiveTexture(t.name)) return false;
  std::vector<uint8_t> texels(image.pixels.size());
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(t.name));
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, image.components == 3 ? GL_RGB : GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  glBindTexture(GL_TEXTURE_2D, 0);
  return texels == image.pixels;
}

// The scene textures came from this folder ("base/garage/" or a world's textures).
void ExpectSceneTexturesFrom(const std::string& folder) {
  for (int i = 0; i < kSharedSceneTextureCount; ++i) {
    char file[16];
    std::snprintf(file, sizeof file, "world%02d.tga", i);
    const auto size = TgaSize(folder + file);
    EXPECT_TRUE(LiveTexture(SharedSceneTextures[i].name)) << file;
    EXPECT_EQ(SharedSceneTextures[i].width, size.first) << folder << file;
    EXPECT_EQ(SharedSceneTextures[i].height, size.second) << folder << file;
  }
  // Sizes alone may agree between scenes; the pixels tell them apart.
  EXPECT_TRUE(TextureHoldsFile(SharedSceneTextures[0], folder + "world00.tga")) << folder;
}

std::string WorldTextures(int world) { return "base/world/" + std::to_string(world) + "/textures/"; }

// ---- the two states the loaders switch between ----

void ExpectOpponentsDistinct() {
  std::set<int> models;
  EXPECT_EQ(RaceCars[0].modelIndex, LiveCarSetup.modelIndex) << "the player races the lorry of the menus";
  for (int s = 0; s < kRaceCarCount; ++s) {
    const int m = RaceCars[s].modelIndex;
    EXPECT_GE(m, 0) << "slot " << s;
    EXPECT_LT(m, kCarModels) << "slot " << s;
    models.insert(m);
    // The slot holds the lorry it races: its models and skin are loaded.
    EXPECT_EQ(LoadedCarType[s].load(), m) << "slot " << s;
    ASSERT_NE(CarSlots[s].body[0], nullptr) << "slot " << s;
    EXPECT_GT(CarSlots[s].body[0]->triangleCount, 0) << "slot " << s;
    EXPECT_TRUE(LiveTexture(CarColourTextures[s].name)) << "slot " << s;
  }
  EXPECT_EQ(models.size(), static_cast<size_t>(kRaceCarCount))
      << RaceCars[0].modelIndex << " " << RaceCars[1].modelIndex << " " << RaceCars[2].modelIndex << " "
      << RaceCars[3].modelIndex;
}

// What a loaded race K in world w must hold.
void ExpectRaceLoaded(int race, int world) {
  SCOPED_TRACE("race " + std::to_string(race));
  EXPECT_EQ(WorldIndex, world);

  // The layers, each read from the chosen world's file. Only a world with water has
  // triangles in its water and reflections layers; every other layer has some.
  static const char* const kNames[kRenderLayerCount] = {
      "main_road", "main_landscape",   "main_map",          "main_transparency", "add_map",
      "add_map2",  "add_transparency", "add_transparency2", "shadows",           "reflections"};
  EXPECT_EQ(WorldLayers.physic, nullptr) << "the terrain mesh took the physics layer";
  for (int k = 0; k < kRenderLayerCount; ++k) {
    ASSERT_NE(WorldLayers.render[k], nullptr) << kNames[k];
    EXPECT_TRUE(ModelIsFile(*WorldLayers.render[k], WorldModel(world, kNames[k]))) << kNames[k];
    if (k != kLayerReflections) {
      EXPECT_GT(WorldLayers.render[k]->triangleCount, 0) << kNames[k];
    }
  }
  const std::pair<MilkshapeModel*, const char*> others[] = {
      {WorldLayers.grass, "grass"}, {WorldLayers.trees, "trees"}, {WorldLayers.water, "water"}};
  for (const auto& layer : others) {
    ASSERT_NE(layer.first, nullptr) << layer.second;
    EXPECT_TRUE(ModelIsFile(*layer.first, WorldModel(world, layer.second))) << layer.second;
  }
  EXPECT_GT(WorldLayers.grass->triangleCount, 0);
  EXPECT_GT(WorldLayers.trees->triangleCount, 0);
  ASSERT_NE(WorldLayers.objects, nullptr);
  // The road and the landscape carry both tangent sets; the drawn layers their textures.
  for (int k : {kLayerMainRoad, kLayerMainLandscape}) {
    EXPECT_NE(WorldLayers.render[k]->cornerTangents, nullptr) << kNames[k];
    EXPECT_NE(WorldLayers.render[k]->cornerTangents2, nullptr) << kNames[k];
  }
  for (int k : {kLayerMainRoad, kLayerMainLandscape, kLayerMainMap, kLayerMainTransparency})
    ExpectMaterialTextures(*WorldLayers.render[k], kNames[k]);
  if (WorldLayers.water->triangleCount > 0) ExpectMaterialTextures(*WorldLayers.water, "water");
  // The race's own objects layer from the chosen world, and one object per marker.
  EXPECT_TRUE(ModelIsFile(*WorldLayers.objects, WorldModel(world, "objects" + std::to_string(race))));
  EXPECT_EQ(CityObjectCount, std::min(WorldLayers.objects->triangleCount, kMaxCityObjects));

  // The quadtree: 1024 leaves holding the road.
  ASSERT_NE(WorldRoot, nullptr);
  ASSERT_NE(WorldLeaves, nullptr);
  EXPECT_EQ(WorldLeafCount, 1024);
  EXPECT_EQ(LastLeafIndex, 1023);
  size_t roadTriangles = 0;
  for (int leaf = 0; leaf < WorldLeafCount; ++leaf)
    for (const Mesh& group : WorldLeaves[leaf].layers[kLayerMainRoad]) roadTriangles += group.triangles.size();
  EXPECT_GE(roadTriangles, static_cast<size_t>(WorldLayers.render[kLayerMainRoad]->triangleCount));

  // The physics world: four lorries standing on the grid, not yet moved.
  ASSERT_NE(RaceSimulator, nullptr);
  const neVector3 d = StartDirection();
  for (int i = 0; i < kRaceCarCount; ++i) {
    ASSERT_NE(RaceCars[i].body, nullptr) << "car " << i;
    EXPECT_EQ(RaceCars[i].carIndex, i);
    const neVector3 p = RaceCars[i].Position(), g = GridPosition(i, d);
    EXPECT_NEAR(p.x, g.x, 1e-3f) << "car " << i;
    EXPECT_NEAR(p.y, g.y, 1e-3f) << "car " << i;
    EXPECT_NEAR(p.z, g.z, 1e-3f) << "car " << i;
  }
  ExpectOpponentsDistinct();

  // The race starts from the countdown.
  EXPECT_FLOAT_EQ(RaceStatus.CountdownValue.load(), 7.0f);
  EXPECT_EQ(RaceStatus.CountdownRunning.load(), 1);
  EXPECT_EQ(RaceStatus.PlayerFinished.load(), 0);
  EXPECT_EQ(RaceStatus.FinishLatch.load(), 0);
  EXPECT_EQ(RaceStatus.RaceLaps, 4);
  EXPECT_EQ(CountdownBeepStage, 0);
  EXPECT_EQ(CubeMapRefresh, 1);
  EXPECT_EQ(BonusQueue.head, -1);
  EXPECT_FLOAT_EQ(BonusQueue.cooldown[kBonusObjectHit], kBonusCooldown);

  ExpectLighting(kWorldLight[world]);
  for (int i = 0; i < kLandscapeTextureCount; ++i) EXPECT_TRUE(LiveTexture(LandscapeTextures[i].name)) << i;
  EXPECT_TRUE(TextureHoldsFile(LandscapeTextures[0], WorldTextures(world) + "landscape00.tga"));
  EXPECT_TRUE(TextureHoldsFile(LandscapeTextures[9], WorldTextures(world) + "landscape04_n.tga"));
  ExpectSceneTexturesFrom(WorldTextures(world));

  for (MilkshapeModel* m : GarageModels) EXPECT_EQ(m, nullptr) << "the race let the garage go";
  EXPECT_GE(RaceMusicTrack, 1);
  EXPECT_LE(RaceMusicTrack, 4);
}

// The front end's content: the garage back, nothing of a race left.
void ExpectGarageContent() {
  EXPECT_EQ(RaceSimulator, nullptr);
  EXPECT_EQ(WorldRoot, nullptr);
  EXPECT_EQ(WorldLeaves, nullptr);
  EXPECT_EQ(WorldLeafCount, 0);
  EXPECT_EQ(WorldLayers.physic, nullptr);
  for (int k = 0; k < kRenderLayerCount; ++k) EXPECT_EQ(WorldLayers.render[k], nullptr) << "layer " << k;
  EXPECT_EQ(WorldLayers.grass, nullptr);
  EXPECT_EQ(WorldLayers.trees, nullptr);
  EXPECT_EQ(WorldLayers.water, nullptr);
  EXPECT_EQ(WorldLayers.objects, nullptr);
  for (int i = 0; i < kRaceCarCount; ++i) EXPECT_EQ(RaceCars[i].body, nullptr) << "car " << i;
  EXPECT_EQ(CityObjectCount, 0);
  for (int i = 0; i < std::min(kMaxCityObjects, 50); ++i)
    for (neRigidBody* b : CityObjects[i].bodies) EXPECT_EQ(b, nullptr) << "object " << i;

  for (int i = 0; i < kGarageModelCount; ++i) {
    ASSERT_NE(GarageModels[i], nullptr) << "garage model " << i;
    EXPECT_GT(GarageModels[i]->triangleCount, 0) << "garage model " << i;
    ExpectMaterialTextures(*GarageModels[i], "garage model");
  }
  EXPECT_NE(GarageModels[kGarageSpecial]->cornerTangents, nullptr);
  EXPECT_NE(GarageModels[kGarageGround]->cornerTangents, nullptr);
  EXPECT_TRUE(ModelIsFile(*GarageModels[kGarageMain], "base/garage/garage.sbm"));
  ExpectSceneTexturesFrom("base/garage/");
  for (int i = 0; i < kLandscapeTextureCount; ++i) EXPECT_EQ(LandscapeTextures[i].name, -1) << i;
  ExpectLighting(kGarageLight);
}

// The garage load leaves the race status as the front end wants it: no countdown clock,
// nobody finished.
void ExpectGarageBack() {
  ExpectGarageContent();
  EXPECT_FLOAT_EQ(RaceStatus.CountdownValue.load(), 0.0f);
  EXPECT_EQ(RaceStatus.CountdownRunning.load(), 1);
  EXPECT_EQ(RaceStatus.PlayerFinished.load(), 0);
}

// ---- the fixture ----

class TrackLoad : public gltest::GlTest {
 protected:
  void SetUp() override {
    gltest::GlTest::SetUp();
    if (IsSkipped()) return;
    if (!HaveBase()) GTEST_SKIP() << "base/ not generated in the working folder (build the base target)";
    Handshake.AppDone.store(0);
    Handshake.WorldHandover.store(0);
    TargetScreen.store(kScreenMainMenu);
    // Start-up as the loader thread does it, once per program: the menu content with
    // the player's lorry in slot 0, so a race load finds the garage and the cars table.
    static bool menuLoaded = false;
    if (!menuLoaded) {
      Settings = DefaultSettings();
      Settings.sound = 0;
      Settings.music = 0;
      LoadMenuContent();
      ApplyCarPreset(kPlayerModel);
      LoadCar(0);
      menuLoaded = true;
    }
    Settings.music = 0;
    if (LiveCarSetup.modelIndex != kPlayerModel) {
      ApplyCarPreset(kPlayerModel);
      LoadCar(0);
    }
    ASSERT_EQ(LoadedCarType[0].load(), kPlayerModel);
    ASSERT_NE(GarageModels[kGarageMain], nullptr) << "the menus show the garage";
    ASSERT_EQ(RaceSimulator, nullptr);
  }
  void TearDown() override {
    // The next case starts from the menus, as the game does.
    if (RaceSimulator || WorldRoot || WorldLayers.render[0] || !GarageModels[kGarageMain]) LoadGarage();
    Handshake.AppDone.store(0);
    Handshake.WorldHandover.store(0);
  }
};

// ---- loading races and leaving them ----

// What a race that ran to its finish leaves in the shared race state, so the loads
// have something to reset.
void LeaveFinishedRaceBehind() {
  RaceStatus.CountdownValue.store(1.5f);
  RaceStatus.CountdownRunning.store(0);
  RaceStatus.PlayerFinished.store(1);
  RaceStatus.FinishLatch.store(1);
  RaceStatus.RaceLaps = 0;
  CountdownBeepStage = 3;
  CubeMapRefresh = 0;
  BonusQueue.head = 2;
  BonusQueue.cooldown[kBonusObjectHit] = 0.5f;
}

TEST_F(TrackLoad, RacesOneToThreeLoadTheirWorldAndTheGarageComesBack) {
  HandoverAnswer answer;
  for (int race = 1; race <= 3; ++race) {
    const int world = race - 1;
    const int before = answer.answers();
    const int32_t loads = RaceStatus.RaceLoadCount.load();
    LeaveFinishedRaceBehind();
    ASSERT_TRUE(LoadWorld(race)) << race;
    EXPECT_EQ(answer.answers(), before + 1) << "one hand-over per load";
    EXPECT_EQ(RaceStatus.RaceLoadCount.load(), loads + 1) << "the render side sees a new race";
    EXPECT_EQ(Handshake.WorldHandover.load(), 0) << "answered";
    ExpectRaceLoaded(race, world);
    if (world == 1) {
      EXPECT_GT(WorldLayers.water->triangleCount, 0) << "world 1 has its lake";
    }
    LeaveFinishedRaceBehind();
    LoadGarage();
    SCOPED_TRACE("after race " + std::to_string(race));
    ExpectGarageBack();
    EXPECT_EQ(WorldIndex, world) << "the world index outlives the race";
  }
}

// A program that ends during the hand-over must not leave the loader spinning.
TEST_F(TrackLoad, AnEndingProgramReleasesTheHandOver) {
  std::atomic<bool> stop{false};
  std::thread quit([&stop] {
    while (!stop.load() && Handshake.WorldHandover.load() != 100) std::this_thread::yield();
    Handshake.AppDone.store(1);
  });
  const bool loaded = LoadWorld(1);
  stop.store(true);
  quit.join();
  EXPECT_TRUE(loaded);
  EXPECT_EQ(Handshake.WorldHandover.load(), 100) << "nobody answered";
  EXPECT_NE(RaceSimulator, nullptr);
}

TEST_F(TrackLoad, TwentyCyclesLeaveNoTexturesModelsOrHeapBehind) {
  HandoverAnswer answer;
  // Each world's own figures from its first cycle; the heap once every world has been
  // through (the driver and the runtime keep caches of their own the first time).
  int garageTextures = -1;
  int raceTextures[3] = {-1, -1, -1};
  size_t heapAfterWarmUp = 0;
  for (int cycle = 0; cycle < 20; ++cycle) {
    SCOPED_TRACE("cycle " + std::to_string(cycle));
    const int race = cycle % 3 + 1;
    const int world = race - 1;
    ASSERT_TRUE(LoadWorld(race));
    ASSERT_NE(WorldRoot, nullptr);
    ASSERT_NE(WorldLayers.render[kLayerMainRoad], nullptr);
    const int inRace = LiveTextureCount();
    if (raceTextures[world] < 0) raceTextures[world] = inRace;
    EXPECT_EQ(inRace, raceTextures[world]) << "textures alive in world " << world;
    for (MilkshapeModel* m : GarageModels) EXPECT_EQ(m, nullptr);

    LoadGarage();
    ASSERT_EQ(WorldRoot, nullptr);
    const int inGarage = LiveTextureCount();
    if (garageTextures < 0) garageTextures = inGarage;
    EXPECT_EQ(inGarage, garageTextures) << "textures alive in the garage";
    for (MilkshapeModel* m : WorldLayers.render) EXPECT_EQ(m, nullptr);
    if (cycle == 5) heapAfterWarmUp = HeapBytesInUse();
  }
  // The heap wanders by a hundred KiB or two between cycles. A world's layers and
  // leaves take tens of megabytes, and even its smallest layer (the roadside markers)
  // leaked every cycle would pass a megabyte over the last fourteen.
  const size_t heapAtEnd = HeapBytesInUse();
  const double grownKb = (static_cast<double>(heapAtEnd) - static_cast<double>(heapAfterWarmUp)) / 1024.0;
  EXPECT_LT(grownKb, 1024.0) << "heap grew by " << grownKb << " KiB over 14 cycles";
  // A race holds more textures than the garage (landscape maps, layer materials).
  EXPECT_GT(raceTextures[0], garageTextures);
  EXPECT_EQ(answer.answers(), 20);
}

// ---- the late races' worlds and object layers ----

TEST_F(TrackLoad, LateRacesTakeTheirWorldFromTheRotationAndRaceTwentyFiveKeepsIt) {
  HandoverAnswer answer;
  for (int race : {22, 23, 24}) {
    const int world = (race - 1) % 3;
    ASSERT_TRUE(LoadWorld(race));
    ExpectRaceLoaded(race, world);
    // The same race number in another world is another layer: the folder was the world's.
    EXPECT_FALSE(ModelIsFile(*WorldLayers.objects, WorldModel((world + 1) % 3, "objects" + std::to_string(race))));
    LoadGarage();
  }
  // Race 25 lies beyond the rotation: it keeps the world of the race before it, and
  // the landscape textures follow even after a race in another world.
  for (int before : {23, 24, 23}) {
    const int world = (before - 1) % 3;
    ASSERT_TRUE(LoadWorld(before));
    LoadGarage();
    ASSERT_TRUE(LoadWorld(25)) << "after race " << before;
    ExpectRaceLoaded(25, world);
    LoadGarage();
  }
}

// ---- the opponents ----

TEST_F(TrackLoad, OpponentsDriveThreeOtherLorriesThanEachOtherAndThePlayer) {
  HandoverAnswer answer;
  for (int player : {0, 9, 17}) {
    ApplyCarPreset(player);
    LoadCar(0);
    for (int repeat = 0; repeat < 4; ++repeat) {
      SCOPED_TRACE("player " + std::to_string(player) + ", load " + std::to_string(repeat));
      ASSERT_TRUE(LoadWorld(1 + repeat % 3));
      ExpectOpponentsDistinct();
      LoadGarage();
    }
  }
}

// ---- refusals ----

// A refused race: false, nothing of the race built or left over, the menus' content
// in place, and the main thread never asked to paint.
void ExpectRefused(int race, const HandoverAnswer& answer, const char* why) {
  SCOPED_TRACE(why);
  const int answered = answer.answers();
  const int textures = LiveTextureCount();
  const float countdown = RaceStatus.CountdownValue.load();
  const int running = RaceStatus.CountdownRunning.load();
  const int32_t loads = RaceStatus.RaceLoadCount.load();
  EXPECT_FALSE(LoadWorld(race)) << "race " << race;
  EXPECT_EQ(RaceStatus.RaceLoadCount.load(), loads) << "no new race for the render side";
  EXPECT_EQ(answer.answers(), answered) << "no hand-over for a refused race";
  EXPECT_EQ(Handshake.WorldHandover.load(), 0);
  ExpectGarageContent();
  // The menus' race status stays as it was: no countdown started for a race that is not.
  EXPECT_EQ(RaceStatus.CountdownValue.load(), countdown);
  EXPECT_EQ(RaceStatus.CountdownRunning.load(), running);
  EXPECT_EQ(RaceStatus.PlayerFinished.load(), 0);
  EXPECT_EQ(LiveTextureCount(), textures) << "what the refused load made is gone again";
}

TEST_F(TrackLoad, RaceNumbersWithoutARaceFileAreRefusedAndTheMenusStay) {
  HandoverAnswer answer;
  MilkshapeModel* const garage = GarageModels[kGarageMain];
  const int world = WorldIndex;
  for (int race : {0, 31, -1}) {
    ExpectRefused(race, answer, ("race " + std::to_string(race)).c_str());
    EXPECT_EQ(GarageModels[kGarageMain], garage) << "the garage was never let go";
    EXPECT_EQ(WorldIndex, world);
  }
}

// Runs the rest of a scope from a private working folder whose base/ links every entry
// to the generated base/, except along the way to one file: the folders holding it are
// real, their other entries links, and the file itself is left out for the test to
// write (or not).
class MirroredBase {
 public:
  explicit MirroredBase(const std::string& broken) : home_(fs::current_path()) {
    static int uses = 0;
    if (testscratch::ScratchDir().empty()) return;
    root_ = fs::path(testscratch::ScratchPath("mirror" + std::to_string(uses++)));
    std::error_code error;
    if (!fs::create_directory(root_, error)) return;
    const fs::path target(broken);
    fs::path rel;  // the real folder being filled, relative to both roots
    for (auto part = target.begin(); part != target.end(); ++part) {
      const fs::path here = rel / *part;
      if (std::next(part) == target.end()) break;  // the file itself: left out
      if (!fs::create_directory(root_ / here, error)) return;
      const auto next = std::next(part);
      for (const fs::directory_entry& e : fs::directory_iterator(home_ / here)) {
        if (e.path().filename() == *next) continue;
        fs::create_symlink(e.path(), root_ / here / e.path().filename(), error);
        if (error) return;
      }
      rel = here;
    }
    // The top level beside base/ (nothing else is read from it).
    fs::current_path(root_);
    entered_ = true;
  }
  ~MirroredBase() { fs::current_path(home_); }
  bool entered() const { return entered_; }
  const fs::path& home() const { return home_; }

 private:
  fs::path home_;
  fs::path root_;
  bool entered_ = false;
};

TEST_F(TrackLoad, ABrokenRaceFileIsRefused) {
  HandoverAnswer answer;
  const std::vector<uint8_t> real = FileBytes("base/world/races/2.ai");
  ASSERT_GT(real.size(), 100u);
  MirroredBase folder("base/world/races/2.ai");
  ASSERT_TRUE(folder.entered());
  // The folder itself is sound: a race beside the broken one loads.
  ASSERT_TRUE(LoadWorld(1));
  LoadGarage();

  ExpectRefused(2, answer, "missing file");
  PutBytes("base/world/races/2.ai", {real.begin(), real.begin() + 3});
  ExpectRefused(2, answer, "shorter than its header");
  PutBytes("base/world/races/2.ai", {real.begin(), real.end() - 8});
  ExpectRefused(2, answer, "shorter than the count it promises");

  // A whole path the race rules cannot run: no checkpoint but the lap line.
  std::vector<Waypoint> path;
  ASSERT_TRUE(DecodeRacePath(real.data(), real.size(), &path));
  for (Waypoint& w : path) w.kind = kWaypointPlain;
  ASSERT_FALSE(RacePathUsable(path.data(), static_cast<int32_t>(path.size()) - 1));
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(EncodeRacePath(path, &bytes));
  PutBytes("base/world/races/2.ai", bytes);
  ExpectRefused(2, answer, "no checkpoint");
}

TEST_F(TrackLoad, APhysicsLayerWithoutTrianglesIsRefused) {
  HandoverAnswer answer;
  MirroredBase folder("base/world/1/models/physic.sbm");
  ASSERT_TRUE(folder.entered());
  ASSERT_TRUE(LoadWorld(1));
  LoadGarage();

  ExpectRefused(2, answer, "missing physic.sbm");
  sbm::Mesh empty;
  empty.AddVertex(0, 0, 0);
  empty.AddVertex(1, 0, 0);
  empty.AddVertex(0, 0, 1);
  empty.AddGroup("terrain", -1);
  std::string error;
  ASSERT_TRUE(sbm::Write("base/world/1/models/physic.sbm", empty, &error)) << error;
  MilkshapeModel check;
  ASSERT_TRUE(check.Load("base/world/1/models/physic.sbm")) << "a readable model, only without triangles";
  ASSERT_EQ(check.triangleCount, 0);
  ExpectRefused(2, answer, "physic.sbm without triangles");
  ExpectRefused(5, answer, "another race of that world");
}

TEST_F(TrackLoad, AQuadTreeFileThatDoesNotMatchIsRefused) {
  HandoverAnswer answer;
  MirroredBase folder("base/world/1/models/qt.qt");
  ASSERT_TRUE(folder.entered());
  ASSERT_TRUE(LoadWorld(1));
  LoadGarage();

  const std::vector<uint8_t> own = FileBytes((folder.home() / "base/world/1/models/qt.qt").string());
  ASSERT_GT(own.size(), 1000u);
  ExpectRefused(2, answer, "missing qt.qt");
  PutBytes("base/world/1/models/qt.qt", {own.begin(), own.begin() + own.size() / 2});
  ExpectRefused(2, answer, "truncated qt.qt");
  PutBytes("base/world/1/models/qt.qt", {own.begin(), own.end() - 4});
  ExpectRefused(2, answer, "qt.qt four bytes short");
  for (int other : {0, 2}) {
    PutBytes("base/world/1/models/qt.qt",
             FileBytes((folder.home() / ("base/world/" + std::to_string(other) + "/models/qt.qt")).string()));
    ExpectRefused(2, answer, ("qt.qt of world " + std::to_string(other)).c_str());
  }
  // Its own file again: the world loads.
  PutBytes("base/world/1/models/qt.qt", own);
  ASSERT_TRUE(LoadWorld(2));
  ExpectRaceLoaded(2, 1);
}

// A layer, a world texture or a lorry model that does not read: the race is refused and
// the message names the file, whether it was cut short, overwritten with noise or gone.
TEST_F(TrackLoad, ARaceWhoseFilesDoNotReadIsRefusedNamingTheFile) {
  HandoverAnswer answer;
  LoadGarage();  // the menus as a race left them
  constexpr int kBrokenLorry = 7;
  const std::string lorryBody = "base/cars/" + std::to_string(kBrokenLorry) + "/lod0_car.sbm";
  for (const std::string& file : {std::string("base/world/1/models/main_road.sbm"),
                                 std::string("base/world/1/textures/road.tga"), lorryBody}) {
    const std::vector<uint8_t> real = FileBytes(file);
    ASSERT_GT(real.size(), 100u) << file;
    MirroredBase folder(file);
    ASSERT_TRUE(folder.entered());
    std::vector<uint8_t> noise(real.size());
    uint32_t seed = 12345;
    for (uint8_t& b : noise) b = static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 16);
    const std::vector<std::pair<const char*, std::vector<uint8_t>>> damage = {
        {"missing", {}}, {"truncated", {real.begin(), real.begin() + real.size() / 2}}, {"random", noise}};
    for (const auto& [kind, bytes] : damage) {
      SCOPED_TRACE(file + " " + kind);
      if (*kind != 'm') PutBytes(file, bytes);
      if (file == lorryBody) {
        ApplyCarPreset(kBrokenLorry);
        LoadedCarType[0].store(-1);
        LoadCar(0);
      }
      testing::internal::CaptureStderr();
      ExpectRefused(2, answer, kind);
      const std::string log = testing::internal::GetCapturedStderr();
      EXPECT_NE(log.find("race 2: refused: " + file + " cannot be used"), std::string::npos) << log;
      EXPECT_EQ(log.find("quadtree"), std::string::npos) << log;
    }
    PutBytes(file, real);
    if (file == lorryBody) {
      LoadedCarType[0].store(-1);
      LoadCar(0);
    }
    ASSERT_TRUE(LoadWorld(2)) << "its own file again: the race loads";
    LoadGarage();
  }
  ApplyCarPreset(kPlayerModel);
  LoadCar(0);
}

// A points model that reads but marks no wheel would send the lorry out on another
// lorry's wheel offsets: the race is refused naming it, as a lorry without its body is.
TEST_F(TrackLoad, APointsModelWithoutWheelMarkersIsRefusedNamingIt) {
  HandoverAnswer answer;
  // The menus as a race left them: the opponents' slots hold lorries.
  ASSERT_TRUE(LoadWorld(2));
  LoadGarage();
  constexpr int kBrokenLorry = 7;
  const std::string points = "base/cars/" + std::to_string(kBrokenLorry) + "/points.sbm";
  {
    MirroredBase folder(points);
    ASSERT_TRUE(folder.entered());
    std::string error;
    ASSERT_TRUE(WriteWheellessPoints(points, &error)) << error;
    ApplyCarPreset(kBrokenLorry);
    LoadedCarType[0].store(-1);
    testing::internal::CaptureStdout();
    LoadCar(0);
    const std::string named = testing::internal::GetCapturedStdout();
    EXPECT_EQ(named.rfind(points + ": marks no wheels", 0), 0u) << named;
    testing::internal::CaptureStderr();
    ExpectRefused(2, answer, "no wheel marker");
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("race 2: refused: " + points + " cannot be used"), std::string::npos) << log;
  }
  LoadedCarType[0].store(-1);
  LoadCar(0);
  EXPECT_TRUE(CarSlotFault(0).empty()) << CarSlotFault(0);
  ASSERT_TRUE(LoadWorld(2)) << "its own points again: the race loads";
  LoadGarage();
  ApplyCarPreset(kPlayerModel);
  LoadCar(0);
}

// The lamp table and the two effects no race draws (the firepipe and the checkpoint
// light) are read once at start: one of them that cannot be used is named in a line,
// and every race still runs.
TEST_F(TrackLoad, AnUnusableLampTableOrUndrawnEffectRefusesNoRace) {
  HandoverAnswer answer;
  LoadGarage();
  const char* const files[] = {"base/optica.ini", "base/effects/firepipe.eff", "base/effects/checkpointlight.eff"};
  {
    MirroredBase folder(files[1]);
    ASSERT_TRUE(folder.entered());
    for (const char* kind : {"missing", "damaged"}) {
      SCOPED_TRACE(kind);
      for (const std::string file : files) {
        // In the mirror a link to the real file, or the file the last round wrote:
        // removed, never written through.
        fs::remove(file);
        // All bits set: NaN lamp corners, an effect of -1 particles.
        if (*kind == 'd') PutBytes(file, std::vector<uint8_t>(file == files[0] ? 1152 : 96, 0xFF));
      }
      testing::internal::CaptureStdout();
      LoadOpticaTable();
      LoadParticleEmitters();
      const std::string log = testing::internal::GetCapturedStdout();
      for (const std::string file : files) EXPECT_NE(log.find(file + ": "), std::string::npos) << log;
      EXPECT_NE(log.find("runs on without it"), std::string::npos) << log;
      ASSERT_TRUE(LoadWorld(2)) << "no race needs them";
      LoadGarage();
    }
  }
  // The real files again for the cases after this one.
  LoadOpticaTable();
  LoadParticleEmitters();
}

// ---- the music ----

TEST_F(TrackLoad, RaceMusicIsLoadedWithMusicOffButOnlyPlayedWithItOn) {
  // The null output unless the run chose a device itself; before OpenAL's first call.
  setenv("ALSOFT_DRIVERS", "null", 0);
  const bool opened = !SoundDeviceOpen();
  if (opened && !OpenSoundDevice()) GTEST_SKIP() << "no OpenAL device opens here";
  HandoverAnswer answer;

  Settings.music = 0;
  ASSERT_TRUE(LoadWorld(1));
  EXPECT_NE(MusicSource.source, 0u) << "loaded although music is off";
  EXPECT_EQ(MusicSource.size, WavDataBytes("base/music/" + std::to_string(RaceMusicTrack) + ".wav"))
      << "track " << RaceMusicTrack;
  EXPECT_NE(MusicSource.State(), AL_PLAYING);
  LoadGarage();
  EXPECT_NE(MusicSource.source, 0u);
  EXPECT_EQ(MusicSource.size, WavDataBytes("base/music/menu.wav"));
  EXPECT_NE(MusicSource.State(), AL_PLAYING);

  Settings.music = 1;
  ASSERT_TRUE(LoadWorld(2));
  EXPECT_EQ(MusicSource.size, WavDataBytes("base/music/" + std::to_string(RaceMusicTrack) + ".wav"));
  EXPECT_EQ(MusicSource.State(), AL_PLAYING);
  // Leaving for the menus plays the menu music; a restart (the race screen stays the
  // target) keeps it silent until the race music follows.
  LoadGarage();
  EXPECT_EQ(MusicSource.size, WavDataBytes("base/music/menu.wav"));
  EXPECT_EQ(MusicSource.State(), AL_PLAYING);
  TargetScreen.store(kScreenRace);
  LoadGarage();
  EXPECT_NE(MusicSource.State(), AL_PLAYING);
  TargetScreen.store(kScreenMainMenu);
  Settings.music = 0;
  if (opened) {
    MusicSource.Release();
    CloseSoundDevice();
  }
}

}  // namespace
