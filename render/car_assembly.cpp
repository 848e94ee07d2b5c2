#include "render/car_assembly.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>

#include "gfx/gl_ext.h"
#include "gfx/milkshape.h"
#include "race/car.h"
#include "race/car_content.h"
#include "race/scene_content.h"
#include "render/texture_units.h"

namespace {

constexpr float kRadiansToDegrees = 57.2957795f;
// The steering turns the hubs by a factor a hair above the exact one; the wheels were
// lined up on the road with it.
constexpr float kSteerToDegrees = 57.324f;
constexpr float kRearCamber = 0.5f;
// The hubs sit this far inside the front wheel markers.
constexpr float kHubInset = 0.27f;
// The -Z side's wheels are the +Z side's turned over.
constexpr float kMirrorTurn = -180.0f;
constexpr float kMaxEngineSmoke = 2.0f;
constexpr float kSmokeSpeed = 120.0f;
constexpr int kBeaconGroup = 2;
// A parked lorry's beams hang this far below its body: the wheels' rest drop.

// Running-gear parts of each level.
constexpr int kFrontBeamPart = 0;
constexpr int kRearBeamPart = 1;
constexpr int kFrontHubPart = 2;

MilkshapeModel* RunningGear(int lod, int part) { return CarPartModels[lod * kCarPartsPerLevel + part]; }

void DrawPart(MilkshapeModel* m, const CarDrawStyle& s) {
  if (!m) return;
  if (s.positionsOnly)
    m->DrawPositionsOnly();
  else
    m->DrawTwoTextures(s.colourSkin, s.normalSkin);
}

void DrawBody(const CarSlotAssets& slot, const CarRow& row, int lod, const CarDrawStyle& s) {
  if (s.positionsOnly) {
    if (slot.shadow[lod]) slot.shadow[lod]->DrawPositionsOnly();
  } else if (s.lampLitBody) {
    if (slot.body[lod])
      slot.body[lod]->DrawWithGroupSamplers(s.colourSkin, s.normalSkin, row.reverseLamp, row.tailLamp,
                                            row.brakeLamp);
  } else {
    DrawPart(slot.body[lod], s);
  }
}

// The beam's pivot: along the length at x, hanging the mean wheel drop (less the beam's
// own drop) below the body, rolled by the drop difference.
void PlaceAxle(float x, float dropA, float dropB, float halfTrack, float axleDrop) {
  const float mean = (dropA + dropB) * 0.5f;
  glTranslatef(x, -(mean - axleDrop), 0.0f);
  glRotatef(-AxleRollDegrees(halfTrack, dropB - dropA), 1.0f, 0.0f, 0.0f);
}

}  // namespace

float AxleRollDegrees(float halfTrack, float heightDifference) {
  const float across = -2.0f * halfTrack;
  const float length = std::sqrt(across * across + heightDifference * heightDifference);
  if (!(length > 0.0f) || !std::isfinite(length)) return 0.0f;
  // The ratio cannot pass 1 in exact arithmetic; the clamp keeps rounding from asin's
  // edge.
  const float ratio = std::clamp(heightDifference / length, -1.0f, 1.0f);
  return std::asin(ratio) * kRadiansToDegrees;
}

int BeaconCount(const Model* points) {
  if (!points || points->groupCount <= kBeaconGroup || !points->groups) return 0;
  return std::clamp(points->groups[kBeaconGroup].triangleCount, 0, kCarAttachmentFrames);
}

Vector3 SmokeVelocity(const Matrix4& matrix, float engineSmoke) {
  Vector3 axis(matrix.m[0], matrix.m[1], matrix.m[2]);
  const float length = axis.Length();
  if (!(length > 0.0f) || !std::isfinite(length) || !std::isfinite(engineSmoke)) return Vector3();
  const float k = -kSmokeSpeed * std::min(engineSmoke, kMaxEngineSmoke) / length;
  return Vector3(axis.x * k, axis.y * k, axis.z * k);
}

void AssembleCar(int car, int lod, const CarDrawStyle& s) {
  if (car < 0 || car >= kRaceCarCount) return;
  AssembleCar(car, lod, RenderCarRows[car], s);
}

