// The vehicle dynamics of one substep: gearbox, clutch, engine, steering, four
// wheels (suspension, grip, drive, brakes), the rear differential, the player's
// rolling noise and drag, handed to the body as one force and one torque. The car's
// own state integrates in 10-millisecond ticks per substep, not in the simulator's
// step length, so the lorry feels the same however the world is stepped.
#include "race/car_control.h"

#include <cmath>

#include "app/frame.h"
#include "app/settings.h"
#include "app/sound.h"
#include "race/car.h"
#include "race/physics_world.h"
#include "race/race_status.h"
#include "race/tyre_curves.h"

namespace {

// Suspension and tyres.
constexpr float kDamper = 230.0f;
constexpr float kContactDepth = 0.15f;     // a sensor reaching less is airborne
constexpr float kSpringDeadZone = 0.25f;
constexpr float kSpringTravel = 0.5f;
constexpr float kLoadTravel = 0.2f;
constexpr float kMaxWheelDrop = 1.2f;
constexpr float kWheelDropBase = 1.35f;
// Without contact the wheels are measured at this height above the body.
constexpr float kAirborneWheelY = 2.35f;
constexpr float kDriveForce = 3500.0f;
constexpr float kBrakeTorque = -125.0f;
constexpr float kHandbrakeTorque = -250.0f;
constexpr float kFrontRolling = -1.0f;
constexpr float kRearRolling = -2.0f;
constexpr float kRearWheelInertia = 280.0f;
// Drag: a steep wall above speed 20 keeps the lorries' top speed, a light linear term
// below, and under speed 1 a hold that brings a rolling lorry to rest.
constexpr float kDragFreeSpeed = 20.0f;
constexpr float kDragFactor = 0.0035f;
constexpr float kDragExponent = 4.4f;
constexpr float kLinearDrag = 0.05f;
constexpr float kHoldSpeed = 1.0f;
constexpr float kHoldFactor = 200.0f;
// Below this the car has no direction to drag against.
constexpr float kStillSpeed = 1.0e-4f;
constexpr float kGravityLift = 2.0f * 0.002f * 9.5f;
constexpr float kCrashTimerRate = 0.005f;

float Abs(float v) { return std::fabs(v); }

// Eases v toward target by |difference| x rate (rate already scaled by the substep).
float EaseToward(float v, float target, float rate) {
  if (target > v) return v + Abs(target - v) * rate;
  if (target < v) return v - Abs(target - v) * rate;
  return v;
}

float InnerWheelAngle(float a, float wheelbase, float track) {
  if (a == 0.0f) return 0.0f;
  // Without wheel positions (an empty points file) there is no geometry to follow.
  if (!(wheelbase > 0.0f)) return a;
  const float toCentre = wheelbase / std::tan(a) - track;
  // A turn tighter than the track: the inside wheel stands across the car.
  if (!(toCentre > 0.0f)) return 1.5707964f;
  return std::atan(wheelbase / toCentre);
}

struct WheelFrame {
  bool contact;
  float depth;
  neVector3 normal;     // N
  neVector3 along;      // Dn: the suspension's direction, down the sensor line
  neVector3 arm;        // r: from the body centre to the contact
};

}  // namespace

float GearRatio(int gear) {
  switch (gear) {
    case 1: return 2.14f;
    case 2: return 1.14f;
    case 3: return 0.8f;
    case 4: return 0.55f;
    case 5: return 0.45f;
    case 6: return 0.35f;
    case -1: return -2.14f;
    default: return 2.14f;
  }
}

