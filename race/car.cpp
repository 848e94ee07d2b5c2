#include "race/car.h"

#include <cstring>

#include "platform/crt_rand.h"

CarRow PublishedCarRows[kRaceCarCount];
CarRow RenderCarRows[kRaceCarCount];

namespace {

// (rand() % 200) x 0.01: the spread of the opponents' driving.
float DrawDriverSpread() { return static_cast<float>(platform::Rand() % 200) * 0.01f; }

// Sensor k of the car: start point and line vector in the body frame.
void WheelSensorLine(const CSampleCar& car, int k, neVector3* start, neVector3* line) {
  const bool front = k < 2;
  const float side = (k % 2 == 0) ? 1.0f : -1.0f;  // wheels 0, 2 on +Z
  const float lean = front ? kFrontSensorLean : kRearSensorLean;
  *start = neV3(front ? car.WheelOffsetX() : -car.WheelOffsetX(), kWheelSensorStartY,
                side * car.WheelOffsetZ());
  *line = neV3(0.0f, -1.0f, side * lean);
}

}  // namespace

CSampleCar::CSampleCar() { driverFactor = DrawDriverSpread(); }

CSampleCar::~CSampleCar() {
  body = nullptr;
  carIndex = -1;
  throttle = brake = handbrake = clutch = clutchTarget = 0.0f;
  engineSpeed = engineSpeedOut = rpm = engineLoad = 0.0f;
  reverseLamp = tailLamp = brakeLamp = 0.0f;
  ClearRaceState();
}

neMatrix3x3 FacingRotation(const neVector3& direction) {
  const neVector3 d = neV3(direction.x, 0.0f, direction.z);
  const neVector3 up = neV3(0.0f, 1.0f, 0.0f);
  neMatrix3x3 m;
  m.SetColumns(d, up, d.Cross(up));
  m.col[0].w = m.col[1].w = m.col[2].w = 0.0f;
  return m;
}

void CSampleCar::Create(neSimulation* simulator, const neVector3* position,
                        const neVector3* direction) {
  body = nullptr;
  neRigidBody* b = simulator ? simulator->CreateRigidBody() : nullptr;
  if (!b) return;
  b->SetRestThreshold(kCarRestThreshold);

  neGeometry* box = b->AddGeometry();
  if (box) {
    box->SetBoxSize(kCarBoxSize);
    neTransform t;
    t.SetIdentity();
    t.pos = kCarBoxOffset;
    t.pos.w = 1.0f;
    box->SetTransform(t);
    box->SetMaterialIndex(kCarMaterial);
  }
  b->UpdateBoundingInfo();

  for (int k = 0; k < kCarWheels; ++k) {
    neSensor* s = b->AddSensor();
    if (!s) continue;
    neVector3 start, line;
    WheelSensorLine(*this, k, &start, &line);
    s->SetLine(start, line);
  }
  b->AddController(&CarController, 0);

  b->UpdateBoundingInfo();
  b->SetInertiaTensor(neComputeBoxInertia(kCarInertiaBox, kCarMass));
  b->SetMass(kCarMass);
  b->SetUserData(reinterpret_cast<uintptr_t>(this));
  b->SetCollisionGroup(0);
  body = b;

  // The body's +X axis along the start direction, built from the columns: turning by
  // the XZ angle about Y faces the mirror of the direction with the engine's rotation.
  body->SetRotation(FacingRotation(*direction));
  body->SetPosition(*position);

  driverFactor = 1.0f + DrawDriverSpread();
  engineSmoke = 0.7f;
  std::memset(skidIndex, 0, sizeof skidIndex);
  std::memset(skidFlags, 0, sizeof skidFlags);
  std::memset(trailFlags, 0, sizeof trailFlags);
  std::memset(trailValues, 0, sizeof trailValues);
  speed = wheelEngineSpeed = engineSpeed = engineSpeedOut = rpm = 0.0f;
  clutch = clutchTarget = throttle = brake = engineLoad = steer = sideSlip = 0.0f;
  handbrake = 0.0f;
  for (int i = 0; i < 2; ++i) steerAngle[i] = rearWheelTorque[i] = 0.0f;
  for (int k = 0; k < kCarWheels; ++k) {
    wheelSpin[k] = wheelAngle[k] = 0.0f;
    wheelDrop[k] = 0.0f;
    wheelMaterial[k] = -1;
  }
  gear = 0;
  shiftTimer = 0.0f;
  crashSoundTimer = 0.0f;
  velocity = neV3(0.0f, 0.0f, 0.0f);
}

void CSampleCar::ClearRaceState() {
  lap = 0;
  nextCheckpoint = 0;
  place = 4;
  progressFraction = 0.0f;
  reachedWaypoint = 0;
  progressWaypoint = 0;
  progress = 0.0f;
  raceTime = lapTime = bestLap = RaceClock{};
  ai = DriverLawState{};
}

neVector3 CSampleCar::Position() const {
  return body ? body->GetPosition() : neV3(0.0f, 0.0f, 0.0f);
}

void CSampleCar::DrawMatrix(Matrix4* out) const {
  if (!body) {
    out->SetIdentity();
    return;
  }
  const neTransform t = body->GetTransform();
  for (int c = 0; c < 3; ++c) {
    out->m[4 * c + 0] = t.rot.col[c].x;
    out->m[4 * c + 1] = t.rot.col[c].y;
    out->m[4 * c + 2] = t.rot.col[c].z;
    out->m[4 * c + 3] = 0.0f;
  }
  out->m[12] = t.pos.x;
  out->m[13] = t.pos.y;
  out->m[14] = t.pos.z;
  out->m[15] = 1.0f;
}

void CControllerCB::Callback(neRigidBodyController* controller, float) {
  CSampleCar* car = CarOfUserData(controller->GetRigidBody()->GetUserData());
  if (car) car->Control(controller);
}

CSampleCar* CarOfUserData(uintptr_t userData) {
  for (CSampleCar& car : RaceCars)
    if (reinterpret_cast<uintptr_t>(&car) == userData) return &car;
  return nullptr;
}

void PublishCarRows() {
  for (int i = 0; i < kRaceCarCount; ++i) {
    const CSampleCar& car = RaceCars[i];
    CarRow& row = PublishedCarRows[i];
    car.DrawMatrix(&row.matrix);
    std::memcpy(row.wheelDrop, car.wheelDrop, sizeof row.wheelDrop);
    std::memcpy(row.wheelAngle, car.wheelAngle, sizeof row.wheelAngle);
    row.steerAngle[0] = car.steerAngle[0];
    row.steerAngle[1] = car.steerAngle[1];
    row.reverseLamp = car.reverseLamp;
    row.tailLamp = car.tailLamp;
    row.brakeLamp = car.brakeLamp;
    row.engineSmoke = car.engineSmoke;
    row.rpm = car.rpm;
    row.gear = car.gear;
    row.engineLoad = car.engineLoad;
    row.speed = car.speed;
    row.lap = car.lap;
    row.place = car.place;
    row.nextCheckpoint = car.nextCheckpoint;
    row.progress = car.progress;
    row.raceTime = car.raceTime;
    row.lapTime = car.lapTime;
    row.bestLap = car.bestLap;
    std::memcpy(row.skidIndex, car.skidIndex, sizeof row.skidIndex);
  }
}

void TakeCarRowsForRender() {
  for (int i = 0; i < kRaceCarCount; ++i) RenderCarRows[i] = PublishedCarRows[i];
}
