// The poses come from the loaded world itself: the grass and the tree nearest the
// player's lorry, seen from a few units off; the sun from high above the lorry. A pose
// replaces the update's camera for one frame and culls its own leaves, as the update
// would have culled them for that camera.
//
// "Changes the picture" compares three frames drawn with the render clock stopped (no
// wind, no smoke, no glare easing): with the pass, without it, with it again. What the
// pass adds must clearly beat what still moves between the first and the third (the
// other lorries drive on).
#include "tools/race_frame/foliage_checks.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/frame.h"
#include "app/race_snapshot.h"
#include "app/race_update.h"
#include "app/settings.h"
#include "gfx/lights.h"
#include "gfx/renderer.h"
#include "race/car.h"
#include "race/world_quadtree.h"
#include "render/camera_state.h"
#include "render/pass_control.h"
#include "render/sun_glare.h"
#include "tools/race_frame/picture_checks.h"
#include "tools/race_frame/race_run.h"
#include "tools/race_sim/race_session.h"

namespace {

struct Pose {
  Vector3 eye, target;
};

// Grass is looked at from 6 units, a tree from 25, both along the line from the lorry.
constexpr float kGrassBack = 6.0f, kGrassEyeUp = 2.5f;
constexpr float kTreeBack = 25.0f, kTreeEyeUp = 4.0f;
// High enough above the lorry that no hill within the sight hides a sun 7 degrees up.
constexpr float kSunEyeUp = 60.0f;
constexpr float kSunHeight = 4500.0f;
constexpr int kSettleFrames = 3;
// An opponent driving past the pose would change the picture between the frames that
// are compared: the check waits (at most this many frames) until none is this near.
constexpr float kTrafficClear = 40.0f;
constexpr int kMaxTrafficFrames = 600;
constexpr int kThreshold = 8;
constexpr double kMinChange = 0.005;
constexpr double kNoiseFactor = 3.0;
constexpr float kRiseTicks = 50.0f, kFallTicks = 100.0f;
constexpr int kMaxGlareFrames = 200;

bool g_failed = false;

void Line(const char* name, bool ok, const std::string& detail) {
  std::printf("CHECK %s %s %s\n", name, ok ? "ok" : "FAIL", detail.c_str());
  std::fflush(stdout);
  g_failed |= !ok;
}

// Draws the next frame from the pose; with `still` the render clock does not move.
void DrawFrom(const Pose& p, bool still) {
  WaitForRaceUpdate();
  const CameraStateRecord saved = CameraState;
  CameraState.eye = p.eye;
  CameraState.target = p.target;
  CameraState.up = Vector3(0.0f, 1.0f, 0.0f);
  // The braking lorry's speed would still be narrowing the view from frame to frame.
  CameraState.speedFactor = 0.0f;
  Vector3 view = p.target.Difference(p.eye);
  view.Normalize();
  CameraState.viewDirection = view;
  CullMainCamera(static_cast<float>(Settings.screenWidth) / static_cast<float>(Settings.screenHeight));
  PublishedResults.mainLeaves = WorkingResults.mainLeaves;
  PublishedResults.camera = CameraState;
  if (still) PublishedResults.ticks = 0.0f;
  CameraState = saved;
  DrawRaceFrame();
  ShowRaceFrame();
}

Picture Scene() { return ReadScreenTexture(Renderer.targets.SceneTextures[0]); }

// The vegetation instance of kinds [first, last] nearest to `from`, in any leaf.
bool NearestPlant(const Vector3& from, int first, int last, Vector3* at) {
  float best = -1.0f;
  for (int i = 0; i < WorldLeafCount; ++i)
    for (int k = first; k <= last; ++k)
      for (const GrassInstance& g : WorldLeaves[i].vegetation.instances[k]) {
        const float dx = g.x - from.x, dz = g.z - from.z, d = dx * dx + dz * dz;
        if (best < 0.0f || d < best) {
          best = d;
          at->Set(g.x, g.y, g.z);
        }
      }
  return best >= 0.0f;
}

// Looking at the plant from `back` units on the lorry's side of it, `up` units higher.
Pose PoseAt(const Vector3& lorry, const Vector3& plant, float back, float up, float aimUp) {
  float dx = plant.x - lorry.x, dz = plant.z - lorry.z;
  const float flat = std::sqrt(dx * dx + dz * dz);
  if (flat > 0.0f) {
    dx /= flat;
    dz /= flat;
  } else {
    dx = 1.0f;
    dz = 0.0f;
  }
  return {Vector3(plant.x - back * dx, plant.y + up, plant.z - back * dz),
          Vector3(plant.x, plant.y + aimUp, plant.z)};
}

void Skip(const char* pass, bool on) {
  for (auto& s : PassControl.skip) {
    if (on && !s[0]) {
      std::snprintf(s, sizeof s, "%s", pass);
      return;
    }
    if (!on && std::strcmp(s, pass) == 0) s[0] = '\0';
  }
}

void Save(const std::string& folder, const std::string& name, const Picture& p) {
  if (!WritePng(folder + "/" + name + ".png", p)) Line(("shot_" + name).c_str(), false, "cannot write it");
}

bool OpponentNear(const Vector3& at) {
  for (int i = 1; i < kRaceCarCount; ++i) {
    const float* m = RenderCarRows[i].matrix.m;
    const float dx = m[12] - at.x, dy = m[13] - at.y, dz = m[14] - at.z;
    if (dx * dx + dy * dy + dz * dz < kTrafficClear * kTrafficClear) return true;
  }
  return false;
}

// The lorries and their smoke move between the compared frames wherever they stand in
// the view (one stuck on the verge keeps rocking and smoking): they are left out of
// the comparison, so that only the pass under test can change the picture.
constexpr const char* kMovingPasses[] = {"cars", "smoke", "trails"};

void CheckPassChanges(const char* pass, const Pose& pose, const std::string& folder) {
  for (int f = 0; f < kMaxTrafficFrames && OpponentNear(pose.eye); ++f) DrawFrom(pose, false);
  for (const char* moving : kMovingPasses) Skip(moving, true);
  for (int f = 0; f < kSettleFrames; ++f) DrawFrom(pose, false);
  Save(folder, std::string("foliage_") + pass, Scene());
  DrawFrom(pose, true);
  const Picture with = Scene();
  Skip(pass, true);
  DrawFrom(pose, true);
  Skip(pass, false);
  const Picture without = Scene();
  Save(folder, std::string("foliage_") + pass + "_skipped", without);
  DrawFrom(pose, true);
  const Picture again = Scene();
  const PictureRect all{0, 0, with.width, with.height};
  const double effect = std::fmin(DifferingShare(with, without, all, kThreshold),
                                  DifferingShare(without, again, all, kThreshold));
  const double noise = DifferingShare(with, again, all, kThreshold);
  for (const char* moving : kMovingPasses) Skip(moving, false);
  const std::string name = std::string(pass) + "_changes_picture";
  Line(name.c_str(), effect >= kMinChange && effect > kNoiseFactor * noise,
       FormatFigures("%.2f%% of the frame differs with --skip %s, %.2f%% between the frames around it", 100.0 * effect,
                     pass, 100.0 * noise));
}

// Frames from the pose until the glare stands at `level`; the render ticks they took, or
// -1 when it never got there.
float TicksUntilGlare(const Pose& pose, float level) {
  float ticks = 0.0f;
  for (int f = 0; f < kMaxGlareFrames; ++f) {
    DrawFrom(pose, false);
    ticks += FrameTiming.RenderTicks;
    if (SunGlare == level) return ticks;
  }
  return -1.0f;
}

void CheckGlare(const Vector3& lorry, const std::string& folder) {
  const Vector3 eye(lorry.x, lorry.y + kSunEyeUp, lorry.z);
  DrawFrom({eye, Vector3(eye.x + 1.0f, eye.y, eye.z)}, false);  // places the sun
  const Vector3 toSun(SunPosition.x - eye.x, kSunHeight - eye.y, SunPosition.z - eye.z);
  const Pose facing{eye, Vector3(eye.x + toSun.x, eye.y + toSun.y, eye.z + toSun.z)};
  const Pose away{eye, Vector3(eye.x - toSun.x, eye.y, eye.z - toSun.z)};
  TicksUntilGlare(away, 0.0f);
  const float rise = TicksUntilGlare(facing, 1.0f);
  Line("glare_rises", rise >= 0.0f && rise <= kRiseTicks + 1e-3f,
       rise < 0.0f ? FormatFigures("facing the sun the glare stayed at %.3f", SunGlare)
                   : FormatFigures("facing the sun (%+.0f, %+.0f) the glare reached 1 in %.1f ticks", toSun.x, toSun.z,
                                   rise));
  CheckPassChanges("glare", facing, folder);
  const float fall = TicksUntilGlare(away, 0.0f);
  Line("glare_fades", fall >= 0.0f && fall <= kFallTicks + 1e-3f,
       fall < 0.0f ? FormatFigures("looking away the glare stayed at %.3f", SunGlare)
                   : FormatFigures("looking away from the sun the glare was 0 after %.1f ticks", fall));
}

}  // namespace

bool RunFoliageChecks(const std::string& folder) {
  g_failed = false;
  DriverControlState controls{};
  controls.clutch = 1.0f;
  controls.brake = 1.0f;
  PublishControls(controls);
  const float* m = RenderCarRows[0].matrix.m;
  const Vector3 lorry(m[12], m[13], m[14]);
  Vector3 plant;
  if (NearestPlant(lorry, 0, 7, &plant))
    CheckPassChanges("grass", PoseAt(lorry, plant, kGrassBack, kGrassEyeUp, 0.3f), folder);
  else
    Line("grass_changes_picture", false, "the world holds no grass");
  if (NearestPlant(lorry, 8, 15, &plant))
    CheckPassChanges("trees", PoseAt(lorry, plant, kTreeBack, kTreeEyeUp, kTreeEyeUp), folder);
  else
    Line("trees_changes_picture", false, "the world holds no trees");
  CheckGlare(lorry, folder);
  return !g_failed;
}