int AutomaticGear(int gear, float speed, float throttle, float brake, bool countdown,
                  bool opponent) {
  if (throttle > 0.1f && brake < 0.1f && !countdown) {
    if (gear < 1) gear = 1;
    // Each rule only raises (then only lowers) the gear, so one call may jump gears.
    const float up[4] = {10.0f, 16.5f, 23.3f, 28.3f};
    for (int i = 0; i < 4; ++i)
      if (speed >= up[i] && gear < i + 2) gear = i + 2;
    const float down[4] = {9.0f, 14.5f, 20.3f, 24.3f};
    for (int i = 0; i < 4; ++i)
      if (speed < down[i] && gear > i + 1) gear = i + 1;
  } else if (brake > 0.1f && speed < 0.5f && gear > 0 && !countdown) {
    gear = -1;
  }
  if (countdown && opponent) gear = 1;
  return gear;
}

void SteerTargets(float a, float wheelbase, float track, float* wheel0, float* wheel1) {
  if (a >= 0.0f) {
    *wheel0 = a;
    *wheel1 = InnerWheelAngle(a, wheelbase, track);
  } else {
    *wheel1 = a;
    *wheel0 = -InnerWheelAngle(-a, wheelbase, track);
  }
}

float WheelSlip(float w, float vl) {
  const float m = std::fmin(Abs(w), Abs(vl));
  float slip;
  if (m > 0.0f) slip = Abs(w - vl) / m;
  else slip = w != vl ? 2.0f : 0.0f;
  return ClampFloat(slip, 0.0f, 2.0f);
}

void RollingNoiseGains(const int32_t materials[4], float speed, float gains[3]) {
  float share[3] = {0.0f, 0.0f, 0.0f};
  for (int k = 0; k < 4; ++k) {
    switch (materials[k]) {
      case kMaterialGround: case kMaterialSlick: share[0] += 0.25f; break;
      case kMaterialCar: share[1] += 0.25f; break;
      case kMaterialObject: share[2] += 0.25f; break;
      default: break;
    }
  }
  for (int i = 0; i < 3; ++i) gains[i] = std::fmin(0.1f * share[i] * speed, 1.0f);
}

float RunEngine(CSampleCar* car, float r, float dt, float* coupling) {
  const float E0 = car->engineSpeed;
  const float Ew = car->wheelEngineSpeed;
  const float c = ClampFloat((E0 - kCouplingStart) * 0.005f, 0.0f, 1.0f) * car->clutch;
  float s = ClampFloat((Ew - E0) * c / (kEngineInertia + kEngineScale), -1.0f, 1.0f);
  const float n = ClampFloat((E0 - kIdleEngineSpeed) / (kTopEngineSpeed - kIdleEngineSpeed), 0.0f, 1.0f);
  // The clutch pulls engine and wheels together within a substep, never past each
  // other: stepped explicitly the pull overshoots once a substep lasts more than about
  // a tick in first gear (frames slower than 40 fps), and engine and wheels then swing
  // further apart every substep, leaving the lorry unable to gather speed. k is the
  // share of the gap one substep's pull would close. At the top speed the wheels take
  // no pull (W is 0 below), so only the engine's own share can overshoot: counting the
  // wheels' share there as well would hold the engine at its top until the wheels fell
  // k times further behind, a gap that grows with the substep and that left a lorry in
  // first gear short of the speed the gearbox shifts up at on frames of 0.05 s and more.
  const float wheelShare = n == 1.0f ? 0.0f : 0.5f * kEngineScale * kFinalDrive * kFinalDrive * r * r;
  const float k = (kEngineInertia + wheelShare) * c * c * dt / (kEngineInertia + kEngineScale);
  if (k > 1.0f) s /= k;

  float t = car->throttle > 0.001f ? 1.5f * car->throttle : -6.0f * n;
  t = ClampFloat(t, -1.0f, 1.0f);
  car->engineLoad = ClampFloat(EaseToward(car->engineLoad, t, 0.2f * dt), -1.0f, 1.0f);

  const float T1 = r * kFinalDrive * kDriveTorque * ClampFloat(car->engineLoad, 0.0f, 1.0f) *
                   EngineTorqueCurve(n);
  const float T2 = r * kFinalDrive * kEngineDrag * 4.0f * ClampFloat(n, 0.0f, 0.25f);
  float W = ((T1 + T2) / kEngineInertia * 0.5f + (-kEngineScale * r * kFinalDrive * s)) * c;
  if (n == 1.0f) W = 0.0f;  // at the top speed the engine drives nothing

  const float side = E0 < Ew ? -1.0f : 1.0f;
  float E = E0 + ((T1 + T2) / (r * kFinalDrive) / kEngineScale + kEngineInertia * s * c) * dt;
  if (side > 0.0f && E < Ew) E += Abs(Ew - E) * c;
  if (side < 0.0f && E > Ew) E -= Abs(Ew - E) * c;
  E = ClampFloat(E, kIdleEngineSpeed, kTopEngineSpeed);
  car->engineSpeed = E;
  car->engineSpeedOut = E;
  car->rpm = kRpmPerEngineSpeed * E;
  *coupling = c;
  return W;
}

