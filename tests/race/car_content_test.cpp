// The car and content loaders: the points reader on marker models built in memory
// and read through the game's own reader, and the slot, object and texture loaders
// against the generated base/ in a real GL context. The car tests move the working
// folder into a private scratch folder where they need files to be missing.
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "app/handshake.h"
#include "gfx/gl_ext.h"
#include "gfx/milkshape.h"
#include "gfx/renderer.h"
#include "gfx/texture.h"
#include "race/car_content.h"
#include "race/car_setup.h"
#include "race/scene_content.h"
#include "tests/gfx/gl_fixture.h"
#include "tests/scratch_dir.h"
#include "tools/basegen/gen_cars_layout.h"
#include "tools/sbm/sbm_writer.h"

namespace {

namespace fs = std::filesystem;

// ---- marker models ----

// One marker triangle: corners c0, c1, c2.
struct Marker {
  Vector3 c[3];
};

// A marker whose middle corner is at p, the other two a short step along x and y.
Marker MarkerAt(float x, float y, float z) {
  return {{Vector3(x + 0.2f, y, z), Vector3(x, y, z), Vector3(x, y + 0.2f, z)}};
}

// Groups in order, each its markers in order, every corner its own vertex.
sbm::Mesh MarkerMesh(const std::vector<std::vector<Marker>>& groups) {
  sbm::Mesh mesh;
  for (const std::vector<Marker>& markers : groups) {
    const int g = mesh.AddGroup("markers", -1);
    for (const Marker& m : markers) {
      sbm::Triangle t;
      for (int k = 0; k < 3; ++k) t.vertex[k] = mesh.AddVertex(m.c[k].x, m.c[k].y, m.c[k].z);
      mesh.AddTriangle(g, t);
    }
  }
  return mesh;
}

void LoadMarkers(const std::vector<std::vector<Marker>>& groups, MilkshapeModel* model) {
  const sbm::Mesh mesh = MarkerMesh(groups);
  const std::vector<uint8_t> bytes = sbm::Encode(mesh);
  ASSERT_FALSE(bytes.empty()) << sbm::Validate(mesh);
  ASSERT_EQ(model->LoadFromMemory(bytes.data(), bytes.size()), SbmResult::kOk);
}

// A frame no marker produces, to see which frames a read left alone.
Matrix4 SentinelFrame() {
  Matrix4 m;
  for (int i = 0; i < 16; ++i) m.m[i] = 100.0f + i;
  return m;
}

void FillSentinels(CSampleCar* car) {
  for (float& w : car->wheelOffset) w = -7.0f;
  for (float& e : car->exhaustPoint) e = -8.0f;
  for (Matrix4& f : car->attachmentFrames) f = SentinelFrame();
}

void ExpectSameFrame(const Matrix4& a, const Matrix4& b) {
  for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(a.m[i], b.m[i]) << "element " << i;
}

void ExpectFrame(const Matrix4& f, const Vector3& x, const Vector3& y, const Vector3& z,
                 const Vector3& origin) {
  const Vector3 columns[4] = {x, y, z, origin};
  for (int c = 0; c < 4; ++c) {
    SCOPED_TRACE(c);
    EXPECT_NEAR(f.m[4 * c + 0], columns[c].x, 1e-6f);
    EXPECT_NEAR(f.m[4 * c + 1], columns[c].y, 1e-6f);
    EXPECT_NEAR(f.m[4 * c + 2], columns[c].z, 1e-6f);
    EXPECT_EQ(f.m[4 * c + 3], c == 3 ? 1.0f : 0.0f);
  }
}

bool AllFinite(const Matrix4& f) {
  for (float v : f.m)
    if (!std::isfinite(v)) return false;
  return true;
}

// ---- content ----

bool HaveBase() { return fs::exists("base/cars/0/lod0_car.sbm") && fs::exists("base/textures/tex70.tga"); }

// Runs the rest of a scope from a new empty folder inside the scratch folder, where no
// base/ exists, and returns to the build folder at its end (the whole program may run
// in one process, a case repeated or shuffled).
class InScratchFolder {
 public:
  InScratchFolder() : previous_(fs::current_path()) {
    static int uses = 0;
    if (testscratch::ScratchDir().empty()) return;
    const fs::path folder = testscratch::ScratchPath("run" + std::to_string(uses++));
    std::error_code error;
    if (!fs::create_directory(folder, error)) return;
    fs::current_path(folder);
    entered_ = true;
  }
  ~InScratchFolder() { fs::current_path(previous_); }
  bool entered() const { return entered_; }
  const fs::path& previous() const { return previous_; }

