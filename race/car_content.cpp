#include "race/car_content.h"

#include <cmath>
#include <cstdio>

#include "app/handshake.h"
#include "gfx/data_files.h"
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
// The wheels hold the lorry's box from beneath it, towards its corners: each wheel
// stands no nearer the middle than half way to the box's edge, and no further out than
// a quarter past it (a wheel may stand out of the body a little, as the shipped ones
// stand at its side). Far beyond the box the sensors feel for a road the body never
// reaches (a marker left at 1e7); on the middle lines (a marker left at the origin) all
// four wheels stand on one spot, and nearer the middle than half way the box's ends
// meet the road before the wheels hold it level. Behind the middle or across it, the
// steering pair would be the rear one or the sides swapped.
const float kHalfBoxX = 0.5f * kCarBoxSize.x;
const float kHalfBoxZ = 0.5f * kCarBoxSize.z;
constexpr float kWheelInnermost = 0.5f;   // of the half box
constexpr float kWheelOutermost = 1.25f;  // of the half box

// The numbered textures the menu content brings, and the ones that do not take the
// plain trilinear mode.
constexpr int kFirstMenuTexture = 9;
struct TextureModeException {
  int entry;
  int mode;
};
constexpr TextureModeException kTextureModeExceptions[] = {
    {14, kTextureAnisotropic},     {21, kTextureAnisotropic},      {45, kTextureAnisotropic},
    {46, kTextureAnisotropic},     {38, kTextureClampedMipmapped}, {44, kTextureLinearMipmapped},
    {54, kTextureCompressedFlat},
};

int TextureTableMode(int entry) {
  for (const TextureModeException& e : kTextureModeExceptions)
    if (e.entry == entry) return e.mode;
  return kTextureMipmapped;
}

// The car folders are numbered by model; anything else has no folder.
bool IsCarModel(int model) { return model >= 0 && model < kCarModels; }

void CarFilePath(int model, const char* file, char* out, size_t size) {
  std::snprintf(out, size, "base/cars/%d/%s", model, file);
}

// A slot's textures are indexed by the race car it belongs to.
static_assert(kCarSlots == kRaceCarCount, "one set of slot textures per race car");

int WantedCarModel(int slot) {
  return slot == 0 ? LiveCarSetup.modelIndex : RaceCars[slot].modelIndex;
}

// Every model pointer of a slot, in the order the files are read: per level of detail
// body, shadow, glass, front wheel, rear wheel; then the points.
constexpr int kSlotModelCount = 5 * kCarLods + 1;
struct SlotModelRef {
  MilkshapeModel** model;
  int lod;            // the file's "lod<L>_" prefix; -1 for the points, which have none
  const char* file;
  bool tangentFrames;  // the shadow is drawn flat and the points are never drawn
};

void SlotModelRefs(CarSlotAssets& slot, SlotModelRef out[kSlotModelCount]) {
  int n = 0;
  for (int lod = 0; lod < kCarLods; ++lod) {
    out[n++] = {&slot.body[lod], lod, "car.sbm", true};
    out[n++] = {&slot.shadow[lod], lod, "car_shadow.sbm", false};
    out[n++] = {&slot.glass[lod], lod, "glass_car.sbm", true};
    out[n++] = {&slot.frontWheel[lod], lod, "wheel_f.sbm", true};
    out[n++] = {&slot.rearWheel[lod], lod, "wheel_r.sbm", true};
  }
  out[n] = {&slot.points, -1, "points.sbm", false};
}

// The models are made all sixteen at once, so the level-0 set and the points tell
// whether a slot holds any.
bool SlotHoldsModels(const CarSlotAssets& slot) {
  return slot.body[0] || slot.shadow[0] || slot.glass[0] || slot.frontWheel[0] ||
         slot.rearWheel[0] || slot.points;
}

void FreeCarSlot(int slot) {
  SlotModelRef refs[kSlotModelCount];
  SlotModelRefs(CarSlots[slot], refs);
  for (SlotModelRef& r : refs) {
    delete *r.model;
    *r.model = nullptr;
  }
  CarColourTextures[slot].Release();
  CarNormalTextures[slot].Release();
  CarDirtMaskTextures[slot].Release();
}

void LoadCarModels(int slot, int model) {
  SlotModelRef refs[kSlotModelCount];
  SlotModelRefs(CarSlots[slot], refs);
  for (const SlotModelRef& r : refs) {
    MilkshapeModel* m = new MilkshapeModel;
    *r.model = m;
    if (!IsCarModel(model)) continue;
    char file[40];
    if (r.lod >= 0)
      std::snprintf(file, sizeof file, "lod%d_%s", r.lod, r.file);
    else
      std::snprintf(file, sizeof file, "%s", r.file);
    char path[64];
    CarFilePath(model, file, path, sizeof path);
    // A missing file leaves the model empty: it draws nothing and the rest still loads.
    m->Load(path);
    // No LoadMaterialTextures: the car's materials all name its own skin, car.tga,
    // which the slot holds as CarColourTextures, and the car passes bind the slot's
    // textures themselves (DrawTwoTextures, DrawWithGroupSamplers), variants that never
    // read a material's texture. Loading them would upload a private copy of the skin
    // for each of the twelve textured models of every slot, at every car swap.
    if (r.tangentFrames) m->ComputeTangentFrames();
  }
  if (!IsCarModel(model)) return;
  char path[64];
  CarFilePath(model, "car.tga", path, sizeof path);
  CarColourTextures[slot].LoadTGA(path, kTextureMipmapped);
  CarFilePath(model, "car_normal.tga", path, sizeof path);
  CarNormalTextures[slot].LoadTGA(path, kTextureMipmapped);
  CarFilePath(model, "car_dirt_mask.tga", path, sizeof path);
  CarDirtMaskTextures[slot].LoadTGA(path, kTextureMipmapped);
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

bool WheelsWithinReach(float halfWheelbase, float halfTrack) {
  return halfWheelbase >= kWheelInnermost * kHalfBoxX && halfWheelbase <= kWheelOutermost * kHalfBoxX &&
         halfTrack >= kWheelInnermost * kHalfBoxZ && halfTrack <= kWheelOutermost * kHalfBoxZ;
}

// Told in the marker's own coordinates, as the modeller placed it.
std::string WheelsOutOfReach(float markerX, float markerZ) {
  char why[256];
  std::snprintf(why, sizeof why,
                "marks its wheels out of the lorry's reach: its wheel marker stands at x %g, z %g, where the "
                "body holds wheels from x %g to %g and z %g to %g",
                markerX, markerZ, kWheelInnermost * kHalfBoxX, kWheelOutermost * kHalfBoxX,
                kWheelInnermost * kHalfBoxZ - kWheelMarkerTrackInset,
                kWheelOutermost * kHalfBoxZ - kWheelMarkerTrackInset);
  return why;
}

}  // namespace

