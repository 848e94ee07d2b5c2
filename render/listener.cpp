#include "render/listener.h"

#include <AL/al.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

#include "app/controls.h"
#include "app/engine_sounds.h"
#include "app/frame.h"
#include "app/sound.h"
#include "gfx/lights.h"
#include "race/car.h"
#include "race/physics_world.h"
#include "race/race_status.h"
#include "race/tyre_curves.h"

namespace {

constexpr float kHalfPi = 1.5707964f;
constexpr float kPi = 3.1415927f;
// A long frame eases the chase direction as one of this many ticks: a quarter of the
// gap at most, so a slow machine still turns the view behind the lorry and to a look
// key (standing it still below about 10 frames a second never did), and a stall does
// not swing it past the heading.
constexpr float kLongestChaseTicks = kLongestStepTicks;
constexpr float kChaseRate = 0.025f;
constexpr float kChaseDeadBand = 0.01f;
constexpr float kUpRate = 0.01f;
// Camera 0 aims 5 units along a heading turned by one radian's cosine and sine.
constexpr float kAimAheadX = 2.7015f;
constexpr float kAimAheadZ = 4.2074f;
constexpr float kAimAhead = 5.0f;
constexpr float kSpeedPullIn = 0.5f;
// After the finish the camera looks back at the lorry from along a fixed direction.
constexpr float kFinishAngle = 1.0f;
constexpr float kFinishLift = 0.5f;
constexpr float kFinishEyeDistance = 7.0f;
constexpr float kFinishEyeHeight = 1.35f;
constexpr float kFinishTargetDistance = 2.8f;
// Roll into bends: from speed 10 to 30, at most 0.2 rad.
constexpr float kRollSpeedLow = 10.0f;
constexpr float kRollSpeedHigh = 30.0f;
constexpr float kRollPerSpeed = 0.075f * 0.2f;
constexpr float kRollLimit = 0.2f;
constexpr float kRollSteer = 0.1f;
// Crash sounds grow with the object's speed, silent below a floor.
constexpr float kCrashGainPerSpeed = 0.075f;
constexpr float kCrashGainBase = 0.15f;
constexpr float kCrashGainFloor = 0.225f;

float EaseChase(float c, float w, float ticks) {
  if (w - c > kChaseDeadBand) return c + std::fabs(w - c) * kChaseRate * ticks;
  if (c - w > kChaseDeadBand) return c - std::fabs(w - c) * kChaseRate * ticks;
  return c;
}

float EaseUp(float u, float t, float ticks) {
  if (t > u) return u + std::fabs(u - t) * kUpRate * ticks;
  if (t < u) return u - std::fabs(u - t) * kUpRate * ticks;
  return u;
}

void SetSource(SoundSource& s, const neVector3& p, const neVector3& v) {
  s.SetPosition(p.x, p.y, p.z, v.x, v.y, v.z);
}

// Every race sound at the car that makes it.
void PlaceCarSounds(int car, const neVector3& p, const neVector3& v) {
  if (car == 0) {
    for (SoundSource* s : {&GameSounds.gear, &GameSounds.landscapeGround, &GameSounds.landscapeGrass,
                           &GameSounds.landscapeWater, &GameSounds.nitro, &GameSounds.wind})
      SetSource(*s, p, v);
    for (SoundSource& s : EngineSounds.drag) SetSource(s, p, v);
    for (SoundSource& s : EngineSounds.notes) SetSource(s, p, v);
    for (SoundSource& s : EngineSounds.notesP) SetSource(s, p, v);
    SetSource(GameSounds.enCity, p, v);
    return;
  }
  const int row = car - 1;
  for (SoundSource& s : EngineSounds.opponent[row]) SetSource(s, p, v);
  for (SoundSource& s : EngineSounds.opponentP[row]) SetSource(s, p, v);
  SetSource(GameSounds.enOt[row], p, v);
}

void PlaceCrashSounds() {
  for (int set = 0; set < 4; ++set)
    for (int variant = 0; variant < 4; ++variant) {
      CrashSoundSlot& slot = CrashSoundSlots[set][variant];
      if (!slot.playing) continue;
      SoundSource& s = GameSounds.crash[set][variant];
      if (!slot.body || !s.IsPlaying()) {
        slot.playing = 0;
        continue;
      }
      const neVector3 p = slot.body->GetPosition(), v = slot.body->GetVelocity();
      SetSource(s, p, v);
      float gain = v.Length() * kCrashGainPerSpeed + kCrashGainBase;
      if (gain < kCrashGainFloor) gain = 0.0f;
      if (gain > 1.0f) gain = 1.0f;
      s.SetGain(gain);
    }
}

void PlaceListener(const neVector3& velocity) {
  const Vector3& eye = RenderCamera.eye;
  const Vector3& view = RenderCamera.viewDirection;
  alListener3f(AL_POSITION, eye.x, eye.y, eye.z);
  alListener3f(AL_VELOCITY, velocity.x, velocity.y, velocity.z);
  const ALfloat orientation[6] = {view.x, view.y, view.z, 0.0f, 1.0f, 0.0f};
  alListenerfv(AL_ORIENTATION, orientation);
}

}  // namespace

