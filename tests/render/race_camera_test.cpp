// The chase camera behind the player's lorry and the listener and sounds it places.
// Every expected value below is worked out from the camera rows (back, eye height,
// target height: 11.5/4.2/1.7, 16.5/4.2/0.7, 5.5/3.2/1.2, 12.5/3.2/0.7), the easing
// rates (0.025 per tick outside a 0.01 dead band; 0.01 per tick for the up vector) and
// the roll (0.015 rad per unit of speed over 10, at most 0.2), not read from the code.
#include <AL/al.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/controls.h"
#include "app/frame.h"
#include "app/sound.h"
#include "physics/ne.h"
#include "race/autopilot.h"
#include "race/car.h"
#include "race/physics_world.h"
#include "race/race_status.h"
#include "render/camera_state.h"
#include "render/listener.h"
#include "tests/scratch_dir.h"
#include "tools/race_sim/race_session.h"

namespace {

constexpr float kTol = 1e-4f;

void ExpectVector(const Vector3& v, float x, float y, float z, float tol = kTol) {
  EXPECT_NEAR(v.x, x, tol);
  EXPECT_NEAR(v.y, y, tol);
  EXPECT_NEAR(v.z, z, tol);
}

ChaseInputs Inputs(float px, float py, float pz, float ax, float az, int camera) {
  ChaseInputs in;
  in.position = neV3(px, py, pz);
  in.lengthAxis = neV3(ax, 0.3f, az);  // a pitched lorry: the climb must not tilt the heading
  in.camera = camera;
  in.ticks = 1.0f;
  return in;
}

CameraStateRecord SettledOn(float dx, float dz, float speedFactor = 0.0f) {
  CameraStateRecord cam;
  cam.chaseDirection[0] = cam.chaseHeading[0] = dx;
  cam.chaseDirection[1] = cam.chaseHeading[1] = dz;
  cam.speedFactor = speedFactor;
  return cam;
}

TEST(ChaseCamera, EachCameraRowPlacesEyeAndTargetBehindTheLorry) {
  // Settled on the heading (0.6, 0.8), the lorry at (10, 2, -5).
  struct Row {
    int camera;
    float eye[3], target[3];
  } rows[] = {
      // camera 0 aims 2.7015 dx and 4.2074 dz ahead (5 cos 1, 5 sin 1).
      {0, {10 - 11.5f * 0.6f, 6.2f, -5 - 11.5f * 0.8f}, {10 + 2.7015f * 0.6f, 3.7f, -5 + 4.2074f * 0.8f}},
      {1, {10 - 16.5f * 0.6f, 6.2f, -5 - 16.5f * 0.8f}, {13.0f, 2.7f, -1.0f}},
      {2, {10 - 5.5f * 0.6f, 5.2f, -5 - 5.5f * 0.8f}, {13.0f, 3.2f, -1.0f}},
      {3, {10 - 12.5f * 0.6f, 5.2f, -5 - 12.5f * 0.8f}, {13.0f, 2.7f, -1.0f}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.camera);
    CameraStateRecord cam = SettledOn(0.6f, 0.8f);
    UpdateChaseCamera(Inputs(10, 2, -5, 0.6f, 0.8f, r.camera), &cam);
    ExpectVector(cam.eye, r.eye[0], r.eye[1], r.eye[2]);
    ExpectVector(cam.target, r.target[0], r.target[1], r.target[2]);
    EXPECT_EQ(cam.cameraSelection, r.camera);
  }
  // At full speed factor every camera comes half a unit closer: camera 1 from 16.
  CameraStateRecord cam = SettledOn(1.0f, 0.0f, 1.0f);
  UpdateChaseCamera(Inputs(0, 0, 0, 1, 0, 1), &cam);
  ExpectVector(cam.eye, -16.0f, 4.2f, 0.0f);
  // A selection out of range is camera 0.
  cam = SettledOn(1.0f, 0.0f);
  UpdateChaseCamera(Inputs(0, 0, 0, 1, 0, 7), &cam);
  ExpectVector(cam.eye, -11.5f, 4.2f, 0.0f);
  ExpectVector(cam.target, 2.7015f, 1.7f, 0.0f);
}

TEST(ChaseCamera, TheChaseDirectionEasesTowardTheHeadingOutsideItsDeadBandAndLongFramesByTenTicks) {
  // From (1, 0) toward (0, 1) at 2 ticks: each part moves 0.05 of its gap.
  CameraStateRecord cam = SettledOn(1.0f, 0.0f);
  ChaseInputs in = Inputs(0, 0, 0, 0, 1, 1);
  in.ticks = 2.0f;
  UpdateChaseCamera(in, &cam);
  EXPECT_NEAR(cam.chaseHeading[0], 0.0f, kTol);
  EXPECT_NEAR(cam.chaseHeading[1], 1.0f, kTol);
  EXPECT_NEAR(cam.chaseDirection[0], 0.95f, kTol);
  EXPECT_NEAR(cam.chaseDirection[1], 0.05f, kTol);
  ExpectVector(cam.eye, -16.5f * 0.95f, 4.2f, -16.5f * 0.05f);
  ExpectVector(cam.target, 5 * 0.95f, 0.7f, 5 * 0.05f);
  UpdateChaseCamera(in, &cam);
  EXPECT_NEAR(cam.chaseDirection[0], 0.9025f, kTol);
  EXPECT_NEAR(cam.chaseDirection[1], 0.0975f, kTol);

  // Within 0.01 of the heading it does not move.
  cam = SettledOn(0.995f, 0.005f);
  UpdateChaseCamera(Inputs(0, 0, 0, 1, 0, 1), &cam);
  EXPECT_EQ(cam.chaseDirection[0], 0.995f);
  EXPECT_EQ(cam.chaseDirection[1], 0.005f);

  // Frames up to 10 ticks ease by their own ticks; a longer one (up to the 20 of the
  // longest frame that counts) moves as one of 10: a quarter of the gap, never frozen
  // and never past the heading.
  const float frames[][2] = {{9.5f, 9.5f}, {10.0f, 10.0f}, {12.5f, 10.0f}, {20.0f, 10.0f}};
  for (const auto& f : frames) {
    SCOPED_TRACE(f[0]);
    cam = SettledOn(1.0f, 0.0f);
    in.ticks = f[0];
    UpdateChaseCamera(in, &cam);
    EXPECT_NEAR(cam.chaseDirection[0], 1.0f - 0.025f * f[1], kTol);
    EXPECT_NEAR(cam.chaseDirection[1], 0.025f * f[1], kTol);
  }
}

TEST(ChaseCamera, LookDirectionsTurnTheHeadingAndLookBackEndsInFrontOfTheLorry) {
  struct Look {
    int look;
    float x, z;
  } looks[] = {{0, 0.6f, 0.8f}, {1, -0.6f, -0.8f}, {2, -0.8f, 0.6f}, {3, 0.8f, -0.6f}};
  for (const Look& l : looks) {
    SCOPED_TRACE(l.look);
    CameraStateRecord cam = SettledOn(0.6f, 0.8f);
    ChaseInputs in = Inputs(0, 0, 0, 0.6f, 0.8f, 1);
    in.look = l.look;
    UpdateChaseCamera(in, &cam);
    EXPECT_NEAR(cam.chaseHeading[0], l.x, kTol);
    EXPECT_NEAR(cam.chaseHeading[1], l.z, kTol);
    EXPECT_EQ(cam.lookSelection, l.look);
  }

  // Look back with camera 1 heading +x: the first frames still sit behind the lorry;
  // once eased the eye is 16.5 in front of it looking back (the dead band leaves at
  // most 0.01 of the direction, 0.165 units, unturned).
  CameraStateRecord cam = SettledOn(1.0f, 0.0f);
  ChaseInputs in = Inputs(50, 1, 20, 1, 0, 1);
  in.look = 1;
  in.ticks = 4.0f;
  UpdateChaseCamera(in, &cam);
  EXPECT_LT(cam.eye.x, 50.0f) << "the turn takes several frames";
  for (int i = 0; i < 200; ++i) UpdateChaseCamera(in, &cam);
  EXPECT_NEAR(cam.eye.x, 50.0f + 16.5f, 0.17f);
  EXPECT_NEAR(cam.eye.z, 20.0f, 1e-3f);
  EXPECT_NEAR(cam.target.x, 50.0f - 5.0f, 0.06f);
  EXPECT_LT(cam.viewDirection.x, -0.98f) << "looking back along -x at the lorry";
}

TEST(ChaseCamera, AfterTheFinishTheCameraLooksBackFromSevenUnitsWhateverTheSelection) {
  // The finish direction is (cos 1, sin 1) = (0.5403, 0.8415); settled on it, the eye
  // is 7 units along it and 0.5 + 1.35 above the body, the target 2.8 units the other
  // way at 0.5 above.
  for (int camera = 0; camera < 4; ++camera) {
    SCOPED_TRACE(camera);
    CameraStateRecord cam = SettledOn(0.5403023f, 0.8414710f);
    ChaseInputs in = Inputs(10, 2, -5, -1, 0, camera);  // the lorry's own heading no longer counts
    in.finished = true;
    UpdateChaseCamera(in, &cam);
    EXPECT_NEAR(cam.chaseHeading[0], 0.5403023f, kTol);
    EXPECT_NEAR(cam.chaseHeading[1], 0.8414710f, kTol);
    ExpectVector(cam.eye, 10 + 3.7821161f, 3.85f, -5 + 5.8902969f);
    ExpectVector(cam.target, 10 - 1.5128465f, 2.5f, -5 - 2.3561188f);
  }
}

TEST(ChaseCamera, TheUpRollsIntoBendsWithSpeedAndLockAndEasesTowardIt) {
  // Camera 1 heading +x: the view runs from (-16.5, 4.2, 0) to (5, 0.7, 0), that is
  // (21.5, -3.5, 0) / 21.783 = (0.98701, -0.16068, 0), so the roll turns about x only.
  struct Roll {
    float speed, steer;
    float upY, upZ;
  } rolls[] = {
      {30.0f, 0.3f, 0.9805795f, 0.1961219f},    // r = 20 x 0.015 = 0.3, held to 0.2
      {50.0f, 0.3f, 0.9805795f, 0.1961219f},    // speed held to 30
      {20.0f, -0.2f, 0.9890604f, -0.1475108f},  // r = -0.15
      {5.0f, 0.5f, 1.0f, 0.0f},                 // below 10: no roll whatever the lock
      {30.0f, 0.05f, 1.0f, 0.0f},               // lock inside 0.1: no roll
  };
  for (const Roll& r : rolls) {
    SCOPED_TRACE(testing::Message() << r.speed << " " << r.steer);
    CameraStateRecord cam = SettledOn(1.0f, 0.0f);
    ChaseInputs in = Inputs(0, 0, 0, 1, 0, 1);
    in.speed = r.speed;
    in.steer = r.steer;
    UpdateChaseCamera(in, &cam);
    ExpectVector(cam.viewDirection, 0.9870073f, -0.1606756f, 0.0f);
    ExpectVector(cam.rawUp, 0.0f, r.upY, r.upZ);
  }

  // Heading +z: the view's x part is 0, so the roll turns about z instead.
  CameraStateRecord cam = SettledOn(0.0f, 1.0f);
  ChaseInputs in = Inputs(0, 0, 0, 0, 1, 1);
  in.speed = 30.0f;
  in.steer = 0.3f;
  UpdateChaseCamera(in, &cam);
  ExpectVector(cam.rawUp, -0.1961219f, 0.9805795f, 0.0f);

  // The up eases 0.01 of its gap per tick, a long frame's own ticks too (a fifth of
  // the gap at the longest).
  cam = SettledOn(1.0f, 0.0f);
  in = Inputs(0, 0, 0, 1, 0, 1);
  in.speed = 30.0f;
  in.steer = 0.3f;
  UpdateChaseCamera(in, &cam);
  ExpectVector(cam.up, 0.0f, 1.0f - (1.0f - 0.9805795f) * 0.01f, 0.1961219f * 0.01f, 1e-6f);
  cam = SettledOn(1.0f, 0.0f);
  in.ticks = 20.0f;
  UpdateChaseCamera(in, &cam);
  EXPECT_NEAR(cam.up.z, 0.1961219f * 0.2f, 1e-6f);
}

// The lorry's heading as the camera takes it: its draw matrix's length axis, flat.
neVector3 FlatHeading() {
  const Matrix4& m = PublishedCarRows[0].matrix;
  neVector3 h = neV3(m.m[0], 0.0f, m.m[2]);
  const float l = h.Length();
  return l > 0.0f ? h * (1.0f / l) : h;
}

float DegreesBetween(float ax, float az, float bx, float bz) {
  const float la = std::sqrt(ax * ax + az * az), lb = std::sqrt(bx * bx + bz * bz);
  if (!(la > 0.0f && lb > 0.0f)) return 180.0f;
  const float c = (ax * bx + az * bz) / (la * lb);
  return std::acos(c > 1.0f ? 1.0f : (c < -1.0f ? -1.0f : c)) * 57.29578f;
}

// Race 1 at 8 frames a second with the test pilot at the wheel, the camera placed as
// the race update places it after each step: through the first bends the view swings
// round behind the lorry, and the "Look Back" key, pressed through the default
// binding, turns it to look at the lorry from the front.
TEST(ChaseCameraInARace, AtEightFramesASecondTheViewFollowsTheLorryThroughBendsAndTurnsToALookKey) {
  struct stat st;
  if (stat("base/world/races/1.ai", &st) != 0) GTEST_SKIP() << "base/ not generated here (build the base target)";
  RaceSessionOptions options;
  options.race = 1;
  options.frameSeconds = 0.125f;
  ASSERT_TRUE(OpenRaceSession(options));
  RaceControls.cameraMode = 1;
  RaceControls.look = 0;
  RunCountdown();
  ASSERT_EQ(RaceStatus.CountdownRunning.load(), 0) << "the countdown ends at 8 frames a second too";

  Autopilot pilot;
  const neVector3 start = FlatHeading();
  float turned = 0.0f, camTurned = 0.0f, worstLag = 0.0f, lagAtTurn = 180.0f;
  const int frames = static_cast<int>(40.0f / options.frameSeconds);
  for (int f = 0; f < frames; ++f) {
    pilot.Drive(RaceStepTicks(options.frameSeconds * 100.0f), &RaceControls);
    StepRaceFrame();
    PlaceCameraAndListener(0, 0);
    const neVector3 h = FlatHeading();
    const float* d = CameraState.chaseDirection;
    const float t = DegreesBetween(start.x, start.z, h.x, h.z);
    const float lag = DegreesBetween(d[0], d[1], h.x, h.z);
    camTurned = std::fmax(camTurned, DegreesBetween(start.x, start.z, d[0], d[1]));
    if (t > turned) {
      turned = t;
      lagAtTurn = lag;
    }
    // Two seconds to catch up from the grid's settle.
    if (f > 16) worstLag = std::fmax(worstLag, lag);
  }
  EXPECT_GT(RaceCars[0].speed, 5.0f) << "the lorry drives at 8 frames a second";
  EXPECT_GT(turned, 60.0f) << "the lorry went through a bend";
  EXPECT_GT(camTurned, 50.0f) << "the view turned with it";
  EXPECT_LT(lagAtTurn, 20.0f) << "behind the lorry at its furthest turn";
  EXPECT_LT(worstLag, 35.0f) << "never left far off the lorry's heading";

  // "Look Back" down for one frame, then up: within two seconds the chase direction
  // has come round against the lorry's heading and the eye sits in front of it.
  DriverControlState keysMapped = RaceControls;
  uint8_t keys[256] = {};
  uint8_t latches[kBindingSlots] = {};
  const int lookBack = DefaultSettings().bindings.slot[7];
  ASSERT_TRUE(lookBack >= 0 && lookBack < 256);
  keys[lookBack] = 1;
  for (int f = 0; f < 16; ++f) {
    MapDriverControls(DefaultSettings().bindings, kControlDeviceKeyboard, keys, nullptr,
                      FrameTiming.FrameTicks, &keysMapped, latches);
    keys[lookBack] = 0;
    RaceControls.look = keysMapped.look;
    pilot.Drive(RaceStepTicks(options.frameSeconds * 100.0f), &RaceControls);
    StepRaceFrame();
    PlaceCameraAndListener(0, 0);
  }
  EXPECT_EQ(RaceControls.look, 1);
  const neVector3 h = FlatHeading();
  const float* d = CameraState.chaseDirection;
  const float backLag = DegreesBetween(d[0], d[1], -h.x, -h.z);
  EXPECT_LT(backLag, 10.0f) << "the view looks back along the lorry";
  const neVector3 p = RaceCars[0].body->GetPosition();
  const float ahead = (CameraState.eye.x - p.x) * h.x + (CameraState.eye.z - p.z) * h.z;
  // Camera 1 sits 16.5 units off the lorry, half a unit closer at speed.
  EXPECT_GT(ahead, 15.0f) << "the eye sits in front of the lorry";
  std::printf("8 fps: lorry turned %.0f deg, view %.0f deg, lag at the turn %.1f deg, worst %.1f deg; "
              "looking back %.1f deg off, eye %.1f ahead\n", turned, camTurned, lagAtTurn, worstLag, backLag, ahead);
  RaceControls = DriverControlState{};
  CloseRaceSession();
}

// A three-second tone, long enough to stay playing through a case.
std::string ToneFile() {
  const std::string path = testscratch::ScratchPath("tone.wav");
  const uint32_t rate = 22050, frames = rate * 3;
  std::vector<int16_t> samples(frames);
  for (uint32_t i = 0; i < frames; ++i)
    samples[i] = static_cast<int16_t>(8000 * std::sin(2.0 * M_PI * 440.0 * i / rate));
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return "";
  auto u32 = [f](uint32_t v) { std::fwrite(&v, 4, 1, f); };
  auto u16 = [f](uint16_t v) { std::fwrite(&v, 2, 1, f); };
  std::fwrite("RIFF", 1, 4, f);
  u32(36 + frames * 2);
  std::fwrite("WAVEfmt ", 1, 8, f);
  u32(16);
  u16(1);
  u16(1);
  u32(rate);
  u32(rate * 2);
  u16(2);
  u16(16);
  std::fwrite("data", 1, 4, f);
  u32(frames * 2);
  std::fwrite(samples.data(), 2, frames, f);
  std::fclose(f);
  return path;
}

class RaceListener : public testing::Test {
 protected:
  void SetUp() override {
    setenv("ALSOFT_DRIVERS", "null", 0);
    if (!SoundDeviceOpen() && !OpenSoundDevice()) GTEST_SKIP() << "no OpenAL device, not even the null output";
    tone_ = ToneFile();
    ASSERT_FALSE(tone_.empty());
    sim_ = neSimulation::Create(nullptr);
    ASSERT_NE(sim_, nullptr);
    for (int k = 0; k < kRaceCarCount; ++k) RaceCars[k].body = nullptr;
    for (auto& set : CrashSoundSlots)
      for (CrashSoundSlot& slot : set) slot = CrashSoundSlot();
    PublishedCarRows[0].matrix.SetIdentity();  // length axis +x
    RaceStatus.PlayerFinished.store(0);
    RaceControls.cameraMode = 3;
    RaceControls.look = 0;
    FrameTiming.FrameTicks = 1.0f;
    CameraState = SettledOn(1.0f, 0.0f);
  }
  static void TearDownTestSuite() { CloseSoundDevice(); }
  void TearDown() override {
    for (int k = 0; k < kRaceCarCount; ++k) RaceCars[k].body = nullptr;
    for (auto& set : CrashSoundSlots)
      for (CrashSoundSlot& slot : set) slot = CrashSoundSlot();
    for (auto& set : GameSounds.crash)
      for (SoundSource& s : set) s.Release();
    GameSounds.gear.Release();
    GameSounds.enOt[1].Release();
    neSimulation::Destroy(sim_);
  }
  neRigidBody* Body(float x, float y, float z, float vx, float vy, float vz) {
    neRigidBody* b = sim_->CreateRigidBody();
    b->SetMass(1.0f);
    b->SetInertiaTensor(neV3(1.0f, 1.0f, 1.0f));
    b->SetPosition(neV3(x, y, z));
    b->SetVelocity(neV3(vx, vy, vz));
    return b;
  }
  static void ExpectSourceAt(const SoundSource& s, float x, float y, float z, float vx, float vy, float vz) {
    ALfloat p[3], v[3];
    alGetSource3f(s.source, AL_POSITION, &p[0], &p[1], &p[2]);
    alGetSource3f(s.source, AL_VELOCITY, &v[0], &v[1], &v[2]);
    EXPECT_NEAR(p[0], x, kTol);
    EXPECT_NEAR(p[1], y, kTol);
    EXPECT_NEAR(p[2], z, kTol);
    EXPECT_NEAR(v[0], vx, kTol);
    EXPECT_NEAR(v[1], vy, kTol);
    EXPECT_NEAR(v[2], vz, kTol);
  }
  static float Gain(const SoundSource& s) {
    ALfloat g = -1.0f;
    alGetSourcef(s.source, AL_GAIN, &g);
    return g;
  }
  neSimulation* sim_ = nullptr;
  std::string tone_;
};

TEST_F(RaceListener, TheListenerHearsFromTheDrawnFrameWithTheLorrysVelocityAndSoundsFollowTheirCars) {
  RaceCars[0].body = Body(100, 5, 50, 4, -1, 2.5f);
  RaceCars[2].body = Body(-30, 1, 7, 0, 0, -9);
  GameSounds.gear.Load(tone_.c_str(), true);
  GameSounds.enOt[1].Load(tone_.c_str(), true);
  // The frame on screen was drawn from another eye than the one this update computes.
  RenderCamera.eye.Set(1.0f, 2.0f, 3.0f);
  RenderCamera.viewDirection.Set(0.6f, 0.0f, 0.8f);

  PlaceCameraAndListener(0, 0);

  // Camera 3 heading +x from the body at (100, 5, 50).
  ExpectVector(CameraState.eye, 100 - 12.5f, 8.2f, 50.0f);
  ExpectVector(CameraState.target, 105.0f, 5.7f, 50.0f);

  ALfloat x, y, z, o[6];
  alGetListener3f(AL_POSITION, &x, &y, &z);
  EXPECT_FLOAT_EQ(x, 1.0f);
  EXPECT_FLOAT_EQ(y, 2.0f);
  EXPECT_FLOAT_EQ(z, 3.0f);
  alGetListener3f(AL_VELOCITY, &x, &y, &z);
  EXPECT_FLOAT_EQ(x, 4.0f);
  EXPECT_FLOAT_EQ(y, -1.0f);
  EXPECT_FLOAT_EQ(z, 2.5f);
  alGetListenerfv(AL_ORIENTATION, o);
  const float orientation[6] = {0.6f, 0.0f, 0.8f, 0.0f, 1.0f, 0.0f};
  for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(o[i], orientation[i]) << i;
  EXPECT_EQ(alGetError(), AL_NO_ERROR);

  ExpectSourceAt(GameSounds.gear, 100, 5, 50, 4, -1, 2.5f);
  ExpectSourceAt(GameSounds.enOt[1], -30, 1, 7, 0, 0, -9);  // car 2's idle is the second opponent's
}

TEST_F(RaceListener, CrashSoundsTakeTheirBodysPlaceAndAGainFromItsSpeedAndStoppedOrBodilessSlotsAreReleased) {
  RaceCars[0].body = Body(0, 0, 0, 0, 0, 0);
  for (auto& set : GameSounds.crash)
    for (SoundSource& s : set) s.Load(tone_.c_str(), false);
  struct Slot {
    int set, variant;
    float speed;
    float gain;  // |v| x 0.075 + 0.15, 0 below 0.225, 1 above 1
  } playing[] = {{0, 0, 10.0f, 0.9f}, {1, 2, 0.9f, 0.0f},  {0, 3, 1.2f, 0.24f},
                 {2, 3, 20.0f, 1.0f}, {3, 1, 4.0f, 0.45f}};  // 0.2175 is below the floor, 0.24 not
  for (const Slot& s : playing) {
    CrashSoundSlot& slot = CrashSoundSlots[s.set][s.variant];
    slot.playing = 1;
    // Speed along (0.6, 0, 0.8).
    slot.body = Body(10.0f * s.set, 1, -2.0f * s.variant, 0.6f * s.speed, 0, 0.8f * s.speed);
    GameSounds.crash[s.set][s.variant].Play();
  }
  // A slot whose sound has stopped, and one that lost its body.
  CrashSoundSlots[1][1].playing = 1;
  CrashSoundSlots[1][1].body = Body(0, 0, 0, 30, 0, 0);
  CrashSoundSlots[2][0].playing = 1;
  GameSounds.crash[2][0].Play();
  // A slot not marked playing is left alone, its gain untouched.
  CrashSoundSlots[3][3].body = Body(0, 0, 0, 30, 0, 0);
  GameSounds.crash[3][3].SetGain(0.5f);

  PlaceCameraAndListener(0, 0);

  for (const Slot& s : playing) {
    SCOPED_TRACE(testing::Message() << s.set << " " << s.variant);
    const SoundSource& source = GameSounds.crash[s.set][s.variant];
    ASSERT_TRUE(source.IsPlaying()) << "a three-second tone";
    EXPECT_EQ(CrashSoundSlots[s.set][s.variant].playing, 1);
    EXPECT_NEAR(Gain(source), s.gain, kTol);
    ExpectSourceAt(source, 10.0f * s.set, 1, -2.0f * s.variant, 0.6f * s.speed, 0, 0.8f * s.speed);
  }
  EXPECT_EQ(CrashSoundSlots[1][1].playing, 0) << "its sound had stopped";
  EXPECT_EQ(CrashSoundSlots[2][0].playing, 0) << "no body";
  EXPECT_EQ(CrashSoundSlots[3][3].playing, 0);
  EXPECT_NEAR(Gain(GameSounds.crash[3][3]), 0.5f, kTol);

  // Once a sound stops, its slot goes on the next update.
  GameSounds.crash[0][0].Stop();
  PlaceCameraAndListener(0, 0);
  EXPECT_EQ(CrashSoundSlots[0][0].playing, 0);
  EXPECT_EQ(CrashSoundSlots[3][1].playing, 1);
}

}  // namespace
