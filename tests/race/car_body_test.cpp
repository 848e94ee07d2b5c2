// The race car's physics body: its mass and inertia, the collision box, the four wheel
// sensors in their fixed order, the facing on the grid, and what happens when the
// engine has no room for it.
#include <gtest/gtest.h>

#include <cmath>

#include "physics/ne.h"
#include "race/car.h"

namespace {

constexpr float kHalfWheelbase = 2.35f;
constexpr float kHalfTrack = 1.35f;

class CarBody : public ::testing::Test {
 protected:
  void SetUp() override {
    neSimulationSizes sizes;
    sizes.rigidBodiesCount = 64;  // a test may make a few dozen cars
    sizes.geometriesCount = 64;
    const neVector3 g = neV3(0.0f, 0.0f, 0.0f);
    sim_ = neSimulation::Create(&sizes, nullptr, &g);
    ASSERT_NE(sim_, nullptr);
    car_.carIndex = 0;
    car_.wheelOffset[0] = car_.wheelOffset[1] = kHalfWheelbase;
    car_.wheelOffset[2] = car_.wheelOffset[3] = kHalfTrack;
  }
  void TearDown() override {
    neSimulation::Destroy(sim_);
    car_.body = nullptr;
  }
  void Make(const neVector3& direction, const neVector3& at = neV3(10.0f, 2.0f, -4.0f)) {
    car_.Create(sim_, &at, &direction);
    ASSERT_NE(car_.body, nullptr);
  }

