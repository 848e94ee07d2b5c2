// Settling scenes with the full contact response: total energy (kinetic,
// rotational and potential) must never rise more than 1 % above its start
// over 10,000 sub-steps, and the bodies must end finite and at rest.
#include <gtest/gtest.h>

#include <vector>

#include "core_support.h"
#include "tools/physics_scene/scene_world.h"

namespace {

struct Scene {
  neSimulation* sim = nullptr;
  std::vector<neRigidBody*> boxes;

  explicit Scene(int count) {
    const neVector3 g = neV3(0.0f, -kSceneGravity, 0.0f);
    sim = CoreMakeSimulation(SceneSizes(count, 1, count * count), &g);
    AddStaticBox(sim, neV3(40.0f, 1.0f, 40.0f), neV3(0.0f, -0.5f, 0.0f));
  }
  ~Scene() { neSimulation::Destroy(sim); }

  // Runs 10,000 sub-steps and returns the highest energy relative to the start.
  float Run() {
    const float start = TotalEnergy(boxes);
    float peak = start;
    for (int i = 0; i < 2500; ++i) {
      sim->Step(1.0f / 60.0f, 4);
      const float e = TotalEnergy(boxes);
      if (e > peak) peak = e;
    }
    return peak / start;
  }
};

TEST(CoreEnergy, DroppedBoxSettlesWithoutGainingEnergy) {
  Scene s(1);
  s.boxes.push_back(CoreAddBox(s.sim, neV3(1, 1, 1), 1.0f, neV3(0, 3, 0)));
  EXPECT_LE(s.Run(), 1.01f);
  const neRigidBody* b = s.boxes[0];
  EXPECT_TRUE(CoreBodyIsFinite(b));
  EXPECT_NEAR(b->GetPosition().y, 0.5f, 0.05f);
  EXPECT_LT(b->GetVelocity().Length(), 0.05f);
}

TEST(CoreEnergy, TiltedBoxAndSmallPileSettle) {
  Scene s(10);
  // 1.8 apart: a turned unit cube reaches up to 0.87 from its centre, so none
  // starts inside another (overlap pushed apart would add energy).
  for (int i = 0; i < 10; ++i) {
    neRigidBody* b = CoreAddBox(s.sim, neV3(1, 1, 1), 1.0f + 0.2f * i,
                                neV3(0.3f * (i % 3), 1.2f + 1.8f * i, 0.2f * (i % 2)));
    neMatrix3x3 m;
    m.SetRotationXYZ(0.2f * i, 0.1f, -0.15f * i);
    b->SetRotation(m);
    s.boxes.push_back(b);
  }
  EXPECT_LE(s.Run(), 1.01f);
  for (const neRigidBody* b : s.boxes) {
    EXPECT_TRUE(CoreBodyIsFinite(b));
    EXPECT_GT(b->GetPosition().y, 0.3f);
    EXPECT_LT(b->GetVelocity().Length(), 0.1f);
  }
}

}  // namespace