void UpdateChaseCamera(const ChaseInputs& in, CameraStateRecord* cam) {
  neVector3 p = in.position;
  // Heading: the lorry's length axis laid flat.
  float hx = in.lengthAxis.x, hz = in.lengthAxis.z;
  const float flat = std::sqrt(hx * hx + hz * hz);
  if (flat > 0.0f && std::isfinite(flat)) {
    hx /= flat;
    hz /= flat;
  } else {
    hx = hz = 0.0f;
  }
  if (in.finished) {
    hx = std::cos(kFinishAngle);
    hz = std::sin(kFinishAngle);
    p.y += kFinishLift;
  }
  float turn = 0.0f;
  switch (in.look) {
    case 1: turn = kPi; break;
    case 2: turn = -kHalfPi; break;
    case 3: turn = kHalfPi; break;
    default: break;
  }
  if (turn != 0.0f) {
    const float c = std::cos(turn), s = std::sin(turn);
    const float x = hx * c + hz * s, z = hz * c - hx * s;
    hx = x;
    hz = z;
  }
  cam->chaseHeading[0] = hx;
  cam->chaseHeading[1] = hz;
  const float chaseTicks = in.ticks < kLongestChaseTicks ? in.ticks : kLongestChaseTicks;
  cam->chaseDirection[0] = EaseChase(cam->chaseDirection[0], hx, chaseTicks);
  cam->chaseDirection[1] = EaseChase(cam->chaseDirection[1], hz, chaseTicks);
  const float dx = cam->chaseDirection[0], dz = cam->chaseDirection[1];
  const int selection = in.camera >= 0 && in.camera < 4 ? in.camera : 0;
  const ChaseCamera& row = kChaseCameras[selection];
  const float back = row.back - kSpeedPullIn * cam->speedFactor;
  cam->eye.Set(p.x - back * dx, p.y + row.eyeHeight, p.z - back * dz);
  if (selection == 0)
    cam->target.Set(p.x + kAimAheadX * dx, p.y + row.targetHeight, p.z + kAimAheadZ * dz);
  else
    cam->target.Set(p.x + kAimAhead * dx, p.y + row.targetHeight, p.z + kAimAhead * dz);
  if (in.finished) {
    cam->eye.Set(p.x + kFinishEyeDistance * dx, p.y + kFinishEyeHeight, p.z + kFinishEyeDistance * dz);
    cam->target.Set(p.x - kFinishTargetDistance * dx, p.y, p.z - kFinishTargetDistance * dz);
  }
  Vector3 view = cam->target.Difference(cam->eye);
  const float length = view.Length();
  if (length > 0.0f) view.Set(view.x / length, view.y / length, view.z / length);
  cam->viewDirection = view;

  // Roll into the bend with speed and lock, on the axes the view runs along.
  const float v = ClampFloat(in.speed, kRollSpeedLow, kRollSpeedHigh);
  const float sign = in.steer > kRollSteer ? 1.0f : (in.steer < -kRollSteer ? -1.0f : 0.0f);
  const float r = ClampFloat((v - kRollSpeedLow) * kRollPerSpeed * sign, -kRollLimit, kRollLimit);
  Vector3 up(0.0f, 1.0f, 0.0f);
  float a = view.x * r;
  float c = std::cos(a), s = std::sin(a);
  up.Set(up.x, up.y * c - up.z * s, up.z * c + up.y * s);
  a = view.z * r;
  c = std::cos(a);
  s = std::sin(a);
  up.Set(up.x * c - up.y * s, up.y * c + up.x * s, up.z);
  const float upLength = up.Length();
  if (upLength > 0.0f) up.Set(up.x / upLength, up.y / upLength, up.z / upLength);
  cam->rawUp = up;
  cam->up.Set(EaseUp(cam->up.x, up.x, in.ticks), EaseUp(cam->up.y, up.y, in.ticks), EaseUp(cam->up.z, up.z, in.ticks));
  cam->cameraSelection = selection;
  cam->lookSelection = in.look;
}

void PlaceCameraAndListener(int car, int apply) {
  if (apply) {
    const CameraStateRecord& c = RenderCamera;
    gluLookAt(c.eye.x, c.eye.y, c.eye.z, c.target.x, c.target.y, c.target.z, c.up.x, c.up.y, c.up.z);
    PlaceLights();
    return;
  }
  if (car < 0 || car >= kRaceCarCount || !RaceCars[car].body) return;
  const CSampleCar& lorry = RaceCars[car];
  ChaseInputs in;
  in.position = lorry.body->GetPosition();
  // The heading comes from the player's draw matrix of the last update, the one the
  // frame on screen shows.
  const Matrix4& m = PublishedCarRows[0].matrix;
  in.lengthAxis = neV3(m.m[0], m.m[1], m.m[2]);
  in.speed = lorry.speed;
  in.steer = lorry.steer;
  in.finished = RaceStatus.PlayerFinished.load(std::memory_order_relaxed) != 0;
  in.camera = RaceControls.cameraMode;
  in.look = RaceControls.look;
  in.ticks = FrameTiming.FrameTicks;
  UpdateChaseCamera(in, &CameraState);

  PlaceListener(lorry.body->GetVelocity());
  for (int k = 0; k < kRaceCarCount; ++k)
    if (RaceCars[k].body) PlaceCarSounds(k, RaceCars[k].body->GetPosition(), RaceCars[k].body->GetVelocity());
  PlaceCrashSounds();
  // The lights follow with the view the main thread loads; this thread has no context
  // to place them in, and the sun's place belongs to the frame being drawn.
}
