#include "race/car_content.h"

#include <cmath>
#include <cstdio>

#include "app/handshake.h"
#include "gfx/texture.h"
#include "race/car_setup.h"
#include "race/scene_content.h"

std::atomic<int> LoadedCarType[kRaceCarCount] = {{-1}, {-1}, {-1}, {-1}};
CarSlotAssets CarSlots[kRaceCarCount];
CarDirtState CarDirt[kRaceCarCount];
int DirtPaintCounter = -1;
int DirtSplashCount = 0;
float CarSwapFade = 0.0f;
uint8_t CarReloadPending = 0;
MilkshapeModel* ObjectPartModels[kObjectTypes][kMaxObjectParts] = {};
const int kObjectPartCounts[kObjectTypes] = {1, 1, 1, 2, 2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 3, 3, 3, 1};

namespace {

// Marker groups of points.sbm.
constexpr int kWheelMarkerGroup = 0;
constexpr int kExhaustMarkerGroup = 1;
constexpr int kAttachmentMarkerGroup = 2;
// The wheel marker sits an eighth of a unit inside the track the wheel sensors use.
constexpr float kWheelMarkerTrackInset = 0.125f;

// The car folders are numbered by model; anything else has no folder.
bool IsCarModel(int model) { return model >= 0 && model < kCarModels; }

void CarFilePath(int model, const char* file, char* out, size_t size) {
  std::snprintf(out, size, "base/cars/%d/%s", model, file);
}

// A triangle's three corners when its index and its vertex indices are in range and
// every coordinate is a number. The reader already refuses bad indices, but a model
// filled any other way must not make us read outside its arrays.
bool MarkerCorners(const Model& m, int triangle, Vector3 corner[3]) {
  if (triangle < 0 || triangle >= m.triangleCount) return false;
  for (int k = 0; k < 3; ++k) {
    const int v = m.triangles[triangle].vertexIndices[k];
    if (v < 0 || v >= m.vertexCount) return false;
    const ModelVertex& p = m.vertices[v];
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return false;
    corner[k].Set(p.x, p.y, p.z);
  }
  return true;
}

// Normalises v; false when it has no direction (a zero-length or overflowing edge),
// where dividing by the length would give non-numbers.
bool NormalizeMarkerAxis(Vector3* v) {
  const float length = v->Length();
  if (!(length > 0.0f) || !std::isfinite(length)) return false;
  v->Normalize();
  return std::isfinite(v->x) && std::isfinite(v->y) && std::isfinite(v->z);
}

// The frame of an attachment marker: X along c1 -> c0, Y along c1 -> c2, Z = X x Y,
// origin c1. False for a degenerate marker (two corners in one place, or all three on
// a line), which has no frame; the caller skips it rather than store non-numbers.
bool MarkerFrame(const Vector3 corner[3], Matrix4* out) {
  Vector3 x = corner[0].Difference(corner[1]);
  Vector3 y = corner[2].Difference(corner[1]);
  if (!NormalizeMarkerAxis(&x) || !NormalizeMarkerAxis(&y)) return false;
  Vector3 z = Cross3(x, y);
  if (!NormalizeMarkerAxis(&z)) return false;
  const Vector3 columns[4] = {x, y, z, corner[1]};
  for (int c = 0; c < 4; ++c) {
    out->m[4 * c + 0] = columns[c].x;
    out->m[4 * c + 1] = columns[c].y;
    out->m[4 * c + 2] = columns[c].z;
    out->m[4 * c + 3] = c == 3 ? 1.0f : 0.0f;
  }
  return true;
}

}  // namespace

void ResetLoadedCarTypes() {
  for (std::atomic<int>& t : LoadedCarType) t.store(-1);
}

void LoadCar(int slot) {
  if (slot >= 0 && slot < kRaceCarCount) LoadedCarType[slot].store(slot == 0 ? LiveCarSetup.modelIndex : RaceCars[slot].modelIndex);
}

void ReadCarPoints(const Model& points, CSampleCar* car) {
  Vector3 corner[3];
  for (int g = 0; g < points.groupCount && g <= kAttachmentMarkerGroup; ++g) {
    const ModelGroup& group = points.groups[g];
    if (!group.triangleIndices) continue;
    for (int i = 0; i < group.triangleCount; ++i) {
      // Frame j belongs to the group's j-th marker even when an earlier one is skipped,
      // so a bad marker never moves another lamp onto its frame.
      if (g == kAttachmentMarkerGroup && i >= kCarAttachmentFrames) break;
      if (!MarkerCorners(points, group.triangleIndices[i], corner)) continue;
      const Vector3& p = corner[1];
      if (g == kWheelMarkerGroup) {
        car->wheelOffset[0] = car->wheelOffset[1] = p.x;
        car->wheelOffset[2] = car->wheelOffset[3] = p.z + kWheelMarkerTrackInset;
      } else if (g == kExhaustMarkerGroup) {
        car->exhaustPoint[0] = p.x;
        car->exhaustPoint[1] = p.y;
        car->exhaustPoint[2] = p.z;
      } else {
        // A degenerate marker keeps whatever frame the car had.
        Matrix4 frame;
        if (MarkerFrame(corner, &frame)) car->attachmentFrames[i] = frame;
      }
    }
  }
}

bool ReadCarPointsFile(int model, CSampleCar* car) {
  if (!IsCarModel(model)) return false;
  char path[64];
  CarFilePath(model, "points.sbm", path, sizeof path);
  MilkshapeModel points;
  if (!points.Load(path)) return false;
  ReadCarPoints(points, car);
  return true;
}

void RequestCarReload() {
  if (LoadedCarType[0].load() == LiveCarSetup.modelIndex) return;
  if (Handshake.LoaderStage.load() != kStageMenuLoaded) return;
  Handshake.LoaderStage.store(kStageNothing);
  CarSwapFade = 1.0f;
  CarReloadPending = 1;
}

// Still to come: the slot, object and texture loaders.
void LoadObjects() {}
void LoadTextures() {}
void FreeTextures() {}