void CSampleCar::Control(neRigidBodyController* controller) {
  neRigidBody* b = controller->GetRigidBody();
  const int32_t substeps = SubstepCount > 0 ? SubstepCount : kBaseSubsteps;
  const float dt = FrameTiming.FrameTicks / static_cast<float>(substeps);
  const bool countdown = RaceStatus.CountdownRunning.load(std::memory_order_relaxed) != 0;

  // 1. Automatic gearbox.
  if (manualGearbox == 0) {
    if (shiftTimer <= 0.0f) {
      const int before = gear;
      gear = AutomaticGear(gear, speed, throttle, brake, countdown, carIndex != 0);
      if (gear != before) {
        shiftTimer = 1.0f;
        clutch = 0.0f;
        if (carIndex == 0 && Settings.sound && !GameSounds.gear.IsPlaying()) GameSounds.gear.Play();
      }
    }
    if (gear == -1) {
      // In reverse the brake pedal drives backwards, up to walking pace and a bit.
      throttle = brake;
      if (speed > 8.0f) throttle = 0.0f;
    }
    shiftTimer = std::fmax(shiftTimer - 0.01f * dt, 0.0f);
    clutch = 1.0f - shiftTimer;
  }
  if (countdown) clutch = 0.0f;

  // 3-5. Lamps, ratio, clutch.
  reverseLamp = gear == -1 ? 1.0f : 0.0f;
  brakeLamp = (brake > 0.05f && (gear != -1 || manualGearbox != 0)) ? 1.0f : 0.0f;
  tailLamp = 1.0f;
  const float r = GearRatio(gear);
  if (gear == 0) clutch = clutchTarget = 0.0f;
  const bool engineBehind = engineSpeed < wheelEngineSpeed;
  if (clutchTarget > clutch) clutch += (clutchTarget - clutch) * 0.01f * (clutch + 0.25f) * dt;
  if (clutchTarget < clutch) clutch = clutchTarget;

  // 6. Engine.
  float c = 0.0f;
  const float W = RunEngine(this, r, dt, &c);

  // 7. Steering geometry.
  float target0, target1;
  SteerTargets(steer, 2.0f * WheelOffsetX(), 2.0f * WheelOffsetZ(), &target0, &target1);
  steerAngle[0] = EaseToward(steerAngle[0], target0, 0.25f * dt);
  steerAngle[1] = EaseToward(steerAngle[1], target1, 0.25f * dt);

  // 8. Wheel frames.
  const neTransform pose = b->GetTransform();
  const neVector3 bodyPos = pose.pos;
  neVector3 forward = pose.rot.col[0];
  forward.Normalize();
  for (int i = 0; i < 2; ++i) {
    const float ca = std::cos(steerAngle[i]), sa = std::sin(steerAngle[i]);
    frontWheelHeading[i] = pose.rot.col[0].Scaled(ca) - pose.rot.col[2].Scaled(sa);
    frontWheelHeading[i].Normalize();
  }
  heading = neV3(pose.rot.col[0].x, 0.0f, pose.rot.col[0].z);
  heading.Normalize();
  neVector3 F = neV3(0.0f, 0.0f, 0.0f), M = neV3(0.0f, 0.0f, 0.0f);
  // The simulator's substep, seconds: what the body's speed changes over.
  const float substep = PreviousStepDt * 10.0f * kWorldTimeScale / static_cast<float>(substeps);
  const bool autoReverse = gear == -1 && manualGearbox == 0;

  // 9. The four wheels.
  b->BeginSensorIteration();
  for (int k = 0; k < kCarWheels; ++k) {
    neSensor* sensor = b->GetNextSensor();
    if (!sensor) break;
    const bool front = k < 2;
    float depth = sensor->GetHitDepth();
    wheelDrop[k] = std::fmin(kWheelDropBase - depth, kMaxWheelDrop);

    WheelFrame w;
    w.contact = depth > kContactDepth;
    if (!w.contact) {
      depth = 0.0f;
      skidFlags[k] = 0;
      wheelMaterial[k] = -1;
      w.normal = neV3(0.0f, 1.0f, 0.0f);
      w.along = pose.rot.MultiplyVector(neV3(0.0f, -1.0f, 0.0f));
      // The wheel's point above the body, carried with the body (a body-space point
      // taken as a world one would give an airborne lorry a torque that grows with
      // its distance from the world's origin).
      const float x = front ? WheelOffsetX() : -WheelOffsetX();
      const float z = (k % 2 == 0) ? WheelOffsetZ() : -WheelOffsetZ();
      w.arm = pose.rot.MultiplyVector(neV3(x, kAirborneWheelY, z));
    } else {
      wheelMaterial[k] = sensor->GetHitMaterial();
      w.normal = sensor->GetHitNormal();
      w.normal.Normalize();
      w.along = pose.rot.MultiplyVector(sensor->GetDirection());
      w.along.Normalize();
      w.arm = sensor->GetHitPoint() - bodyPos;
    }
    w.depth = depth;
    const neVector3& N = w.normal;
    const neVector3& Dn = w.along;
    const neVector3& arm = w.arm;

    // Spring, with a faint lift while the suspension hangs free.
    const float cosine = -Dn.Dot(N);
    const float spring = front ? kFrontSpring : kRearSpring;
    neVector3 Fs = N.Scaled(spring * ClampFloat(depth - kSpringDeadZone, 0.0f, kSpringTravel) * cosine);
    Fs.y += kGravityLift * ClampFloat(kSpringDeadZone - depth, 0.0f, kSpringDeadZone);
    F += Fs;
    M += arm.Cross(Fs);
    const float q = ClampFloat(depth - kSpringDeadZone, 0.0f, kLoadTravel);

    const neVector3 v = b->GetVelocityAtPoint(arm);
    if (w.contact) {
      const neVector3 Fd = Dn.Scaled(kDamper * v.Dot(Dn.Negated()));
      F += Fd;
      M += arm.Cross(Fd);
    }

    // Lateral grip: at walking pace a plain friction term, grading into the curve.
    const neVector3 H = front ? frontWheelHeading[k] : forward;
    neVector3 u = v;
    u.RemoveComponent(N);
    u.RemoveComponent(H);
    const float ul = u.Length();
    const float sp = ClampFloat(0.1f * v.Length(), 0.0f, 1.0f);
    const float lp = ClampFloat(0.1f * ul, 0.0f, 1.0f);
    const float g = LateralGripCurve(0.005f * ul) * sp + (1.0f - sp) * 7.0f * lp;
    u.Normalize();
    const neVector3 Fl = u.Scaled(q * (front ? kFrontLateral : kRearLateral) * g);
    F += Fl;
    M += arm.Cross(Fl);

    // Drive and braking along the wheel.
    const float rolling = (H.x * v.x + H.z * v.z) > 0.0f ? 1.0f : -1.0f;
    const float vl = Abs(v.Dot(H)) * rolling;
    float& spin = wheelSpin[k];
    const float surface = kWheelRadius * spin;
    const float sg = vl < surface ? -1.0f : 1.0f;
    float Fx = sg * kDriveForce * q * DriveGripCurve(0.5f * WheelSlip(surface, vl));
    // The tyre may close the gap between wheel and ground within one substep, never
    // reverse it: near a standstill the slip ratio is large for any gap, and the full
    // force stepped explicitly would leave wheel and lorry chattering around each
    // other for good. A quarter of the body answers each wheel.
    const float inertia = front ? kFrontWheelInertia : kRearWheelInertia;
    const float response = kWheelRadius * kWheelRadius / inertia * dt + substep / (0.25f * kCarMass);
    if (response > 0.0f) Fx = ClampFloat(Fx, -Abs(surface - vl) / response, Abs(surface - vl) / response);

    float torque = Fx * kWheelRadius +
                   ClampFloat(spin, -1.0f, 1.0f) * kBrakeTorque * (autoReverse ? 0.0f : brake) +
                   ClampFloat(spin, -10.0f, 10.0f) * (front ? kFrontRolling : kRearRolling);
    if (front) {
      spin += torque / inertia * dt;
    } else {
      torque += ClampFloat(spin, -1.0f, 1.0f) * kHandbrakeTorque * handbrake;
      rearWheelTorque[k - 2] = torque;
      spin += (torque / inertia + 0.5f * W) * dt;
    }
    wheelAngle[k] -= spin * dt;
    const neVector3 Ft = H.Scaled(-Fx);
    F += Ft;
    M += arm.Cross(Ft);
  }

  // 10-12. Rear differential, the speed the driven wheels give the engine, and the
  // engine pulling the wheels back toward its own speed.
  const float split = (wheelSpin[2] - wheelSpin[3]) * 0.1f * ClampFloat(engineLoad, 0.0f, 1.0f) * clutch * dt;
  wheelSpin[2] -= split;
  wheelSpin[3] += split;
  float Ew = ClampFloat((wheelSpin[2] + wheelSpin[3]) * 0.5f * r * kFinalDrive, kIdleEngineSpeed, kTopEngineSpeed);
  const float E = engineSpeed;
  if ((!engineBehind && E < Ew) || (engineBehind && E > Ew)) {
    const float share2 = wheelSpin[2] / Ew, share3 = wheelSpin[3] / Ew;
    Ew = EaseToward(Ew, E, c);
    wheelSpin[2] = share2 * Ew;
    wheelSpin[3] = share3 * Ew;
  }
  wheelEngineSpeed = Ew;

  // 13-15. Rolling noise, side slip, drag.
  const neVector3 V = b->GetVelocity();
  const float S = V.Length();
  if (carIndex == 0) {
    float gains[3];
    RollingNoiseGains(wheelMaterial, S, gains);
    GameSounds.landscapeGround.SetGain(gains[0]);
    GameSounds.landscapeGrass.SetGain(gains[1]);
    GameSounds.landscapeWater.SetGain(gains[2]);
  }
  neVector3 sideways = V;
  sideways.RemoveComponent(forward);
  sideSlip = sideways.Length() / std::fmax(S, 0.001f);
  if (S >= kStillSpeed) {
    const neVector3 dir = V.Scaled(1.0f / S);
    if (S > kDragFreeSpeed) F += dir.Scaled(-kDragFactor * std::pow(S - kDragFreeSpeed, kDragExponent));
    if (S >= kHoldSpeed) {
      F += dir.Scaled(-kLinearDrag * S);
    } else {
      // The hold never takes more than the motion it stops: within one substep it
      // may bring the lorry to rest, never push it back.
      float hold = kHoldFactor * S * S;
      if (substep > 0.0f) hold = std::fmin(hold, kCarMass * S / substep);
      F += dir.Scaled(-hold);
    }
  }

  controller->SetForce(F);
  controller->SetTorque(M);
  crashSoundTimer += kCrashTimerRate * FrameTiming.FrameTicks;
}