 private:
  fs::path previous_;
  bool entered_ = false;
};

MilkshapeModel** SlotModel(CarSlotAssets& s, int i) {
  MilkshapeModel** all[] = {&s.body[0],      &s.shadow[0],    &s.glass[0],      &s.frontWheel[0],
                            &s.rearWheel[0], &s.body[1],      &s.shadow[1],     &s.glass[1],
                            &s.frontWheel[1], &s.rearWheel[1], &s.body[2],      &s.shadow[2],
                            &s.glass[2],     &s.frontWheel[2], &s.rearWheel[2], &s.points};
  return all[i];
}
constexpr int kSlotModels = 16;

struct SlotSnapshot {
  MilkshapeModel* models[kSlotModels];
  int textures[3];
};

SlotSnapshot Snapshot(int slot) {
  SlotSnapshot s;
  for (int i = 0; i < kSlotModels; ++i) s.models[i] = *SlotModel(CarSlots[slot], i);
  s.textures[0] = CarColourTextures[slot].name;
  s.textures[1] = CarNormalTextures[slot].name;
  s.textures[2] = CarDirtMaskTextures[slot].name;
  return s;
}

void ExpectSameSlot(const SlotSnapshot& before, int slot) {
  const SlotSnapshot now = Snapshot(slot);
  for (int i = 0; i < kSlotModels; ++i) EXPECT_EQ(now.models[i], before.models[i]) << "model " << i;
  for (int t = 0; t < 3; ++t) {
    EXPECT_EQ(now.textures[t], before.textures[t]) << "texture " << t;
    EXPECT_TRUE(glIsTexture(static_cast<GLuint>(now.textures[t]))) << "texture " << t;
  }
}

void ExpectEmptySlot(int slot) {
  for (int i = 0; i < kSlotModels; ++i) {
    const MilkshapeModel* m = *SlotModel(CarSlots[slot], i);
    ASSERT_NE(m, nullptr) << "model " << i;
    EXPECT_EQ(m->triangleCount, 0) << "model " << i;
    EXPECT_EQ(m->groupCount, 0) << "model " << i;
  }
  EXPECT_EQ(CarColourTextures[slot].name, -1);
  EXPECT_EQ(CarNormalTextures[slot].name, -1);
  EXPECT_EQ(CarDirtMaskTextures[slot].name, -1);
}

void ExpectFreshDirt(int slot) {
  EXPECT_EQ(CarDirt[slot].paintFlag, 1);
  EXPECT_EQ(CarDirt[slot].amount, 0.0f);
  EXPECT_EQ(CarDirt[slot].resetFlag, 1);
  EXPECT_EQ(DirtPaintCounter, -1);
  EXPECT_EQ(DirtSplashCount, 0);
}

void SoilDirt(int slot) {
  CarDirt[slot].paintFlag = 0;
  CarDirt[slot].amount = 0.6f;
  CarDirt[slot].resetFlag = 0;
  DirtPaintCounter = 12;
  DirtSplashCount = 5;
}

GLint Param(GLuint name, GLenum pname) {
  glBindTexture(GL_TEXTURE_2D, name);
  GLint v = -1;
  glGetTexParameteriv(GL_TEXTURE_2D, pname, &v);
  return v;
}
GLint LevelWidth(GLuint name, int level) {
  glBindTexture(GL_TEXTURE_2D, name);
  GLint v = -1;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &v);
  return v;
}

class CarContent : public ::testing::Test {
 protected:
  // Why a test that loads content cannot run here; empty when it can.
  static std::string ContentUnavailable() {
    std::string why;
    if (!gltest::OpenContext(&why)) return "GL test skipped: " + why;
    if (!HaveBase()) return "base/ not generated in the working folder (build the base target)";
    gltest::TakeGlError();
    return "";
  }
};

// ---- the points reader ----

