// The 18 lorries of base/cars/0..17 and the running gear of base/cars/parts they all
// share. Three families of six by cab (the short-bonnet 130, the long-bonnet 164 and
// the cab-over 4333); within a family the bed alternates between drop-side
// flatbed, box body and tank, and the later three carry two roof beacons.
#include <cmath>
#include <cstdio>
#include <string>

#include "tools/basegen/basegen.h"
#include "tools/basegen/gen_cars_layout.h"

namespace basegen {

void PaintCarSkins(Output& out, const std::string& folder, const CarSetup& preset, int model);  // gen_cars_skin.cpp

namespace {

// Body groups, in the order the car pass gives them their glow.
enum BodyGroup { kPaint = 0, kAlwaysLit = 1, kReverse = 2, kTail = 3, kBrake = 4 };

struct CarShape {
  int family;      // 0 short bonnet, 1 long bonnet, 2 cab-over
  int bed;         // 0 drop-side flatbed, 1 box body, 2 tank
  int beacons;     // 1 or 2
  float cabRear;   // x of the cab's back wall
  float cabFront;  // x of the cab's front wall (the windscreen)
  float bedFront;  // x where the bed begins
  float exhaustX;
};

CarShape ShapeOf(int model) {
  CarShape s;
  s.family = model / 6;
  s.bed = (model % 6) % 3;
  s.beacons = model % 6 < 3 ? 1 : 2;
  if (s.family == 2) {
    s.cabRear = 1.75f;
    s.cabFront = 3.62f;
    s.bedFront = 1.6f;
  } else {
    s.cabRear = s.family == 0 ? 0.65f : 0.45f;
    s.cabFront = s.family == 0 ? 1.95f : 1.7f;
    s.bedFront = s.cabRear - 0.15f;
  }
  s.exhaustX = s.cabRear - 0.05f;
  return s;
}

struct Lod {
  int segments;
  bool details;  // mirrors, fuel tank, exhaust pipe, grille bars
};
constexpr Lod kLods[3] = {{18, true}, {10, true}, {6, false}};

std::string CarFolder(int model) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "cars/%d/", model);
  return buf;
}

// ---- body ----

// How far a front tyre reaches from its hub along the lorry, swept from lock to lock,
// with the body's clearance around it: the wheel arches are drawn from this.
float FrontArchReach() {
  return std::hypot(kWheelRadius + kArchClearance, 0.5f * kFrontTyreWidth + kArchClearance) + 0.005f;
}