  neSimulation* sim_ = nullptr;
  CSampleCar& car_ = RaceCars[0];
};

TEST_F(CarBody, MassInertiaAndBoxAreThoseOfEveryCar) {
  Make(neV3(1.0f, 0.0f, 0.0f));
  neRigidBody* b = car_.body;
  EXPECT_FLOAT_EQ(b->GetMass(), 100.0f);
  EXPECT_FLOAT_EQ(b->GetRestThreshold(), 0.01f);
  EXPECT_EQ(b->GetCollisionGroup(), 0);
  EXPECT_EQ(CarOfUserData(b->GetUserData()), &car_);

  // The engine's box inertia of (6.375, 1.275, 2.72): 2/3 m e^2 on every axis, e the
  // largest edge. Seen through the body: angular velocity = momentum / inertia.
  const float inertia = 2.0f / 3.0f * 100.0f * 6.375f * 6.375f;
  const neVector3 diagonal = neComputeBoxInertia(kCarInertiaBox, kCarMass);
  EXPECT_NEAR(diagonal.x, inertia, 0.01f);
  EXPECT_NEAR(diagonal.y, inertia, 0.01f);
  EXPECT_NEAR(diagonal.z, inertia, 0.01f);
  b->SetAngularMomentum(neV3(inertia, 2.0f * inertia, -inertia));
  const neVector3 w = b->GetAngularVelocity();
  EXPECT_NEAR(w.x, 1.0f, 1e-4f);
  EXPECT_NEAR(w.y, 2.0f, 1e-4f);
  EXPECT_NEAR(w.z, -1.0f, 1e-4f);

  ASSERT_EQ(b->GetGeometryCount(), 1);
  b->BeginGeometryIteration();
  neGeometry* box = b->GetNextGeometry();
  ASSERT_NE(box, nullptr);
  neVector3 size;
  ASSERT_TRUE(box->GetBoxSize(size));
  EXPECT_FLOAT_EQ(size.x, 7.5f);
  EXPECT_FLOAT_EQ(size.y, 2.2f);
  EXPECT_FLOAT_EQ(size.z, 3.2f);
  const neTransform t = box->GetTransform();
  EXPECT_FLOAT_EQ(t.pos.y, 0.6f);
  EXPECT_FLOAT_EQ(t.pos.x, 0.0f);
  EXPECT_FLOAT_EQ(t.rot.col[0].x, 1.0f) << "no rotation";
  EXPECT_EQ(box->GetMaterialIndex(), kCarMaterial);

  // One controller running every substep.
  b->BeginControllerIteration();
  EXPECT_NE(b->GetNextController(), nullptr);
  EXPECT_EQ(b->GetNextController(), nullptr);
}

TEST_F(CarBody, SensorsComeInWheelOrderLeaningOutward) {
  Make(neV3(1.0f, 0.0f, 0.0f));
  struct Expected {
    float x, z, leanZ;
  } wheels[4] = {{kHalfWheelbase, kHalfTrack, 0.035f},
                 {kHalfWheelbase, -kHalfTrack, -0.035f},
                 {-kHalfWheelbase, kHalfTrack, 0.01f},
                 {-kHalfWheelbase, -kHalfTrack, -0.01f}};
  car_.body->BeginSensorIteration();
  for (const Expected& e : wheels) {
    neSensor* s = car_.body->GetNextSensor();
    ASSERT_NE(s, nullptr);
    const neVector3 start = s->GetStartPoint(), line = s->GetLineVector();
    EXPECT_FLOAT_EQ(start.x, e.x);
    EXPECT_FLOAT_EQ(start.y, -0.35f);
    EXPECT_FLOAT_EQ(start.z, e.z);
    EXPECT_FLOAT_EQ(line.x, 0.0f);
    EXPECT_FLOAT_EQ(line.y, -1.0f);
    EXPECT_FLOAT_EQ(line.z, e.leanZ);
  }
  EXPECT_EQ(car_.body->GetNextSensor(), nullptr) << "exactly four wheels";
}

TEST_F(CarBody, TheBodyFacesTheStartDirection) {
  const neVector3 directions[] = {neV3(1.0f, 0.0f, 0.0f), neV3(0.0f, 0.0f, 1.0f),
                                  neV3(-0.6f, 0.0f, 0.8f), neV3(0.70710678f, 0.0f, -0.70710678f),
                                  neV3(-1.0f, 0.0f, 0.0f)};
  for (const neVector3& d : directions) {
    SCOPED_TRACE(testing::Message() << d.x << "," << d.z);
    Make(d);
    const neMatrix3x3 r = car_.body->GetRotationMatrix();
    EXPECT_GT(r.col[0].Dot(d), 0.9999f) << "forward (+X) along the direction";
    EXPECT_GT(r.col[1].y, 0.9999f) << "upright";
    // A proper rotation: right-handed, so the wheels keep their sides.
    EXPECT_NEAR(r.col[0].Cross(r.col[1]).Dot(r.col[2]), 1.0f, 1e-5f);
    const neVector3 p = car_.body->GetPosition();
    EXPECT_NEAR(p.x, 10.0f, 1e-4f);
    EXPECT_NEAR(p.z, -4.0f, 1e-4f);
  }
  // Facing +Z, the body's +Z side (wheel 0's) lies toward world -X.
  Make(neV3(0.0f, 0.0f, 1.0f));
  const neMatrix3x3 r = car_.body->GetRotationMatrix();
  const neVector3 wheel0 = r.MultiplyVector(neV3(kHalfWheelbase, -0.35f, kHalfTrack));
  EXPECT_LT(wheel0.x, -1.0f);
  EXPECT_GT(wheel0.z, 2.0f);
}

TEST_F(CarBody, CreateClearsTheDriveAndDrawsTheDriverFactor) {
  car_.engineSpeed = 500.0f;
  car_.gear = 3;
  car_.wheelSpin[2] = 40.0f;
  car_.steerAngle[1] = 0.4f;
  car_.shiftTimer = 0.5f;
  Make(neV3(1.0f, 0.0f, 0.0f));
  EXPECT_EQ(car_.engineSpeed, 0.0f);
  EXPECT_EQ(car_.gear, 0);
  EXPECT_EQ(car_.wheelSpin[2], 0.0f);
  EXPECT_EQ(car_.steerAngle[1], 0.0f);
  EXPECT_EQ(car_.shiftTimer, 0.0f);
  EXPECT_FLOAT_EQ(car_.engineSmoke, 0.7f);
  for (int i = 0; i < 50; ++i) {
    Make(neV3(1.0f, 0.0f, 0.0f));
    const float f = car_.driverFactor;
    EXPECT_GE(f, 1.0f);
    EXPECT_LE(f, 2.99f + 1e-5f);
    EXPECT_NEAR(f * 100.0f, std::round(f * 100.0f), 1e-3f) << "in steps of 0.01";
  }
}

TEST_F(CarBody, NoRoomInTheEngineLeavesNoBodyAndNeutralQueries) {
  neSimulationSizes tiny;
  tiny.rigidBodiesCount = 1;
  tiny.geometriesCount = 1;
  neSimulation* full = neSimulation::Create(&tiny, nullptr, nullptr);
  ASSERT_NE(full, nullptr);
  ASSERT_NE(full->CreateRigidBody(), nullptr);  // takes the only body
  const neVector3 at = neV3(1.0f, 2.0f, 3.0f), d = neV3(1.0f, 0.0f, 0.0f);
  car_.Create(full, &at, &d);
  EXPECT_EQ(car_.body, nullptr);
  car_.Create(nullptr, &at, &d);
  EXPECT_EQ(car_.body, nullptr);
  const neVector3 p = car_.Position();
  EXPECT_EQ(p.x, 0.0f);
  EXPECT_EQ(p.y, 0.0f);
  Matrix4 m;
  m.m[0] = 5.0f;
  car_.DrawMatrix(&m);
  EXPECT_EQ(m.m[0], 1.0f);
  EXPECT_EQ(m.m[12], 0.0f);
  neSimulation::Destroy(full);

  // A body whose geometry pool is empty still gets its sensors and controller.
  neSimulationSizes noGeometry;
  noGeometry.rigidBodiesCount = 2;
  noGeometry.geometriesCount = 0;
  neSimulation* bare = neSimulation::Create(&noGeometry, nullptr, nullptr);
  ASSERT_NE(bare, nullptr);
  car_.Create(bare, &at, &d);
  ASSERT_NE(car_.body, nullptr);
  EXPECT_EQ(car_.body->GetGeometryCount(), 0);
  car_.body = nullptr;
  neSimulation::Destroy(bare);
}

TEST(CarRows, PublishedRowsCarryTheBodyAndTheRenderTakesThem) {
  neSimulation* sim = neSimulation::Create(nullptr, nullptr, nullptr);
  ASSERT_NE(sim, nullptr);
  CSampleCar& car = RaceCars[2];
  car.wheelOffset[0] = kHalfWheelbase;
  car.wheelOffset[2] = kHalfTrack;
  const neVector3 at = neV3(3.0f, 4.0f, 5.0f), d = neV3(0.0f, 0.0f, -1.0f);
  car.Create(sim, &at, &d);
  ASSERT_NE(car.body, nullptr);
  car.wheelDrop[3] = 0.9f;
  car.gear = 5;
  car.brakeLamp = 1.0f;
  PublishCarRows();
  EXPECT_EQ(RenderCarRows[2].gear, 0) << "the render keeps its rows until it takes them";
  TakeCarRowsForRender();
  const CarRow& row = RenderCarRows[2];
  EXPECT_EQ(row.gear, 5);
  EXPECT_EQ(row.wheelDrop[3], 0.9f);
  EXPECT_EQ(row.brakeLamp, 1.0f);
  EXPECT_NEAR(row.matrix.m[12], 3.0f, 1e-5f);
  EXPECT_NEAR(row.matrix.m[13], 4.0f, 1e-5f);
  EXPECT_NEAR(row.matrix.m[2], -1.0f, 1e-5f) << "the length axis in the first column";
  EXPECT_EQ(row.matrix.m[15], 1.0f);
  car.body = nullptr;
  neSimulation::Destroy(sim);
}

}  // namespace