TEST_F(CarContent, WheelsAndExhaustTakeTheLastMarkerOfTheirGroup) {
  MilkshapeModel points;
  LoadMarkers({{MarkerAt(1.0f, 5.0f, 2.0f), MarkerAt(2.35f, -0.37f, 1.225f)},
               {MarkerAt(0.1f, 1.0f, 1.0f), MarkerAt(0.6f, 1.8f, 1.02f)},
               {},
               {MarkerAt(9.0f, 9.0f, 9.0f)}},  // a fourth group means nothing
              &points);
  CSampleCar car;
  FillSentinels(&car);
  EXPECT_TRUE(ReadCarPoints(points, &car));
  // The middle corner's x is the half wheelbase for both axles; its z lies 0.125
  // inside the track, for both sides. Its height is not used.
  EXPECT_FLOAT_EQ(car.wheelOffset[0], 2.35f);
  EXPECT_FLOAT_EQ(car.wheelOffset[1], 2.35f);
  EXPECT_FLOAT_EQ(car.wheelOffset[2], 1.225f + 0.125f);
  EXPECT_FLOAT_EQ(car.wheelOffset[3], 1.225f + 0.125f);
  EXPECT_FLOAT_EQ(car.exhaustPoint[0], 0.6f);
  EXPECT_FLOAT_EQ(car.exhaustPoint[1], 1.8f);
  EXPECT_FLOAT_EQ(car.exhaustPoint[2], 1.02f);
  for (const Matrix4& f : car.attachmentFrames) ExpectSameFrame(f, SentinelFrame());
}

TEST_F(CarContent, AnEmptyModelOrAMissingGroupChangesNothing) {
  CSampleCar car;
  FillSentinels(&car);
  MilkshapeModel empty;
  EXPECT_FALSE(ReadCarPoints(empty, &car)) << "no wheel marked";
  for (float w : car.wheelOffset) EXPECT_EQ(w, -7.0f);
  for (float e : car.exhaustPoint) EXPECT_EQ(e, -8.0f);
  for (const Matrix4& f : car.attachmentFrames) ExpectSameFrame(f, SentinelFrame());

  // Only the wheels: the exhaust and the frames stay as they were.
  MilkshapeModel wheelsOnly;
  LoadMarkers({{MarkerAt(2.0f, 0.0f, 1.0f)}}, &wheelsOnly);
  EXPECT_TRUE(ReadCarPoints(wheelsOnly, &car));
  EXPECT_FLOAT_EQ(car.wheelOffset[0], 2.0f);
  for (float e : car.exhaustPoint) EXPECT_EQ(e, -8.0f);
  for (const Matrix4& f : car.attachmentFrames) ExpectSameFrame(f, SentinelFrame());
}

TEST_F(CarContent, AttachmentFramesAreAxesFromTheMiddleCorner) {
  const Vector3 a(1.0f, 2.0f, 3.0f), b(-1.0f, 0.5f, 2.0f), c(0.0f, 0.0f, -4.0f);
  MilkshapeModel points;
  LoadMarkers({{},
               {},
               {// Axis-aligned, short edges: the axes come out unit length.
                {{Vector3(a.x + 0.2f, a.y, a.z), a, Vector3(a.x, a.y + 0.2f, a.z)}},
                // Turned: X along -z, Y along +x, so X x Y points down.
                {{Vector3(b.x, b.y, b.z - 3.0f), b, Vector3(b.x + 0.5f, b.y, b.z)}},
                // Y not square to X: it is only normalised, and Z still has unit length.
                {{Vector3(c.x + 2.0f, c.y, c.z), c, Vector3(c.x + 1.0f, c.y + 1.0f, c.z)}}}},
              &points);
  CSampleCar car;
  FillSentinels(&car);
  EXPECT_FALSE(ReadCarPoints(points, &car)) << "frames, but no wheel marked";
  const float h = std::sqrt(0.5f);
  ExpectFrame(car.attachmentFrames[0], Vector3(1, 0, 0), Vector3(0, 1, 0), Vector3(0, 0, 1), a);
  ExpectFrame(car.attachmentFrames[1], Vector3(0, 0, -1), Vector3(1, 0, 0), Vector3(0, -1, 0), b);
  ExpectFrame(car.attachmentFrames[2], Vector3(1, 0, 0), Vector3(h, h, 0), Vector3(0, 0, 1), c);
  for (int j = 3; j < kCarAttachmentFrames; ++j) ExpectSameFrame(car.attachmentFrames[j], SentinelFrame());
  for (float w : car.wheelOffset) EXPECT_EQ(w, -7.0f);  // empty wheel and exhaust groups
  for (float e : car.exhaustPoint) EXPECT_EQ(e, -8.0f);
}