void BuildCab(MeshBuilder& b, const CarShape& s, const Lod& lod) {
  const UvRect cab = kUvCabPaint;
  const float archRear = kHalfWheelbase - FrontArchReach(), archFront = kHalfWheelbase + FrontArchReach();
  if (s.family == 2) {
    // Cab-over: the cab sits above the front wheels; below its floor the arches are
    // closed by a step panel behind the wheels, the engine's cover between them and a
    // lower front panel ahead of them.
    const float len = s.cabFront - s.cabRear;
    b.Box(kPaint, {(s.cabFront + s.cabRear) / 2, 1.02f, 0}, {len, 1.36f, 2.6f}, cab);
    const float frontFace = s.cabFront + 0.06f;
    b.Box(kPaint, {(archFront + frontFace) / 2, 0.02f, 0}, {frontFace - archFront, 0.64f, 2.5f}, cab);
    b.Box(kPaint, {(s.bedFront + archRear) / 2, 0.02f, 0}, {archRear - s.bedFront, 0.64f, 2.5f}, cab);
    b.Box(kPaint, {(archRear + archFront) / 2, 0.02f, 0}, {archFront - archRear, 0.64f, 1.2f}, cab);
    // Roof visor and the grille band under the windscreen.
    b.Box(kPaint, {s.cabFront - 0.12f, 1.66f, 0}, {0.3f, 0.06f, 2.5f}, kUvStripe);
    b.Box(kPaint, {s.cabFront + 0.02f, 0.55f, 0}, {0.04f, 0.3f, 2.0f}, kUvGrille);
    b.Box(kAlwaysLit, {frontFace + 0.02f, 0.2f, 1.0f}, {0.05f, 0.18f, 0.32f}, kUvHeadlamp);
    b.Box(kAlwaysLit, {frontFace + 0.02f, 0.2f, -1.0f}, {0.05f, 0.18f, 0.32f}, kUvHeadlamp);
  } else {
    // Bonneted: cab behind the front wheels, bonnet and wings over them, the steps
    // under the doors ending at the arches.
    const float len = s.cabFront - s.cabRear;
    b.Box(kPaint, {(s.cabFront + s.cabRear) / 2, 0.95f, 0}, {len, 1.4f, 2.3f}, cab);
    b.Box(kPaint, {(s.cabRear + archRear) / 2, 0.0f, 0}, {archRear - s.cabRear, 0.5f, 2.1f}, cab);
    const float hoodRear = s.cabFront, hoodFront = 3.6f;
    b.Box(kPaint, {(hoodRear + hoodFront) / 2, 0.42f, 0}, {hoodFront - hoodRear, 0.66f, 1.6f}, cab);
    b.Box(kPaint, {hoodFront + 0.02f, 0.4f, 0}, {0.04f, 0.55f, 1.2f}, kUvGrille);
    // Wings from the cab to the front over the wheels, each a top and a sloping front.
    const float wingRear = s.cabFront - 0.1f, wingFront = hoodFront;
    const float slopeTop = kHalfWheelbase + 0.35f, slopeFoot = kHalfWheelbase + 0.75f;
    for (float z : {1.08f, -1.08f}) {
      b.Box(kPaint, {(wingRear + wingFront) / 2, 0.35f, z}, {wingFront - wingRear, 0.1f, 0.5f}, cab);
      b.Quad(kPaint, {slopeFoot, 0.05f, z + 0.25f}, {slopeFoot, 0.05f, z - 0.25f}, {slopeTop, 0.4f, z - 0.25f},
             {slopeTop, 0.4f, z + 0.25f}, cab);
      b.Box(kAlwaysLit, {kHalfWheelbase + 0.6f, 0.52f, z}, {0.12f, 0.2f, 0.24f}, kUvHeadlamp);
    }
  }
  // Roof marker lamps, always lit.
  const float roofY = s.family == 2 ? 1.71f : 1.66f;
  for (float z : {0.7f, 0.0f, -0.7f})
    b.Box(kAlwaysLit, {s.cabFront - 0.1f, roofY, z}, {0.08f, 0.06f, 0.14f}, kUvBeacon);
  if (lod.details) {
    // Mirrors on arms beside the doors.
    for (float z : {1.35f, -1.35f}) {
      b.Box(kPaint, {s.cabFront - 0.05f, 1.05f, z * 0.96f}, {0.06f, 0.05f, 0.2f}, kUvChassis);
      b.Box(kPaint, {s.cabFront, 1.15f, z * 1.06f}, {0.05f, 0.35f, 0.15f}, kUvChassis);
    }
  }
  // Bumper, ahead of the front tyres at full lock.
  const float bumperRear = std::fmax(archFront, 3.52f);
  b.Box(kPaint, {(bumperRear + 3.72f) / 2, -0.4f, 0}, {3.72f - bumperRear, 0.26f, 2.7f}, kUvChassis);
}

void BuildBed(MeshBuilder& b, const CarShape& s, const Lod& lod) {
  const float x0 = kBodyRearX + 0.02f, x1 = s.bedFront;
  const float cx = (x0 + x1) / 2, len = x1 - x0;
  // Subframe from the chassis up to the bed floor, clear of the rear wheels' tops.
  b.Box(kPaint, {cx, 0.07f, 0.55f}, {len, 0.5f, 0.16f}, kUvChassis);
  b.Box(kPaint, {cx, 0.07f, -0.55f}, {len, 0.5f, 0.16f}, kUvChassis);
  const UvRect bed = kUvBedPaint;
  if (s.bed == 0) {
    b.Box(kPaint, {cx, 0.4f, 0}, {len, 0.16f, 3.06f}, kUvBedFloor);
    const float sideH = s.family == 2 ? 0.9f : 0.6f;  // the cab-over hauls as a tipper
    const float y = 0.48f + sideH / 2;
    b.Box(kPaint, {cx, y, 1.5f}, {len, sideH, 0.06f}, bed);
    b.Box(kPaint, {cx, y, -1.5f}, {len, sideH, 0.06f}, bed);
    b.Box(kPaint, {x0 + 0.03f, y, 0}, {0.06f, sideH, 2.94f}, bed);
    b.Box(kPaint, {x1 - 0.04f, 0.48f + 0.5f, 0}, {0.08f, 1.0f, 2.94f}, bed);  // headboard
  } else if (s.bed == 1) {
    b.Box(kPaint, {cx, 1.09f, 0}, {len, 1.22f, 3.06f}, bed);
    b.Box(kPaint, {cx, 0.42f, 0}, {len, 0.12f, 3.1f}, kUvChassis);
  } else {
    // Tank on a cradle of saddles.
    b.Box(kPaint, {cx, 0.4f, 0}, {len, 0.14f, 1.8f}, kUvChassis);
    b.Cylinder(kPaint, 0, {cx + 0.05f, 1.08f, 0}, 0.62f, len - 0.3f, lod.segments, bed, kUvStripe);
    for (float f : {0.2f, 0.5f, 0.8f}) b.Box(kPaint, {x0 + f * len, 0.6f, 0}, {0.12f, 0.3f, 1.3f}, kUvChassis);
  }
  // Rear mudguards over the twin wheels, ending at the body's side: the wheels stand
  // out to it, and nothing drawn of the body may stand outside its physics box.
  const float guardIn = kRearWheelZ - 0.29f, guardOut = std::fmin(kRearWheelZ + 0.29f, kBodyHalfWidth);
  for (float side : {1.0f, -1.0f})
    b.Box(kPaint, {-kHalfWheelbase, 0.36f, side * 0.5f * (guardIn + guardOut)}, {1.5f, 0.06f, guardOut - guardIn},
          kUvChassis);
}

