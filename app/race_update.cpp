#include "app/race_update.h"

#include <algorithm>
#include <cstring>

#include "app/frame.h"
#include "app/game.h"
#include "app/race_cameras.h"
#include "app/race_snapshot.h"
#include "app/test_race.h"
#include "app/settings.h"
#include "app/sound.h"
#include "app/controls.h"
#include "race/car.h"
#include "race/city_objects.h"
#include "race/physics_world.h"
#include "race/race_status.h"
#include "race/city_car.h"
#include "race/world_quadtree.h"
#include "render/camera_state.h"
#include "render/listener.h"

RaceUpdateClocks RaceClocks;

namespace {

constexpr float kPointGainRate = 0.004f;   // per tick: silent for 375 ticks, full 250 later
constexpr float kSpeedFactorRate = 0.005f;
constexpr float kSpeedClockMinSpeed = 10.0f;

float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

}  // namespace

float RampPointGain(float ticks) {
  RaceClocks.pointGainLevel = std::min(RaceClocks.pointGainLevel + ticks * kPointGainRate, 1.0f);
  const float gain = Clamp01(RaceClocks.pointGainLevel);
  GameSounds.point.SetGain(gain);
  return gain;
}

void EaseSpeedFactor(float ticks) {
  const float target = Clamp01(RaceCars[0].speed * 0.075f - 1.0f);
  float& f = CameraState.speedFactor;
  // A fixed rate per tick would step past the target on a long frame and swing the
  // camera in and out about it frame after frame: it stops there.
  if (f > target) f = std::max(f - ticks * kSpeedFactorRate, target);
  else if (f < target) f = std::min(f + ticks * kSpeedFactorRate, target);
  if (f > 1.0f) f = 1.0f;
}

void AdvanceBonusClocks(float ticks) {
  BonusQueueState& q = BonusQueue;
  const float dt = ticks * 0.01f;
  for (float& c : q.cooldown) c += dt;
  if (RaceCars[0].speed > kSpeedClockMinSpeed) q.speedClock += dt;
  for (float& c : q.clocks) c += dt;
  if (q.head >= 0) {
    q.headTime -= dt;
    if (q.headTime < 0.0f) {
      --q.head;
      q.headTime = kBonusShowSeconds;
      // The queue moves down by one; the tenth slot is free afterwards.
      for (int i = 0; i < 9; ++i) {
        q.kind[i] = q.kind[i + 1];
        q.amount[i] = q.amount[i + 1];
      }
      q.kind[9] = 0;
      q.amount[9] = 0.0f;
    }
  }
  WorkingResults.bonusHeadTime = q.headTime;
  WorkingResults.bonusHeadKind = q.kind[0];
}

namespace {

void AssignLevelsOfDetail() {
  const Vector3& eye = CameraState.eye;
  for (int car = 0; car < 4; ++car) {
    // A car without a body stands outside the race: nothing to draw.
    if (!RaceCars[car].body) {
      WorkingResults.levelOfDetail[car] = -1;
      continue;
    }
    const neVector3 b = RaceCars[car].Position();
    const Vector3 p(b.x, b.y, b.z);
    const float d = p.Difference(eye).Length();
    WorkingResults.levelOfDetail[car] = CarLevelOfDetail(d, d < 300.0f && BoxInFrustum(ViewFrustum, p));
  }
}

// No tree (no race world loaded) culls to empty lists.
void CollectLeaves(const Frustum& f, LeafList* list) {
  list->count = 0;
  if (WorldRoot) WorldRoot->CollectVisible(f, list->leaf, &list->count, kMaxVisibleLeaves);
}

void CollectShadowLeaves(const Frustum& f, LeafList* list) {
  list->count = 0;
  if (WorldRoot) WorldRoot->CollectShadowVisible(f, list->leaf, &list->count, kMaxVisibleLeaves);
}

void CullSlices() {
  const int n = SlicesPerFrame(Settings.reflectionQuality);
  for (int i = 0; i < n; ++i) {
    RaceClocks.sliceCursor = (RaceClocks.sliceCursor + 1) % kSliceCount;
    SetupCamera(kCameraSlice, RaceClocks.sliceCursor, 1.0f, ViewDistance);
    CollectLeaves(ViewFrustum, &WorkingResults.sliceLeaves[RaceClocks.sliceCursor]);
  }
}

void Publish() {
  RaceFrameResults& w = WorkingResults;
  w.sunProjection = SunCamera.projection;
  w.sunView = SunCamera.view;
  w.camera = CameraState;
  for (int k = 0; k < 4; ++k)
    if (TrafficCarCount > k) CityCarDrawMatrix(k, &w.cityCarMatrices[k]);
  PublishCarRows();
  PublishCityObjects();
  w.ticks = FrameTiming.FrameTicks;
  w.fps = FrameTiming.Fps;
  ++w.updateNumber;
  PublishedResults = w;
}

}  // namespace

void CullMainCamera(float aspect) {
  SetupCamera(kCameraMain, 0, aspect, ViewDistance);
  LeafList& main = WorkingResults.mainLeaves;
  CollectLeaves(ViewFrustum, &main);
  // This update's own eye: Publish hands this CameraState over with the list, so the
  // frame that draws the list is drawn from this eye. RenderCamera is still the frame
  // before (and the main thread's to write), one update behind the list.
  const Vector3& eye = CameraState.eye;
  for (int i = 0; i < main.count; ++i) {
    const QuadTreeList& leaf = WorldLeaves[main.leaf[i]];
    const float dx = eye.x - leaf.x;
    const float dz = eye.z - leaf.z;
    main.distanceSq[i] = dx * dx + dz * dz;
  }
}

void UpdateRaceFrame() {
  MeasureRaceFrame();
  TakeDriverControls();
  // The test driver steers on the ticks the step will count this frame with.
  ApplyTestRace(RaceStepFor(FrameTiming.PhysicsDt, FrameTiming.FrameTicks, PreviousStepDt).ticks);
  StepSimulation();
  PrintTestPose();
  const float ticks = FrameTiming.FrameTicks;
  WakeDisturbedObjects();
  PlaceCameraAndListener(0, 0);

  RampPointGain(ticks);
  EaseSpeedFactor(ticks);

  const int h = Settings.screenHeight > 0 ? Settings.screenHeight : 1;
  const float aspect = static_cast<float>(Settings.screenWidth) / static_cast<float>(h);
  CullMainCamera(aspect);
  AssignLevelsOfDetail();
  if (ShadowMapSize > 16) {
    SetupCamera(kCameraSun, 0, 1.0f, ViewDistance);
    CollectShadowLeaves(ViewFrustum, &WorkingResults.sunLeaves);
  }
  CullSlices();
  AdvanceBonusClocks(ticks);
  Publish();
  FrameTiming.WorkerTicks = ticks;
}