TEST_F(CarContent, MoreThanTenAttachmentMarkersStopAtTen) {
  std::vector<Marker> frames;
  for (int j = 0; j < 14; ++j) frames.push_back(MarkerAt(static_cast<float>(j), 0.0f, 0.0f));
  MilkshapeModel points;
  LoadMarkers({{}, {}, frames}, &points);
  CSampleCar car;
  // The record that follows the frames in the car must not be written.
  car.startRotation.SetColumns(neV3(1, 2, 3), neV3(4, 5, 6), neV3(7, 8, 9));
  const neMatrix3x3 rotationBefore = car.startRotation;
  ReadCarPoints(points, &car);
  for (int j = 0; j < kCarAttachmentFrames; ++j)
    EXPECT_FLOAT_EQ(car.attachmentFrames[j].m[12], static_cast<float>(j)) << "frame " << j;
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(car.startRotation.col[c].x, rotationBefore.col[c].x);
    EXPECT_EQ(car.startRotation.col[c].y, rotationBefore.col[c].y);
    EXPECT_EQ(car.startRotation.col[c].z, rotationBefore.col[c].z);
  }
}

TEST_F(CarContent, BrokenMarkersAreSkippedWithoutNonNumbers) {
  // The reader refuses a model holding NaN: the markers are written with a stand-in
  // value that becomes NaN once the model is loaded.
  const float nan = 777.0f;
  const Vector3 p(1.0f, 1.0f, 1.0f);
  MilkshapeModel points;
  LoadMarkers({{MarkerAt(2.0f, 0.0f, 1.0f), MarkerAt(3.0f, 0.0f, 2.0f), MarkerAt(nan, 0.0f, 0.0f)},
               {MarkerAt(0.5f, 1.5f, 1.0f), MarkerAt(0.7f, 1.7f, 1.1f)},
               {MarkerAt(0.0f, 1.0f, 0.0f),
                {{p, p, Vector3(1.0f, 2.0f, 1.0f)}},                    // c0 on c1
                {{Vector3(2.0f, 1.0f, 1.0f), p, p}},                    // c2 on c1
                {{Vector3(2.0f, 1.0f, 1.0f), p, Vector3(3.0f, 1.0f, 1.0f)}},  // on one line
                {{Vector3(2.0f, 1.0f, 1.0f), p, Vector3(1.0f, nan, 1.0f)}},
                MarkerAt(5.0f, 1.0f, 0.0f)}},
              &points);
  for (int v = 0; v < points.vertexCount; ++v)
    for (float* c : {&points.vertices[v].x, &points.vertices[v].y, &points.vertices[v].z})
      if (*c == nan) *c = std::numeric_limits<float>::quiet_NaN();
  // What the reader refuses can still reach a model filled another way: a group
  // naming a missing triangle, a triangle naming a missing vertex, a NaN corner.
  points.groups[0].triangleIndices[1] = points.triangleCount + 40;
  points.triangles[points.groups[1].triangleIndices[1]].vertexIndices[2] = -1;

  CSampleCar car;
  FillSentinels(&car);
  EXPECT_TRUE(ReadCarPoints(points, &car));
  EXPECT_FLOAT_EQ(car.wheelOffset[0], 2.0f) << "the last usable wheel marker";
  EXPECT_FLOAT_EQ(car.wheelOffset[2], 1.125f);
  EXPECT_FLOAT_EQ(car.exhaustPoint[0], 0.5f) << "the last usable exhaust marker";
  EXPECT_FLOAT_EQ(car.exhaustPoint[1], 1.5f);
  for (int j = 0; j < kCarAttachmentFrames; ++j) EXPECT_TRUE(AllFinite(car.attachmentFrames[j])) << j;
  EXPECT_FLOAT_EQ(car.attachmentFrames[0].m[13], 1.0f);
  for (int j = 1; j <= 4; ++j) ExpectSameFrame(car.attachmentFrames[j], SentinelFrame());
  // A skipped marker keeps its place: the one after it is still frame 5.
  EXPECT_FLOAT_EQ(car.attachmentFrames[5].m[12], 5.0f);
}