void BuildChassis(MeshBuilder& b, const CarShape& s, const Lod& lod) {
  for (float z : {0.55f, -0.55f}) b.Box(kPaint, {-0.1f, -0.3f, z}, {7.2f, 0.24f, 0.18f}, kUvChassis);
  // Rear beam with the lamps: tail outermost, then brake, then reverse.
  b.Box(kPaint, {kBodyRearX + 0.08f, -0.33f, 0}, {0.12f, 0.2f, 2.6f}, kUvChassis);
  const float lampX = kBodyRearX + 0.01f;
  for (float side : {1.0f, -1.0f}) {
    b.Box(kTail, {lampX, -0.33f, side * 1.12f}, {0.04f, 0.14f, 0.2f}, kUvTailLamp);
    b.Box(kBrake, {lampX, -0.33f, side * 0.88f}, {0.04f, 0.14f, 0.2f}, kUvBrakeLamp);
    b.Box(kReverse, {lampX, -0.33f, side * 0.64f}, {0.04f, 0.14f, 0.16f}, kUvReverseLamp);
  }
  if (!lod.details) return;
  b.Cylinder(kPaint, 0, {-0.55f, -0.28f, -1.0f}, 0.26f, 1.5f, lod.segments, kUvChassis, kUvChassis);
  b.Cylinder(kPaint, 1, {s.exhaustX, 1.05f, 1.02f}, 0.07f, 1.5f, lod.segments / 2 + 3, kUvChassis, kUvChassis);
}

void BuildBeacons(MeshBuilder& b, const CarShape& s, const Lod& lod, std::vector<V3>* points) {
  const float roofY = s.family == 2 ? 1.7f : 1.65f;
  const float x = s.cabFront - 0.45f;
  for (int i = 0; i < s.beacons; ++i) {
    const float z = s.beacons == 1 ? 0.0f : (i == 0 ? 0.6f : -0.6f);
    b.Cylinder(kAlwaysLit, 1, {x, roofY + 0.08f, z}, 0.12f, 0.16f, lod.segments / 2 + 3, kUvBeacon, kUvBeacon);
    if (points) points->push_back({x, roofY + 0.12f, z});
  }
}

sbm::Mesh BuildBody(int model, const Lod& lod) {
  const CarShape s = ShapeOf(model);
  sbm::Mesh m;
  // Groups 0-4 must exist in this order even when a level has no lamps of a kind.
  AddGroupWithMaterial(&m, "paint", "car.tga", 0.8f, 0.8f, 0.8f);
  AddGroupWithMaterial(&m, "lit", "car.tga", 1, 1, 1);
  AddGroupWithMaterial(&m, "reverse", "car.tga", 1, 1, 1);
  AddGroupWithMaterial(&m, "tail", "car.tga", 1, 0.2f, 0.2f);
  AddGroupWithMaterial(&m, "brake", "car.tga", 1, 0.1f, 0.1f);
  MeshBuilder b(&m);
  BuildCab(b, s, lod);
  BuildBed(b, s, lod);
  BuildChassis(b, s, lod);
  BuildBeacons(b, s, lod, nullptr);
  return m;
}

