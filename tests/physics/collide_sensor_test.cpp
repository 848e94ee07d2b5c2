// Line sensors, the car's wheels: boxes, terrain triangles, shared edges,
// degenerate and parallel cases, and the walk over two bodies.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "physics/body.h"
#include "physics/sensor.h"
#include "physics/sensor_record.h"
#include "tests/physics/collide_oracle.h"
#include "tools/physics_scene/scene_world.h"

using namespace collide_test;

namespace {

bool Hit(const neVector3& start, const neVector3& line, neGeometryRecord& g, neSensorHit& hit) {
  hit.depth = 0.0f;
  return neSensorTestGeometry(start, line, std::sqrt(line.LengthSquared()), g, hit);
}

TEST(LineSensor, Boxes) {
  neGeometryRecord box = MakeBox(1, 1, 1);
  box.materialIndex = 2;
  neSensorHit hit;
  // Down onto the top face from above.
  ASSERT_TRUE(Hit(neV3(0.2f, 3, 0.1f), neV3(0, -2.5f, 0), box, hit));
  EXPECT_NEAR(hit.depth, 0.5f, 1e-6f);
  EXPECT_NEAR(hit.point.y, 1.0f, 1e-6f);
  EXPECT_EQ(hit.normal.y, 1.0f);
  EXPECT_EQ(hit.material, 2);
  // Ending exactly on the surface: depth 0, no hit.
  EXPECT_FALSE(Hit(neV3(0.2f, 3, 0.1f), neV3(0, -2, 0), box, hit));
  // Parallel to the x slab and outside it: never; inside it (also exactly on
  // its boundary, where the slab test would divide 0 by 0): the other axes
  // decide.
  EXPECT_FALSE(Hit(neV3(1.5f, 3, 0), neV3(0, -5, 0), box, hit));
  ASSERT_TRUE(Hit(neV3(1.0f, 3, 0), neV3(0, -2.5f, 0), box, hit));
  EXPECT_TRUE(hit.normal.IsFinite() && hit.point.IsFinite());
  EXPECT_NEAR(hit.depth, 0.5f, 1e-6f);
  ASSERT_TRUE(Hit(neV3(-1.0f, 3, 1.0f), neV3(0, -2.5f, 0), box, hit));
  EXPECT_NEAR(hit.point.y, 1.0f, 1e-6f);
  // Starting inside: the entry point lies behind the start, the depth is
  // longer than the line.
  ASSERT_TRUE(Hit(neV3(0, 0.5f, 0), neV3(0, -1, 0), box, hit));
  EXPECT_NEAR(hit.point.y, 1.0f, 1e-6f);
  EXPECT_NEAR(hit.depth, 1.5f, 1e-6f);
}

TEST(LineSensor, TerrainTriangles) {
  TriangleSoup soup;
  soup.Add(neV3(-2, 0, -2), neV3(-2, 0, 2), neV3(2, 0, 2), 1);
  neGeometryRecord list = soup.Geometry();
  neSensorHit hit;
  ASSERT_TRUE(Hit(neV3(-1, 1, 1), neV3(0, -1.5f, 0), list, hit));
  EXPECT_NEAR(hit.depth, 0.5f, 1e-6f);
  EXPECT_NEAR(hit.normal.y, 1.0f, 1e-6f);
  EXPECT_EQ(hit.material, 1);
  // From below, the normal turns against the line.
  ASSERT_TRUE(Hit(neV3(-1, -1, 1), neV3(0, 1.5f, 0), list, hit));
  EXPECT_NEAR(hit.normal.y, -1.0f, 1e-6f);

  // A parallel triangle and a degenerate one after the real hit never
  // replace it (they would give t = 0/0 or a zero normal).
  soup.Add(neV3(-1, 0.5f, 1), neV3(-1, -0.5f, 1), neV3(-1, 0.5f, 3));  // holds the line
  soup.Add(neV3(-1, 0.2f, 1), neV3(-1, 0.2f, 1), neV3(0, 0.2f, 1));    // zero area
  soup.Add(neV3(-3, 0.3f, 0), neV3(-1, 0.3f, 1), neV3(1, 0.3f, 2));    // a line, no area
  list = soup.Geometry();
  ASSERT_TRUE(Hit(neV3(-1, 1, 1), neV3(0, -1.5f, 0), list, hit));
  EXPECT_NEAR(hit.depth, 0.5f, 1e-6f);
  EXPECT_TRUE(hit.normal.IsFinite());
  EXPECT_EQ(hit.material, 1);

  // A kerb of 1 cm triangles is seen.
  TriangleSoup kerb;
  kerb.Add(neV3(0, 0.1f, 0), neV3(0, 0.1f, 0.01f), neV3(0.01f, 0.1f, 0.01f), 3);
  neGeometryRecord kerbList = kerb.Geometry();
  ASSERT_TRUE(Hit(neV3(0.002f, 1, 0.008f), neV3(0, -2, 0), kerbList, hit));
  EXPECT_EQ(hit.material, 3);
  EXPECT_NEAR(hit.depth, 1.1f, 1e-5f);

  // Two surfaces under one line (a bridge over the ground): the one nearer
  // the line's start, whatever the list order.
  TriangleSoup layers;
  layers.Add(neV3(-2, 0, -2), neV3(-2, 0, 2), neV3(2, 0, 2), 4);
  layers.Add(neV3(-2, 3, -2), neV3(-2, 3, 2), neV3(2, 3, 2), 5);
  layers.Add(neV3(-2, 1, -2), neV3(-2, 1, 2), neV3(2, 1, 2), 6);
  neGeometryRecord layerList = layers.Geometry();
  ASSERT_TRUE(Hit(neV3(-1, 5, 1), neV3(0, -6, 0), layerList, hit));
  EXPECT_EQ(hit.material, 5);
  EXPECT_NEAR(hit.depth, 4.0f, 1e-5f);
}

// A vertical line swept across the shared edge of two triangles must hit one
// of them at every offset, near the origin and far from it.
TEST(LineSensor, SharedEdgesNeverLetALineThrough) {
  Rng rng(31);
  for (const neVector3& at : {neV3(0, 0, 0), neV3(2000, 0, 2000)}) {
    for (int quad = 0; quad < 20; ++quad) {
      // A random quad split along its diagonal, both windings in use.
      const neVector3 a = at + neV3(-1, rng.Uniform(-0.5f, 0.5f), -1);
      const neVector3 b = at + neV3(-1, rng.Uniform(-0.5f, 0.5f), 1);
      const neVector3 c = at + neV3(1, rng.Uniform(-0.5f, 0.5f), 1);
      const neVector3 d = at + neV3(1, rng.Uniform(-0.5f, 0.5f), -1);
      TriangleSoup soup;
      soup.Add(a, b, c);
      if (quad % 2) {
        soup.Add(a, c, d);
      } else {
        soup.Add(c, a, d);
      }
      neGeometryRecord list = soup.Geometry();
      for (int i = 0; i < 1000; ++i) {
        // Across the diagonal a-c: points on it, and nudged to either side by
        // about one float step.
        const float t = 0.01f + 0.98f * static_cast<float>(i) / 999.0f;
        const neVector3 onEdge = a + (c - a) * t;
        const float step = std::fmax(1e-6f, std::fabs(at.x) * 6e-8f);
        const float side = static_cast<float>((i % 3) - 1) * step;
        const neVector3 start = neV3(onEdge.x + side, at.y + 3.0f, onEdge.z - side);
        neSensorHit hit;
        ASSERT_TRUE(Hit(start, neV3(0, -6, 0), list, hit))
            << "at x " << at.x << " quad " << quad << " offset " << i;
        EXPECT_TRUE(hit.normal.IsFinite());
        EXPECT_NEAR(hit.point.y, onEdge.y, 2e-3f * (1.0f + at.x / 100.0f));
      }
    }
  }
}

TEST(LineSensor, BodyAgainstBodiesAndTerrain) {
  neSensorRecord wheel, spare;
  wheel.SetLine(neV3(0, 0, 0), neV3(0, -3, 0));
  spare.SetLine(neV3(5, 0, 0), neV3(0, -3, 0));
  wheel.next = &spare;
  neBody car;
  car.sensorHead = &wheel;
  const neTransform carPose = Pose(AxisAngle(neV3(0, 1, 0), 0.4f), neV3(10, 2, 0));

  // A body of two boxes, the deeper listed second; then one whose single
  // sphere is seen through its collision box.
  neGeometryRecord low = MakeBox(1, 0.5f, 1), high = MakeBox(1, 0.5f, 1);
  low.transform = Pose(Identity(), neV3(0, -0.5f, 0));
  low.materialIndex = 1;
  high.transform = Pose(Identity(), neV3(0, 0.5f, 0));
  high.materialIndex = 2;
  low.next = &high;
  neBody object;
  object.geometryHead = &low;
  object.geometryCount = 2;
  const neTransform objectPose = Pose(Identity(), neV3(10, -0.5f, 0));
  neSensorTestBodies(car, carPose, object, objectPose, &object);
  EXPECT_NEAR(wheel.depth, 1.5f, 1e-5f);
  EXPECT_EQ(wheel.material, 2);
  EXPECT_EQ(wheel.body, &object);
  EXPECT_NEAR(wheel.point.y, 0.5f, 1e-5f);
  EXPECT_NEAR(wheel.normal.y, 1.0f, 1e-5f);
  EXPECT_EQ(spare.depth, 0.0f);  // misses the object

  // The terrain: a shallower hit does not replace the deeper one, a deeper
  // one does, and a terrain hit leaves the body null.
  TriangleSoup ground;
  ground.Add(neV3(0, -0.5f, -10), neV3(0, -0.5f, 10), neV3(20, -0.5f, 10), 3);
  ground.Add(neV3(0, -0.5f, -10), neV3(20, -0.5f, 10), neV3(20, -0.5f, -10), 3);
  neGeometryRecord terrain = ground.Geometry();
  neBody world;
  world.geometryHead = &terrain;
  world.geometryCount = 1;
  neTransform identity;
  identity.SetIdentity();
  neSensorTestBodies(car, carPose, world, identity, nullptr);
  EXPECT_NEAR(wheel.depth, 1.5f, 1e-5f);
  EXPECT_EQ(wheel.body, &object);
  const neVector3 spareEnd = carPose.TransformPoint(neV3(5, -3, 0));
  EXPECT_NEAR(spare.depth, -0.5f - spareEnd.y, 1e-5f);
  EXPECT_EQ(spare.body, nullptr);
  EXPECT_EQ(spare.material, 3);
  EXPECT_NEAR(spare.normal.y, 1.0f, 1e-5f);
  wheel.ClearHit();
  spare.ClearHit();
  neSensorTestBodies(car, carPose, world, identity, nullptr);
  EXPECT_NEAR(wheel.depth, 0.5f, 1e-5f);
  EXPECT_EQ(wheel.body, nullptr);

  // A single geometry is tested through the body's box, with the
  // geometry's own material.
  neGeometryRecord ball = MakeSphere(0.5f);
  ball.materialIndex = 2;
  neBody rolling;
  rolling.geometryHead = &ball;
  rolling.geometryCount = 1;
  rolling.box = MakeBox(0.5f, 0.5f, 0.5f);
  wheel.ClearHit();
  neSensorTestBodies(car, carPose, rolling, Pose(Identity(), neV3(10, 0, 0)), &rolling);
  EXPECT_NEAR(wheel.depth, 1.5f, 1e-5f);
  EXPECT_EQ(wheel.material, 2);
}

// Reads the four wheel sensors whenever the car's controller runs.
struct WheelProbe : neRigidBodyControllerCallback {
  float depths[4] = {0, 0, 0, 0};
  int calls = 0;
  void Callback(neRigidBodyController* c, float) override {
    neRigidBody* body = c->GetRigidBody();
    body->BeginSensorIteration();
    int k = 0;
    while (neSensor* s = body->GetNextSensor()) depths[k++] = s->GetHitDepth();
    ++calls;
  }
};

// A car-sized box with four downward wheels dropped on a flat terrain far
// from the origin: it settles on its box and every wheel reads the ground.
TEST(LineSensor, WheelsReadTheTerrainDuringTheStep) {
  neSimulation* sim = MakeSimulation(neSimulationSizes{});
  ASSERT_NE(sim, nullptr);
  SceneTerrain ground;
  ground.Build(100.0f, 40, SlopeHeight(0.0f, 0.0f), 2, 0, neV3(2000, 0, 2000));
  ground.Apply(sim);

  neRigidBody* car =
      AddSceneBox(sim, neV3(4, 1, 2), 1000, neV3(2000, 1.2f, 2000), 0, BoxInertia::kEngine);
  WheelProbe probe;
  for (int k = 0; k < 4; ++k) {
    car->AddSensor()->SetLine(neV3(k < 2 ? 1.5f : -1.5f, 0, (k % 2) ? -1.0f : 1.0f),
                              neV3(0, -1.5f, 0));
  }
  car->AddController(&probe, 0);
  car->UpdateBoundingInfo();  // the box now takes in the wheel lines
  for (int i = 0; i < 120; ++i) sim->Step(2.1f / 60.0f, 4);
  const float y = car->GetPosition().y;
  EXPECT_NEAR(y, 0.5f, 0.05f);
  ASSERT_GT(probe.calls, 0);
  for (float d : probe.depths) EXPECT_NEAR(d, 1.5f - y, 0.02f);
  car->BeginSensorIteration();
  EXPECT_EQ(car->GetNextSensor()->GetHitMaterial(), 2);
  neSimulation::Destroy(sim);
}

// The same car at rest: its controller still runs every sub-step and every
// wheel reads the ground, so a car that has stopped knows where it stands.
TEST(LineSensor, ARestingCarStillReadsItsWheelsThroughItsController) {
  neSimulation* sim = MakeSimulation(neSimulationSizes{});
  ASSERT_NE(sim, nullptr);
  SceneTerrain ground;
  ground.Build(20.0f, 10, SlopeHeight(0.0f, 0.0f), 2);
  ground.Apply(sim);
  neRigidBody* car = AddSceneBox(sim, neV3(4, 1, 2), 1000, neV3(0, 0.5f, 0), 0, BoxInertia::kEngine);
  WheelProbe probe;
  for (int k = 0; k < 4; ++k) {
    car->AddSensor()->SetLine(neV3(k < 2 ? 1.5f : -1.5f, 0, (k % 2) ? -1.0f : 1.0f),
                              neV3(0, -1.5f, 0));
  }
  car->AddController(&probe, 0);
  car->UpdateBoundingInfo();
  int step = 0;
  for (; step < 600 && !car->IsIdle(); ++step) sim->Step(2.1f / 240.0f, 1);
  ASSERT_TRUE(car->IsIdle()) << "not at rest within 600 sub-steps";
  const int before = probe.calls;
  for (float& d : probe.depths) d = -1.0f;
  for (int i = 0; i < 100; ++i) sim->Step(2.1f / 240.0f, 1);
  EXPECT_TRUE(car->IsIdle());
  EXPECT_EQ(probe.calls - before, 100);
  const float y = car->GetPosition().y;
  for (float d : probe.depths) EXPECT_NEAR(d, 1.5f - y, 0.02f);
  neSimulation::Destroy(sim);
}

}  // namespace