TEST_F(CarContent, PointsFilesAreReadOnlyForTheEighteenModels) {
  CSampleCar car;
  FillSentinels(&car);
  EXPECT_FALSE(ReadCarPointsFile(-1, &car));
  EXPECT_FALSE(ReadCarPointsFile(kCarModels, &car));
  for (float w : car.wheelOffset) EXPECT_EQ(w, -7.0f);
  if (!HaveBase()) GTEST_SKIP() << "base/ not generated in the working folder (build the base target)";
  // The generated markers put the wheels where the generated wheels are drawn.
  ASSERT_TRUE(ReadCarPointsFile(0, &car));
  EXPECT_NEAR(car.WheelOffsetX(), basegen::kHalfWheelbase, 1e-5f);
  EXPECT_NEAR(car.WheelOffsetZ(), basegen::kHalfTrack, 1e-5f);
  EXPECT_TRUE(AllFinite(car.attachmentFrames[0]));
  InScratchFolder scratch;
  ASSERT_TRUE(scratch.entered());
  EXPECT_FALSE(ReadCarPointsFile(0, &car)) << "no base/ in the scratch folder";
  // A points model that reads but marks no wheel (an exhaust, an empty wheel group, or
  // no group at all) gives the lorry no wheels: false, and the file named.
  fs::create_directories("base/cars/4");
  for (const std::vector<std::vector<Marker>>& groups :
       {std::vector<std::vector<Marker>>{{}, {MarkerAt(0.5f, 1.0f, 1.0f)}}, std::vector<std::vector<Marker>>{}}) {
    std::string error;
    ASSERT_TRUE(sbm::Write("base/cars/4/points.sbm", MarkerMesh(groups), &error)) << error;
    FillSentinels(&car);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(ReadCarPointsFile(4, &car));
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(log.rfind("base/cars/4/points.sbm: marks no wheels", 0), 0u) << log;
    for (float w : car.wheelOffset) EXPECT_EQ(w, -7.0f);
  }
}

// A wheel marker left where no wheel of the lorry can stand (at the origin, far out,
// behind or across the middle, past the box's end or side, or close in under its
// middle) is refused by name as a missing one is, in the menus' slot loader as in the
// race tools' reader, and the lorry keeps the wheels it had. The shipped lorries'
// marker and the corners of the reach still read.
TEST_F(CarContent, WheelMarkersOutOfTheBodysReachAreRefusedNamingTheFile) {
  const std::string noContent = ContentUnavailable();
  InScratchFolder scratch;
  ASSERT_TRUE(scratch.entered());
  const std::string points = "base/cars/4/points.sbm";
  fs::create_directories("base/cars/4");
  auto writeWheelAt = [&](float x, float z) {
    std::string error;
    ASSERT_TRUE(sbm::Write(points, MarkerMesh({{MarkerAt(x, -0.37f, z)}, {MarkerAt(0.5f, 1.0f, 1.0f)}}), &error))
        << error;
  };
  struct Far {
    const char* where;
    float x, z;
  };
  const Far far[] = {{"at the origin", 0.0f, 0.0f},      {"far out", 1e7f, 1e7f},
                     {"behind the middle", -2.65f, 1.475f}, {"across the middle", 2.65f, -1.475f},
                     {"past the box's end", 4.8f, 1.475f},  {"past the box's side", 2.65f, 1.9f},
                     {"close in", 1.8f, 0.6f}};
  CSampleCar car;
  for (const Far& f : far) {
    SCOPED_TRACE(f.where);
    writeWheelAt(f.x, f.z);
    FillSentinels(&car);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(ReadCarPointsFile(4, &car));
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(log.rfind(points + ": marks its wheels out of the lorry's reach", 0), 0u) << log;
    for (float w : car.wheelOffset) EXPECT_EQ(w, -7.0f);
  }
  // The reach is the body box's, from half way in to a quarter past its edge: the
  // shipped marker, the far corner and the near one.
  for (const Far& f : {Far{"shipped", basegen::kHalfWheelbase, basegen::kHalfTrackMarker},
                       Far{"far corner", 4.6875f, 1.875f}, Far{"near corner", 1.875f, 0.675f}}) {
    SCOPED_TRACE(f.where);
    writeWheelAt(f.x, f.z);
    ASSERT_TRUE(ReadCarPointsFile(4, &car));
    EXPECT_FLOAT_EQ(car.WheelOffsetX(), f.x);
    EXPECT_FLOAT_EQ(car.WheelOffsetZ(), f.z + 0.125f);
  }

  // The slot loader names it as the lorry's fault, which refuses its race.
  if (!noContent.empty()) GTEST_SKIP() << noContent;
  fs::remove_all("base/cars/4");
  fs::copy(scratch.previous() / "base/cars/4", "base/cars/4");
  writeWheelAt(0.0f, 0.0f);
  LiveCarSetup.modelIndex = 4;
  LoadedCarType[0].store(-1);
  for (float& w : RaceCars[0].wheelOffset) w = -7.0f;
  testing::internal::CaptureStdout();
  LoadCar(0);
  const std::string log = testing::internal::GetCapturedStdout();
  EXPECT_EQ(log.rfind(points + ": marks its wheels out of the lorry's reach", 0), 0u) << log;
  EXPECT_EQ(CarSlotFault(0), points);
  for (float w : RaceCars[0].wheelOffset) EXPECT_EQ(w, -7.0f);
  EXPECT_GT(CarSlots[0].body[0]->triangleCount, 0) << "the rest of the lorry loads";
  fs::copy_file(scratch.previous() / points, points, fs::copy_options::overwrite_existing);
  LoadedCarType[0].store(-1);
  LoadCar(0);
  EXPECT_TRUE(CarSlotFault(0).empty()) << CarSlotFault(0);
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(CarContent, CarReloadIsAskedOnlyForAnotherCarOnceTheMenuIsLoaded) {
  struct Case {
    int loaded, live, stage;
    bool asked;
  } cases[] = {
      {3, 3, kStageMenuLoaded, false},  // the car shown is the one picked
      {3, 4, kStageNothing, false},     // a load is already under way
      {3, 4, kStageLoadTrack, false},
      {3, 4, kStageTrackLoaded, false},
      {3, 4, kStageMenuLoaded, true},
      {-1, 0, kStageMenuLoaded, true},
  };
  const int liveBefore = LiveCarSetup.modelIndex;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.loaded << " " << c.live << " " << c.stage);
    LoadedCarType[0].store(c.loaded);
    LiveCarSetup.modelIndex = c.live;
    Handshake.LoaderStage.store(c.stage);
    CarSwapFade = 0.25f;
    CarReloadPending = 0;
    RequestCarReload();
    EXPECT_EQ(Handshake.LoaderStage.load(), c.asked ? kStageNothing : c.stage);
    EXPECT_EQ(CarSwapFade, c.asked ? 1.0f : 0.25f);
    EXPECT_EQ(CarReloadPending, c.asked ? 1 : 0);
    EXPECT_EQ(LoadedCarType[0].load(), c.loaded) << "asking loads nothing";
  }
  Handshake.LoaderStage.store(kStageNothing);
  LoadedCarType[0].store(-1);
  LiveCarSetup.modelIndex = liveBefore;
}