namespace {
std::string g_slotFault[kRaceCarCount];

void ReportUnusablePoints(int model, const std::string& why) {
  char path[64];
  CarFilePath(model, "points.sbm", path, sizeof path);
  ReportUnusableFile(path, why.c_str());
}
}  // namespace

std::string CarSlotFault(int slot) { return slot >= 0 && slot < kRaceCarCount ? g_slotFault[slot] : ""; }

void ResetLoadedCarTypes() {
  for (std::atomic<int>& t : LoadedCarType) t.store(-1);
}

void LoadCar(int slot) {
  if (slot < 0 || slot >= kRaceCarCount) return;
  const int wanted = WantedCarModel(slot);
  if (wanted == LoadedCarType[slot].load()) return;

  if (SlotHoldsModels(CarSlots[slot])) FreeCarSlot(slot);
  const uint32_t faultsBefore = UnusableFileCount();
  LoadCarModels(slot, wanted);
  // A points model that reads but marks no wheel, or none the body can stand on, would
  // send the lorry out on the wheel offsets of whatever lorry the slot held before:
  // named like a file that does not read, unless another file of the lorry already was.
  std::string why;
  const bool wheels = ReadCarPoints(*CarSlots[slot].points, &RaceCars[slot], &why);
  if (!wheels && IsCarModel(wanted) && UnusableFileCount() == faultsBefore) ReportUnusablePoints(wanted, why);
  g_slotFault[slot] = UnusableFileCount() != faultsBefore ? LastUnusableFile() : std::string();

  // The new skins start clean: the painter rebuilds the slot's dirt from the car's own
  // textures on its next step.
  CarDirt[slot].paintFlag = 1;
  CarDirt[slot].amount = 0.0f;
  CarDirt[slot].resetFlag = 1;
  DirtPaintCounter = -1;
  DirtSplashCount = 0;
  // Last, so the main thread never sees the new type before the slot holds it.
  LoadedCarType[slot].store(wanted);
}

bool ReadCarPoints(const Model& points, CSampleCar* car, std::string* why) {
  bool wheels = false;
  Vector3 wheelMarker;
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
        wheelMarker = p;
        wheels = true;
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
  if (!wheels) {
    if (why) *why = "marks no wheels: its first group holds no usable wheel marker triangle";
    return false;
  }
  const float halfWheelbase = wheelMarker.x, halfTrack = wheelMarker.z + kWheelMarkerTrackInset;
  if (!WheelsWithinReach(halfWheelbase, halfTrack)) {
    if (why) *why = WheelsOutOfReach(wheelMarker.x, wheelMarker.z);
    return false;
  }
  car->wheelOffset[0] = car->wheelOffset[1] = halfWheelbase;
  car->wheelOffset[2] = car->wheelOffset[3] = halfTrack;
  return true;
}

bool ReadCarPointsFile(int model, CSampleCar* car) {
  if (!IsCarModel(model)) return false;
  char path[64];
  CarFilePath(model, "points.sbm", path, sizeof path);
  MilkshapeModel points;
  if (!points.Load(path)) return false;
  std::string why;
  if (ReadCarPoints(points, car, &why)) return true;
  ReportUnusablePoints(model, why);
  return false;
}

void RequestCarReload() {
  if (LoadedCarType[0].load() == LiveCarSetup.modelIndex) return;
  if (Handshake.LoaderStage.load() != kStageMenuLoaded) return;
  Handshake.LoaderStage.store(kStageNothing);
  CarSwapFade = 1.0f;
  CarReloadPending = 1;
}

void LoadObjects() {
  for (int type = 0; type < kObjectTypes; ++type)
    for (int part = 0; part < kObjectPartCounts[type]; ++part) {
      char path[64];
      std::snprintf(path, sizeof path, "base/objects/object%dpart%d.sbm", type, part);
      MilkshapeModel* m = new MilkshapeModel;
      m->Load(path);
      m->ComputeTangentFrames();
      delete ObjectPartModels[type][part];
      ObjectPartModels[type][part] = m;
    }
}

std::atomic<bool> TableTexturesLoaded{false};

void LoadTextures() {
  for (int n = kFirstMenuTexture; n < kTextureTableSize; ++n) {
    char path[40];
    std::snprintf(path, sizeof path, "base/textures/tex%02d.tga", n);
    TextureTable[n].LoadTGA(path, TextureTableMode(n));
  }
  TableTexturesLoaded.store(true, std::memory_order_release);
}

void FreeTextures() {
  TableTexturesLoaded.store(false, std::memory_order_release);
  for (Texture& t : TextureTable) t.Release();
  for (Texture& t : SharedSceneTextures) t.Release();
}