void AssembleCar(int car, int lod, const CarRow& row, const CarDrawStyle& s) {
  if (car < 0 || car >= kRaceCarCount || lod < 0 || lod >= kCarLods) return;
  const CarSlotAssets& slot = CarSlots[car];
  // Load-time values from the car's points model.
  const CSampleCar& points = RaceCars[car];
  const float frontAxle = points.wheelOffset[0];
  const float rearAxle = points.wheelOffset[1];
  const float halfTrack = points.wheelOffset[2];
  const float rearTrack = points.wheelOffset[3];
  MilkshapeModel* const frontWheel = slot.frontWheel[lod];
  MilkshapeModel* const rearWheel = slot.rearWheel[lod];
  MilkshapeModel* const hub = RunningGear(lod, kFrontHubPart);

  glPushMatrix();
  glMultMatrixf(row.matrix.m);
  DrawBody(slot, row, lod, s);

  glPushMatrix();
  PlaceAxle(frontAxle, row.wheelDrop[0], row.wheelDrop[1], halfTrack, s.axleDrop);
  DrawPart(RunningGear(lod, kFrontBeamPart), s);
  glPushMatrix();
  glTranslatef(0.0f, 0.0f, halfTrack - kHubInset);
  glRotatef(row.steerAngle[0] * kSteerToDegrees, 0.0f, 1.0f, 0.0f);
  glRotatef(s.frontCamber, 1.0f, 0.0f, 0.0f);
  DrawPart(hub, s);
  glRotatef(row.wheelAngle[0], 0.0f, 0.0f, 1.0f);
  DrawPart(frontWheel, s);
  glPopMatrix();
  glPushMatrix();
  glTranslatef(0.0f, 0.0f, -halfTrack + kHubInset);
  glRotatef(kMirrorTurn, 1.0f, 0.0f, 0.0f);
  glRotatef(-row.steerAngle[1] * kSteerToDegrees, 0.0f, 1.0f, 0.0f);
  glRotatef(s.frontCamber, 1.0f, 0.0f, 0.0f);
  DrawPart(hub, s);
  glRotatef(-row.wheelAngle[1], 0.0f, 0.0f, 1.0f);
  DrawPart(frontWheel, s);
  glPopMatrix();
  glPopMatrix();

  // The rear beam rolls across the front track: the markers carry one track for both.
  glPushMatrix();
  PlaceAxle(-rearAxle, row.wheelDrop[2], row.wheelDrop[3], halfTrack, s.axleDrop);
  DrawPart(RunningGear(lod, kRearBeamPart), s);
  glPushMatrix();
  glTranslatef(0.0f, 0.0f, rearTrack);
  glRotatef(kRearCamber, 1.0f, 0.0f, 0.0f);
  glRotatef(row.wheelAngle[2], 0.0f, 0.0f, 1.0f);
  DrawPart(rearWheel, s);
  glPopMatrix();
  glPushMatrix();
  glTranslatef(0.0f, 0.0f, -rearTrack);
  glRotatef(kMirrorTurn, 1.0f, 0.0f, 0.0f);
  glRotatef(kRearCamber, 1.0f, 0.0f, 0.0f);
  glRotatef(-row.wheelAngle[3], 0.0f, 0.0f, 1.0f);
  DrawPart(rearWheel, s);
  glPopMatrix();
  glPopMatrix();

  glPopMatrix();
}


bool SelectFixedUnit(int unit) {
  if (!FixedFunctionUnit(unit)) return false;
  SelectUnit(unit);
  return true;
}

void DisableUnits(int first, int last) {
  const int step = first <= last ? 1 : -1;
  for (int u = first;; u += step) {
    if (SelectFixedUnit(u)) {
      glDisable(GL_TEXTURE_2D);
      glDisable(GL_TEXTURE_3D);
      glDisable(GL_TEXTURE_CUBE_MAP_ARB);
    }
    if (u == last) break;
  }
  SelectFixedUnit(0);
  glEnable(GL_TEXTURE_2D);
}

void UseProgramHandle(unsigned int handle) {
  if (GlExt.glUseProgramObjectARB) GlExt.glUseProgramObjectARB(handle);
}