// ---- the slot loader ----

TEST_F(CarContent, PlayerSlotLoadsItsCarOnceAndSwapsOnAnotherPick) {
  if (const std::string why = ContentUnavailable(); !why.empty()) GTEST_SKIP() << why;
  LiveCarSetup.modelIndex = 3;
  LoadedCarType[0].store(-1);
  SoilDirt(0);
  LoadCar(0);
  EXPECT_EQ(LoadedCarType[0].load(), 3);
  CarSlotAssets& s = CarSlots[0];
  for (int lod = 0; lod < kCarLods; ++lod) {
    SCOPED_TRACE(lod);
    for (MilkshapeModel* m : {s.body[lod], s.glass[lod], s.frontWheel[lod], s.rearWheel[lod]}) {
      ASSERT_NE(m, nullptr);
      EXPECT_GT(m->triangleCount, 0);
      EXPECT_NE(m->cornerTangents, nullptr) << "drawn with normal maps";
    }
    ASSERT_NE(s.shadow[lod], nullptr);
    EXPECT_GT(s.shadow[lod]->triangleCount, 0);
    EXPECT_EQ(s.shadow[lod]->cornerTangents, nullptr) << "the shadow is drawn flat";
  }
  ASSERT_NE(s.points, nullptr);
  EXPECT_GT(s.points->triangleCount, 0);
  // The skin comes from the slot's texture alone; the body's material keeps none.
  ASSERT_GT(s.body[0]->materialCount, 0);
  EXPECT_EQ(s.body[0]->materials[0].texture, -1);
  for (const Texture* t : {&CarColourTextures[0], &CarNormalTextures[0], &CarDirtMaskTextures[0]}) {
    ASSERT_NE(t->name, -1);
    EXPECT_GT(t->width, 0);
    EXPECT_EQ(Param(static_cast<GLuint>(t->name), GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
  }
  CSampleCar expected;
  ASSERT_TRUE(ReadCarPointsFile(3, &expected));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(RaceCars[0].wheelOffset[i], expected.wheelOffset[i]);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(RaceCars[0].exhaustPoint[i], expected.exhaustPoint[i]);
  ExpectSameFrame(RaceCars[0].attachmentFrames[0], expected.attachmentFrames[0]);
  ExpectFreshDirt(0);

  // The same pick again reloads nothing and leaves the dirt painter alone.
  const SlotSnapshot held = Snapshot(0);
  SoilDirt(0);
  LoadCar(0);
  ExpectSameSlot(held, 0);
  EXPECT_EQ(CarDirt[0].amount, 0.6f);
  EXPECT_EQ(DirtPaintCounter, 12);

  // Another pick: a long-bonnet cab, whose exhaust stands elsewhere.
  LiveCarSetup.modelIndex = 8;
  LoadCar(0);
  EXPECT_EQ(LoadedCarType[0].load(), 8);
  CSampleCar other;
  ASSERT_TRUE(ReadCarPointsFile(8, &other));
  ASSERT_NE(other.exhaustPoint[0], expected.exhaustPoint[0]);
  EXPECT_EQ(RaceCars[0].exhaustPoint[0], other.exhaustPoint[0]);
  EXPECT_NE(CarColourTextures[0].name, -1);
  EXPECT_GT(CarSlots[0].body[0]->triangleCount, 0);
  ExpectFreshDirt(0);
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(CarContent, AnOpponentSlotFollowsItsRaceCarAndKeepsWhatItHolds) {
  if (const std::string why = ContentUnavailable(); !why.empty()) GTEST_SKIP() << why;
  LiveCarSetup.modelIndex = 7;  // the player's pick is not the opponent's
  RaceCars[2].modelIndex = 5;
  LoadedCarType[2].store(-1);
  const int playerSlotBefore = LoadedCarType[0].load();
  LoadCar(2);
  EXPECT_EQ(LoadedCarType[2].load(), 5);
  EXPECT_EQ(LoadedCarType[0].load(), playerSlotBefore) << "another slot's load leaves slot 0 alone";
  ASSERT_NE(CarSlots[2].body[0], nullptr);
  EXPECT_GT(CarSlots[2].body[0]->triangleCount, 0);
  ASSERT_NE(CarDirtMaskTextures[2].name, -1);

  const SlotSnapshot held = Snapshot(2);
  CarDirt[2].resetFlag = 0;
  LoadCar(2);
  ExpectSameSlot(held, 2);
  EXPECT_EQ(CarDirt[2].resetFlag, 0);
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(CarContent, AModelBeyondTheEighteenLeavesSixteenEmptyModels) {
  if (const std::string why = ContentUnavailable(); !why.empty()) GTEST_SKIP() << why;
  LiveCarSetup.modelIndex = 1;
  LoadedCarType[0].store(-1);
  LoadCar(0);
  ASSERT_NE(CarColourTextures[0].name, -1);
  const float wheelX = RaceCars[0].wheelOffset[0], exhaustX = RaceCars[0].exhaustPoint[0];

  LiveCarSetup.modelIndex = kCarModels;
  SoilDirt(0);
  LoadCar(0);
  EXPECT_EQ(LoadedCarType[0].load(), kCarModels);
  ExpectEmptySlot(0);
  // Empty points: the car keeps what the last model gave it.
  EXPECT_EQ(RaceCars[0].wheelOffset[0], wheelX);
  EXPECT_EQ(RaceCars[0].exhaustPoint[0], exhaustX);
  ExpectFreshDirt(0);

  const MilkshapeModel* body = CarSlots[0].body[0];
  LoadCar(0);
  EXPECT_EQ(CarSlots[0].body[0], body) << "18 is held now, so nothing reloads";
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(CarContent, MissingCarFilesLeaveEmptyModelsAndTheRestLoads) {
  if (const std::string why = ContentUnavailable(); !why.empty()) GTEST_SKIP() << why;
  InScratchFolder scratch;
  ASSERT_TRUE(scratch.entered());
  // Car 4 with its level-1 body and its normal map gone; car 5 not there at all.
  fs::create_directories("base/cars");
  fs::copy(scratch.previous() / "base/cars/4", "base/cars/4");
  fs::remove("base/cars/4/lod1_car.sbm");
  fs::remove("base/cars/4/car_normal.tga");

  LiveCarSetup.modelIndex = 4;
  LoadedCarType[0].store(-1);
  LoadCar(0);
  EXPECT_EQ(LoadedCarType[0].load(), 4);
  ASSERT_NE(CarSlots[0].body[1], nullptr);
  EXPECT_EQ(CarSlots[0].body[1]->triangleCount, 0);
  EXPECT_GT(CarSlots[0].body[0]->triangleCount, 0);
  EXPECT_GT(CarSlots[0].body[2]->triangleCount, 0);
  EXPECT_GT(CarSlots[0].rearWheel[2]->triangleCount, 0) << "files after the missing one load";
  EXPECT_GT(CarSlots[0].points->triangleCount, 0);
  EXPECT_EQ(CarNormalTextures[0].name, -1);
  EXPECT_NE(CarColourTextures[0].name, -1);
  EXPECT_NE(CarDirtMaskTextures[0].name, -1);

  LiveCarSetup.modelIndex = 5;
  SoilDirt(0);
  LoadCar(0);
  EXPECT_EQ(LoadedCarType[0].load(), 5);
  ExpectEmptySlot(0);
  ExpectFreshDirt(0);
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
}

// ---- objects and numbered textures ----

TEST_F(CarContent, AllObjectPartsLoadWithTangentFrames) {
  if (const std::string why = ContentUnavailable(); !why.empty()) GTEST_SKIP() << why;
  LoadObjects();
  int parts = 0;
  for (int type = 0; type < kObjectTypes; ++type)
    for (int part = 0; part < kMaxObjectParts; ++part) {
      SCOPED_TRACE(testing::Message() << "object " << type << " part " << part);
      const MilkshapeModel* m = ObjectPartModels[type][part];
      if (part >= kObjectPartCounts[type]) {
        EXPECT_EQ(m, nullptr);
        continue;
      }
      ASSERT_NE(m, nullptr);
      EXPECT_GT(m->triangleCount, 0);
      EXPECT_NE(m->cornerTangents, nullptr);
      ++parts;
    }
  EXPECT_EQ(parts, 28);
  // A second load replaces every part with a full one.
  LoadObjects();
  EXPECT_GT(ObjectPartModels[15][2]->triangleCount, 0);
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(CarContent, NumberedTexturesTakeTheirModesAndAreFreedWithTheSceneTextures) {
  if (const std::string why = ContentUnavailable(); !why.empty()) GTEST_SKIP() << why;
  const int maxAnisotropy = QueryMaxAnisotropy();
  int startUpEntries[9];
  for (int n = 0; n < 9; ++n) startUpEntries[n] = TextureTable[n].name;
  LoadTextures();
  for (int n = 0; n < 9; ++n) EXPECT_EQ(TextureTable[n].name, startUpEntries[n]) << "the renderer's entry " << n;

  for (int n = 9; n < kTextureTableSize; ++n) {
    SCOPED_TRACE(n);
    ASSERT_NE(TextureTable[n].name, -1);
    const GLuint name = static_cast<GLuint>(TextureTable[n].name);
    ASSERT_GT(LevelWidth(name, 0), 1) << "too small to tell mipmapped from one level";
    const bool anisotropic = n == 14 || n == 21 || n == 45 || n == 46;
    const bool clamped = n == 38;
    const bool linearMipmapped = n == 44;
    const bool compressedFlat = n == 54;
    const bool linear = linearMipmapped || compressedFlat;
    EXPECT_EQ(Param(name, GL_TEXTURE_MIN_FILTER), linear ? GL_LINEAR : GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(Param(name, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    const GLint wrap = clamped ? GL_CLAMP_TO_EDGE : GL_REPEAT;
    EXPECT_EQ(Param(name, GL_TEXTURE_WRAP_S), wrap);
    EXPECT_EQ(Param(name, GL_TEXTURE_WRAP_T), wrap);
    EXPECT_EQ(LevelWidth(name, 1) > 0, !compressedFlat) << "mipmaps uploaded";
    // Without the extension the anisotropic entries cannot be told from plain ones; with
    // it, only the texture-filtering option makes them anisotropic.
    if (maxAnisotropy > 0) {
      GLfloat a = 0.0f;
      glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &a);
      const bool filtered = anisotropic && RenderSetup.textureFiltering == 1;
      EXPECT_EQ(a, filtered ? static_cast<float>(AnisotropyBelowMaximum(maxAnisotropy)) : 1.0f);
    }
  }
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));

  ASSERT_TRUE(SharedSceneTextures[2].LoadTGA("base/textures/tex09.tga", kTextureClampedMipmapped));
  std::vector<GLuint> held;
  for (const Texture& t : TextureTable)
    if (t.name != -1) held.push_back(static_cast<GLuint>(t.name));
  held.push_back(static_cast<GLuint>(SharedSceneTextures[2].name));
  FreeTextures();
  for (const Texture& t : TextureTable) EXPECT_EQ(t.name, -1);
  for (const Texture& t : SharedSceneTextures) EXPECT_EQ(t.name, -1);
  for (GLuint name : held) EXPECT_FALSE(glIsTexture(name)) << name;
  EXPECT_EQ(gltest::TakeGlError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