sbm::Mesh BuildShadow(int model, int level) {
  // The shadow caster: the body's large volumes only.
  const CarShape s = ShapeOf(model);
  sbm::Mesh m;
  const int g = AddGroupWithMaterial(&m, "shadow", "", 0, 0, 0);
  MeshBuilder b(&m);
  const UvRect any{0, 0, 1, 1};
  const float cabY = s.family == 2 ? 1.02f : 0.95f;
  b.Box(g, {(s.cabFront + s.cabRear) / 2, cabY, 0}, {s.cabFront - s.cabRear, 1.4f, 2.4f}, any);
  if (s.family != 2) b.Box(g, {(s.cabFront + 3.6f) / 2, 0.42f, 0}, {3.6f - s.cabFront, 0.66f, 1.6f}, any);
  const float x0 = kBodyRearX, x1 = s.bedFront;
  const float top = s.bed == 1 ? 1.7f : (s.bed == 2 ? 1.7f : 1.08f);
  b.Box(g, {(x0 + x1) / 2, (0.3f + top) / 2, 0}, {x1 - x0, top - 0.3f, 3.06f}, any);
  if (level < 2) b.Box(g, {-0.1f, -0.3f, 0}, {7.2f, 0.24f, 1.3f}, any);
  return m;
}

sbm::Mesh BuildGlass(int model) {
  const CarShape s = ShapeOf(model);
  sbm::Mesh m;
  const int g = AddGroupWithMaterial(&m, "glass", "car.tga", 0.3f, 0.35f, 0.4f);
  MeshBuilder b(&m);
  const float x = s.cabFront + 0.012f;
  const float y0 = s.family == 2 ? 0.95f : 0.95f, y1 = s.family == 2 ? 1.55f : 1.52f;
  const float hz = s.family == 2 ? 1.15f : 1.02f;
  b.Quad(g, {x, y0, -hz}, {x, y0, hz}, {x - 0.06f, y1, hz}, {x - 0.06f, y1, -hz}, kUvGlass);
  const float sideZ = (s.family == 2 ? 1.3f : 1.15f) + 0.012f;
  const float wx0 = s.cabFront - (s.family == 2 ? 0.9f : 0.85f), wx1 = s.cabFront - 0.15f;
  b.Quad(g, {wx0, y0, sideZ}, {wx1, y0, sideZ}, {wx1, y1, sideZ}, {wx0, y1, sideZ}, kUvGlass);
  b.Quad(g, {wx1, y0, -sideZ}, {wx0, y0, -sideZ}, {wx0, y1, -sideZ}, {wx1, y1, -sideZ}, kUvGlass);
  const float rx = s.cabRear - 0.012f;
  b.Quad(g, {rx, 1.1f, 0.5f}, {rx, 1.1f, -0.5f}, {rx, 1.45f, -0.5f}, {rx, 1.45f, 0.5f}, kUvGlass);
  return m;
}

// A wheel at its hub, axis along z, its outer face towards +z (the far side's wheels
// are turned half round by the car pass).
sbm::Mesh BuildWheel(bool rear, const Lod& lod) {
  sbm::Mesh m;
  const int g = AddGroupWithMaterial(&m, "wheel", "car.tga", 0.8f, 0.8f, 0.8f);
  MeshBuilder b(&m);
  const int seg = lod.segments + 4;
  if (rear) {
    b.Cylinder(g, 2, {0, 0, 0.13f}, kWheelRadius, 0.23f, seg, kUvTread, kUvSidewall);
    b.Cylinder(g, 2, {0, 0, -0.13f}, kWheelRadius, 0.23f, seg, kUvTread, kUvSidewall);
    b.Cylinder(g, 2, {0, 0, 0.0f}, 0.4f, 0.5f, seg, kUvSteel, kUvRim);
  } else {
    b.Cylinder(g, 2, {0, 0, 0}, kWheelRadius, 0.4f, seg, kUvTread, kUvSidewall);
    b.Cylinder(g, 2, {0, 0, 0.01f}, 0.38f, 0.4f, seg, kUvSteel, kUvRim);
  }
  if (lod.details) b.Cylinder(g, 2, {0, 0, rear ? 0.25f : 0.22f}, 0.14f, 0.06f, seg / 2, kUvSteel, kUvRim);
  return m;
}

