#include "tools/race_frame/race_poses.h"

#include <algorithm>
#include <cmath>

#include "app/race_cameras.h"
#include "app/race_snapshot.h"
#include "app/race_update.h"
#include "app/settings.h"
#include "gfx/milkshape.h"
#include "gfx/renderer.h"
#include "race/car.h"
#include "race/world_layers.h"
#include "render/camera_state.h"
#include "tools/race_frame/race_run.h"

namespace {

// The pose over the lake nearest the player's lorry: back from its centre by its half
// width and this much more, and this high, over the rim the lakes lie below.
constexpr float kPoseBack = 25.0f;
constexpr float kPoseHeight = 45.0f;
// The grid's view toward a lake: back from the lorries' middle and up, aimed at a
// point ahead of them on the ground, so that both the lorries and the far lake fit
// in the picture at the game's field of view.
constexpr float kGridBack = 60.0f;
constexpr float kGridHeight = 30.0f;
constexpr float kGridAhead = 60.0f;
// The generator writes each lake as 4 x 4 cells of two triangles, lake after lake.
constexpr int kLakeTriangles = 32;

}  // namespace

bool LakePose(Vector3* eye, Vector3* target) {
  const Model* w = WorldLayers.water;
  if (!w || !w->vertices || !w->triangles || w->triangleCount < kLakeTriangles) return false;
  const float* car = RenderCarRows[0].matrix.m;
  float best = -1.0f;
  for (int first = 0; first + kLakeTriangles <= w->triangleCount; first += kLakeTriangles) {
    float cx = 0.0f, cz = 0.0f, half = 0.0f;
    for (int t = first; t < first + kLakeTriangles; ++t)
      for (int c = 0; c < 3; ++c) {
        const ModelVertex& v = w->vertices[w->triangles[t].vertexIndices[c]];
        cx += v.x / (3.0f * kLakeTriangles);
        cz += v.z / (3.0f * kLakeTriangles);
      }
    for (int t = first; t < first + kLakeTriangles; ++t)
      for (int c = 0; c < 3; ++c) half = std::max(half, std::fabs(w->vertices[w->triangles[t].vertexIndices[c]].x - cx));
    const float d = std::hypot(car[12] - cx, car[14] - cz);
    if (best >= 0.0f && d >= best) continue;
    best = d;
    const float back = half + kPoseBack;
    const float dx = d > 0.0f ? (car[12] - cx) / d : 1.0f, dz = d > 0.0f ? (car[14] - cz) / d : 0.0f;
    *target = Vector3(cx, 0.0f, cz);
    *eye = Vector3(cx + dx * back, kPoseHeight, cz + dz * back);
  }
  return best >= 0.0f;
}

bool GridTowardLakePose(Vector3* eye, Vector3* target) {
  Vector3 lakeEye, lake;
  if (!LakePose(&lakeEye, &lake)) return false;
  float x = 0.0f, y = 0.0f, z = 0.0f;
  for (const CarRow& row : RenderCarRows) {
    x += row.matrix.m[12] / kRaceCarCount;
    y += row.matrix.m[13] / kRaceCarCount;
    z += row.matrix.m[14] / kRaceCarCount;
  }
  const float d = std::hypot(lake.x - x, lake.z - z);
  // A lake under the grid itself would leave no direction: any will do.
  const float dx = d > 0.0f ? (lake.x - x) / d : 1.0f, dz = d > 0.0f ? (lake.z - z) / d : 0.0f;
  *eye = Vector3(x - dx * kGridBack, y + kGridHeight, z - dz * kGridBack);
  *target = Vector3(x + dx * kGridAhead, y, z + dz * kGridAhead);
  return true;
}

void DrawPoseFrame(const Vector3& eye, const Vector3& target) {
  WaitForRaceUpdate();
  CameraState.eye = eye;
  CameraState.target = target;
  CameraState.up = Vector3(0.0f, 1.0f, 0.0f);
  CameraState.speedFactor = 0.0f;
  CullMainCamera(static_cast<float>(Settings.screenWidth) / static_cast<float>(std::max(Settings.screenHeight, 1)));
  PublishedResults.mainLeaves = WorkingResults.mainLeaves;
  PublishedResults.camera = CameraState;
  DrawRaceFrame();
}

Picture DrawPose(const Vector3& eye, const Vector3& target) {
  DrawPoseFrame(eye, target);
  const Picture scene = ReadScreenTexture(Renderer.targets.SceneTextures[0]);
  ShowRaceFrame();
  return scene;
}
