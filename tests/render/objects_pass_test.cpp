// The roadside objects pass on a small world made here: two leaves, a handful of
// objects of one box each, drawn for real and counted in fragments with the depth test
// off (an object drawn twice counts twice).
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/race_snapshot.h"
#include "race/car_content.h"
#include "race/city_objects.h"
#include "race/world_quadtree.h"
#include "render/cars_pass.h"
#include "render/shadow_view.h"
#include "tests/render/render_gl.h"

namespace {

constexpr int kObjects = 6;
constexpr int kBoxType = 0;       // one part
constexpr int kPairType = 3;      // two parts
constexpr float kSpacing = 5.0f;  // objects stand along x

class RaceRenderObjects : public rendertest::RenderGlTest {
 protected:
  void SetUp() override {
    rendertest::RenderGlTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    target_ = std::make_unique<gltest::ColourTarget>(256, 256);
    ASSERT_TRUE(target_->complete());
    box_ = rendertest::MakeModel(rendertest::BoxMesh(0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f));
    ASSERT_TRUE(box_);
    ObjectPartModels[kBoxType][0] = box_.get();
    ObjectPartModels[kPairType][0] = box_.get();
    ObjectPartModels[kPairType][1] = box_.get();
    // Leaf 0 lists objects 0-2, leaf 1 objects 3-5 and object 2 again (it stands on
    // their common edge), and an index beyond the object table.
    leaves_.resize(2);
    leaves_[0].objects = {0, 1, 2};
    leaves_[1].objects = {3, 4, 5, 2, kObjects, -1, kMaxCityObjects + 5};
    WorldLeaves = leaves_.data();
    WorldLeafCount = 2;
    CityObjectCount = kObjects;
    RenderCityObjects.objectCount = kObjects;
    RenderCityObjects.poseCount = 0;
    for (int k = 0; k < kObjects; ++k) {
      CityObject& o = CityObjects[k];
      o.type = kBoxType;
      o.bodyCount = 1;
      o.crashSoundTimer = kObjectCrashTimerStart;
      o.restMatrices[0] = Matrix4();
      o.restMatrices[0].m[12] = kSpacing * static_cast<float>(k);
      o.restMatrices[1] = o.restMatrices[0];
      o.restMatrices[1].m[12] += 2.5f;
      RenderCityObjects.rows[k] = CityObjectRow();
      RenderCityObjects.rows[k].playerDistance = 100.0f;
    }
    ShowLeaves({0, 1});
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-20.0, 20.0, -20.0, 20.0, 1.0, 200.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(12.5, 100.0, 0.0, 12.5, 0.0, 0.0, 0.0, 0.0, -1.0);
    CaptureViewMatrices();
    target_->Clear(0.0f, 0.0f, 0.0f, 0.0f);
    for (int& lod : RenderSnapshot.levelOfDetail) lod = -1;
    one_ = Drawn();
    ASSERT_GT(one_, 0u);
  }
  void TearDown() override {
    ObjectPartModels[kBoxType][0] = nullptr;
    ObjectPartModels[kPairType][0] = ObjectPartModels[kPairType][1] = nullptr;
    WorldLeaves = nullptr;
    WorldLeafCount = 0;
    CityObjectCount = 0;
    RenderCityObjects.objectCount = 0;
    RenderSnapshot.mainLeaves.count = 0;
    gltest::BindWindowFramebuffer();
  }

  void ShowLeaves(std::initializer_list<int> leaves) {
    LeafList& l = RenderSnapshot.mainLeaves;
    l.count = 0;
    for (int leaf : leaves) l.leaf[l.count++] = leaf;
  }

  // Fragments of the opaque car pass (objects only: no lorry is shown), counted from
  // the first call of a case as whole objects' worth.
  GLuint Drawn() {
    return rendertest::SamplesPassed([] {
      glDisable(GL_DEPTH_TEST);
      DrawCars(0);
      glEnable(GL_DEPTH_TEST);
    });
  }
  // How many one-box objects the fragments come to.
  double Objects() { return static_cast<double>(Drawn()) / (static_cast<double>(one_) / kObjects); }