sbm::Mesh BuildPoints(int model) {
  const CarShape s = ShapeOf(model);
  sbm::Mesh m;
  m.AddGroup("wheels", -1);
  m.AddGroup("exhaust", -1);
  m.AddGroup("beacons", -1);
  MeshBuilder b(&m);
  // Group 0: the second corner holds half the wheelbase and the marker half track.
  const V3 w{kHalfWheelbase, kWheelCentreY, kHalfTrackMarker};
  b.Marker(0, w + V3{0.2f, 0, 0}, w, w + V3{0, 0.2f, 0});
  const V3 e{s.exhaustX, 1.8f, 1.02f};
  b.Marker(1, e + V3{0.2f, 0, 0}, e, e + V3{0, 0.2f, 0});
  // Group 2: each beacon's frame, x forward and y up through the lamp.
  std::vector<V3> beacons;
  sbm::Mesh scratch;
  scratch.AddGroup("x", -1);
  for (int i = 0; i < 5; ++i) scratch.AddGroup("x", -1);
  MeshBuilder sb(&scratch);
  BuildBeacons(sb, s, kLods[0], &beacons);
  for (const V3& p : beacons) b.Marker(2, p + V3{0.2f, 0, 0}, p, p + V3{0, 0.2f, 0});
  return m;
}

// ---- shared running gear ----

sbm::Mesh BuildRunningGear(int part, const Lod& lod) {
  sbm::Mesh m;
  const int g = AddGroupWithMaterial(&m, "gear", "", 0.3f, 0.3f, 0.32f);
  MeshBuilder b(&m);
  const UvRect uv = kUvRunningGear;
  const int seg = lod.segments / 2 + 4;
  switch (part) {
    case 0:  // front axle beam between the hubs, with its spring pads
      b.Box(g, {0, 0, 0}, {0.14f, 0.16f, 2.0f * (kFrontWheelZ - 0.2f)}, uv);
      for (float z : {0.55f, -0.55f}) b.Box(g, {0, 0.12f, z}, {0.9f, 0.08f, 0.14f}, uv);
      break;
    case 1:  // rear axle tube with the differential in the middle
      b.Cylinder(g, 2, {0, 0, 0}, 0.1f, 2.0f * (kRearWheelZ - 0.25f), seg, uv, uv);
      b.Cylinder(g, 0, {0.05f, 0, 0}, 0.26f, 0.45f, seg, uv, uv);
      for (float z : {0.55f, -0.55f}) b.Box(g, {0, 0.14f, z}, {1.1f, 0.1f, 0.14f}, uv);
      break;
    case 2:  // front hub and stub axle, reaching in from the wheel
      b.Cylinder(g, 2, {0, 0, -0.25f}, 0.17f, 0.14f, seg, uv, uv);
      b.Cylinder(g, 1, {0, 0, -0.33f}, 0.06f, 0.36f, seg, uv, uv);
      break;
    case 3:  // a leaf-spring pack
      for (int i = 0; i < 4; ++i) b.Box(g, {0, -0.03f * i, 0}, {1.1f - 0.2f * i, 0.025f, 0.12f}, uv);
      break;
    default:  // the propeller shaft
      b.Cylinder(g, 0, {0, 0, 0}, 0.06f, 2.6f, seg, uv, uv);
      break;
  }
  return m;
}

}  // namespace

void GenerateCars(Output& out) {
  CarSetup presets[kCarModels];
  BuildCarPresets(presets);
  for (int model = 0; model < kCarModels; ++model) {
    const std::string dir = CarFolder(model);
    for (int level = 0; level < 3; ++level) {
      const std::string lod = "lod" + std::to_string(level) + "_";
      WriteMesh(out, dir + lod + "car.sbm", BuildBody(model, kLods[level]));
      WriteMesh(out, dir + lod + "car_shadow.sbm", BuildShadow(model, level));
      WriteMesh(out, dir + lod + "glass_car.sbm", BuildGlass(model));
      WriteMesh(out, dir + lod + "wheel_f.sbm", BuildWheel(false, kLods[level]));
      WriteMesh(out, dir + lod + "wheel_r.sbm", BuildWheel(true, kLods[level]));
    }
    WriteMesh(out, dir + "points.sbm", BuildPoints(model));
    PaintCarSkins(out, dir, presets[model], model);
  }
  for (int level = 0; level < 3; ++level)
    for (int part = 0; part < 5; ++part)
      WriteMesh(out, "cars/parts/lod" + std::to_string(level) + "_part" + std::to_string(part) + ".sbm",
                BuildRunningGear(part, kLods[level]));
}

}  // namespace basegen