  std::unique_ptr<gltest::ColourTarget> target_;
  std::unique_ptr<MilkshapeModel> box_;
  std::vector<QuadTreeList> leaves_;
  GLuint one_ = 0;  // all six resting objects in view, each once
};

TEST_F(RaceRenderObjects, EachVisibleObjectIsDrawnOnceEvenFromTwoLeaves) {
  // Object 2 is listed by both leaves and still counts once.
  EXPECT_NEAR(Objects(), 6.0, 0.05);
  ShowLeaves({1});
  EXPECT_NEAR(Objects(), 4.0, 0.05) << "objects 2-5";
  ShowLeaves({});
  EXPECT_EQ(Drawn(), 0u);
  // A leaf number past the world's, or an empty world, draws nothing and reads nothing.
  ShowLeaves({2, -1, 1023});
  EXPECT_EQ(Drawn(), 0u);
  WorldLeaves = nullptr;
  ShowLeaves({0, 1});
  EXPECT_EQ(Drawn(), 0u);
}

TEST_F(RaceRenderObjects, AnActiveObjectIsDrawnWhereverItIsAndOnlyOnce) {
  ShowLeaves({0});
  RenderCityObjects.rows[1].active = 1;  // in leaf 0
  RenderCityObjects.rows[4].active = 1;  // in leaf 1, which is out of view
  RenderCityObjects.rows[4].playerDistance = 1e6f;
  EXPECT_NEAR(Objects(), 4.0, 0.05) << "0, 1 and 2 from the leaf, 4 because it is live";
  ShowLeaves({});
  EXPECT_NEAR(Objects(), 2.0, 0.05) << "the live ones alone";
}

TEST_F(RaceRenderObjects, AnObjectTwoHundredUnitsAwayIsNotDrawn) {
  RenderCityObjects.rows[0].playerDistance = 40000.0f;
  RenderCityObjects.rows[1].playerDistance = 39999.0f;
  RenderCityObjects.rows[2].playerDistance = NAN;
  EXPECT_NEAR(Objects(), 4.0, 0.05) << "exactly 40000 and a non-number are out";
}

TEST_F(RaceRenderObjects, PartsComeFromTheTypeTableAndTheLoadedModelsOnly) {
  // Two bodies but a one-part type: the second body has no part to draw.
  CityObjects[0].bodyCount = 2;
  EXPECT_NEAR(Objects(), 6.0, 0.05);
  // A two-part type draws both.
  CityObjects[0].type = kPairType;
  EXPECT_NEAR(Objects(), 7.0, 0.05);
  // A part whose model never loaded is left out.
  ObjectPartModels[kPairType][1] = nullptr;
  EXPECT_NEAR(Objects(), 6.0, 0.05);
  // Types beyond the table and broken body counts draw nothing.
  CityObjects[1].type = kObjectTypes;
  CityObjects[2].type = -1;
  CityObjects[3].bodyCount = -3;
  EXPECT_NEAR(Objects(), 3.0, 0.05);
  CityObjects[4].bodyCount = kMaxObjectParts + 4;
  EXPECT_NEAR(Objects(), 3.0, 0.05) << "one part of its type, however many bodies";
}

TEST_F(RaceRenderObjects, ObjectsBeyondTheLoadedListOrItsRowsAreSkipped) {
  CityObjectCount = 3;
  EXPECT_NEAR(Objects(), 3.0, 0.05);
  CityObjectCount = kObjects;
  RenderCityObjects.objectCount = 4;
  EXPECT_NEAR(Objects(), 4.0, 0.05);
}

TEST_F(RaceRenderObjects, LiveObjectsDrawAtTheirPublishedPosesAndLeaveTheCrashTimersAlone) {
  RenderCityObjects.rows[5].active = 1;
  RenderCityObjects.rows[5].firstPose = 0;
  RenderCityObjects.poseCount = 1;
  // Knocked far out of the view: the pose, not the rest matrix, is drawn.
  RenderCityObjects.poses[0] = Matrix4();
  RenderCityObjects.poses[0].m[12] = 500.0f;
  EXPECT_NEAR(Objects(), 5.0, 0.05);
  for (int k = 0; k < kObjects; ++k) EXPECT_EQ(CityObjects[k].crashSoundTimer, kObjectCrashTimerStart) << k;
}

}  // namespace
