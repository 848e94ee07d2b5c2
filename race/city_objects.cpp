#include "race/city_objects.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/frame.h"
#include "gfx/model.h"
#include "race/car.h"
#include "race/physics_world.h"

int32_t CityObjectCount = 0;
CityObjectFrame PublishedCityObjects;
CityObjectFrame RenderCityObjects;

namespace {

constexpr neVector3 V(float x, float y, float z) { return neVector3{x, y, z, 0.0f}; }

constexpr CityObjectPart Part(neVector3 box, neVector3 inertia, neVector3 offset, float mass) {
  return CityObjectPart{box, inertia, offset, V(0.0f, 0.0f, 0.0f), mass, 1};
}
constexpr CityObjectPart Part(neVector3 box, neVector3 offset, float mass) {
  return Part(box, box, offset, mass);
}

constexpr CityObjectType Type(CityObjectPart a) {
  CityObjectType t{};
  t.partCount = 1;
  t.parts[0] = a;
  return t;
}
constexpr CityObjectType Type(CityObjectPart a, CityObjectPart b) {
  CityObjectType t = Type(a);
  t.partCount = 2;
  t.parts[1] = b;
  return t;
}
constexpr CityObjectType Type(CityObjectPart a, CityObjectPart b, CityObjectPart c) {
  CityObjectType t = Type(a, b);
  t.partCount = 3;
  t.parts[2] = c;
  return t;
}

// Posts and bollards: the inertia box is a hair shorter than the collision box, as
// the objects were tuned with.
constexpr neVector3 kPostBox = V(0.96f, 1.64f, 0.96f);
constexpr CityObjectPart kPost = Part(kPostBox, V(0.96f, 1.63f, 0.96f), V(0.0f, 0.82f, 0.0f), 20.0f);
// Crates and the stacks built on one.
constexpr neVector3 kCrateBox = V(2.64f, 1.0f, 2.64f);
constexpr CityObjectPart kCrate = Part(kCrateBox, V(0.0f, 0.5f, 0.0f), 40.0f);
constexpr CityObjectPart kLongBarrier = Part(V(5.0f, 1.36f, 0.7f), V(0.0f, 0.68f, 0.0f), 10.0f);
constexpr CityObjectPart kShortBarrier = Part(V(4.6f, 1.4f, 0.8f), V(0.0f, 0.7f, 0.0f), 10.0f);
constexpr CityObjectType kPostRow =
    Type(kPost, Part(kPostBox, V(1.1f, 0.82f, 0.0f), 20.0f), Part(kPostBox, V(-1.1f, 0.82f, 0.0f), 20.0f));

constexpr CityObjectType kTypeTable[kObjectTypes] = {
    Type(kPost),
    Type(kPost),
    Type(kPost),
    Type(kCrate, Part(kCrateBox, V(0.0f, 1.5f, 0.25f), 40.0f)),
    Type(kCrate, Part(V(2.3f, 2.3f, 1.0f), V(0.0f, 2.15f, 0.0f), 40.0f)),
    Type(kCrate, Part(V(2.64f, 2.64f, 1.0f), V(0.0f, 1.32f, 1.82f), 40.0f)),
    Type(kCrate, Part(kCrateBox, V(0.0f, 1.5f, 0.55f), 40.0f)),
    Type(kLongBarrier),
    Type(kLongBarrier),
    Type(kLongBarrier),
    Type(kShortBarrier),
    Type(kShortBarrier),
    Type(kShortBarrier),
    Type(kShortBarrier),
    kPostRow,
    kPostRow,
    kPostRow,
    Type(Part(V(1.15f, 6.0f, 1.15f), V(0.0f, 3.0f, 0.0f), 30.0f)),
};

bool Finite(const ModelVertex& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

float Norm(const neVector3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

neMatrix3x3 Identity() {
  neMatrix3x3 m;
  m.SetIdentity();
  m.col[0].w = m.col[1].w = m.col[2].w = 0.0f;
  return m;
}

// The marker's frame: x toward the first corner, y toward the third, z = x cross y,
// then y again from z and x so the rotation is orthonormal even for a marker whose
// edges are not square (the engine would shear the boxes with it). False for a marker
// with no usable direction.
bool MarkerRotation(const neVector3& a, const neVector3& b, const neVector3& c, neMatrix3x3* out) {
  neVector3 x = a - b;
  neVector3 y = c - b;
  const float lx = Norm(x), ly = Norm(y);
  if (!(lx >= kMarkerMinEdge) || !(ly >= kMarkerMinEdge)) return false;
  x = x * (1.0f / lx);
  y = y * (1.0f / ly);
  neVector3 z = x.Cross(y);
  const float lz = Norm(z);
  // Corners in a line span no plane: no third axis.
  if (!(lz >= kMarkerMinEdge)) return false;
  z = z * (1.0f / lz);
  y = z.Cross(x);
  out->SetColumns(x, y, z);
  out->col[0].w = out->col[1].w = out->col[2].w = 0.0f;
  return true;
}

void SetMatrix(const neMatrix3x3& r, const neVector3& p, Matrix4* out) {
  for (int c = 0; c < 3; ++c) {
    out->m[4 * c + 0] = r.col[c].x;
    out->m[4 * c + 1] = r.col[c].y;
    out->m[4 * c + 2] = r.col[c].z;
    out->m[4 * c + 3] = 0.0f;
  }
  out->m[12] = p.x;
  out->m[13] = p.y;
  out->m[14] = p.z;
  out->m[15] = 1.0f;
}

// A record as the builder leaves it: no bodies, asleep, nothing heard yet.
void ResetRecord(CityObject* o) {
  for (int j = 0; j < kMaxObjectParts; ++j) {
    o->bodies[j] = nullptr;
    o->moved[j] = 0;
    o->restOffsets[j] = V(0.0f, 0.0f, 0.0f);
    o->restMatrices[j].SetIdentity();
  }
  o->active = o->parked = o->hit = 0;
  o->playerDistance = 0.0f;
  o->crashSoundTimer = kObjectCrashTimerStart;
  o->bodyCount = 0;
  o->partCount = 0;
  o->userValue = 0;
  o->position = V(0.0f, 0.0f, 0.0f);
  o->rotation = Identity();
}

// Rest places of the bodies: each completed body takes the offset of the part that
// completed it, turned into the world by the marker's rotation.
void PlaceRestPoses(CityObject* o) {
  const CityObjectType* t = CityObjectTypeOf(o->type);
  int n = 0;
  for (int i = 0; t && i < o->partCount; ++i) {
    const CityObjectPart& p = t->parts[i];
    if (!p.closesBody) continue;
    o->restOffsets[n] = o->rotation.MultiplyVector(p.bodyOffset);
    SetMatrix(o->rotation, o->RestPosition(n), &o->restMatrices[n]);
    ++n;
  }
}

void PlaceMarker(CityObject* o, int group, const ModelVertex* corners[3]) {
  ResetRecord(o);
  o->type = group;
  const CityObjectType* t = CityObjectTypeOf(group);
  if (!Finite(*corners[0]) || !Finite(*corners[1]) || !Finite(*corners[2])) return;
  const neVector3 a = V(corners[0]->x, corners[0]->y, corners[0]->z);
  const neVector3 b = V(corners[1]->x, corners[1]->y, corners[1]->z);
  const neVector3 c = V(corners[2]->x, corners[2]->y, corners[2]->z);
  o->position = b;
  neMatrix3x3 r;
  if (!MarkerRotation(a, b, c, &r)) return;
  o->rotation = r;
  o->partCount = t ? t->partCount : 0;
  PlaceRestPoses(o);
}

void AddBox(neRigidBody* body, const CityObjectPart& p) {
  neGeometry* box = body->AddGeometry();
  if (!box) return;
  box->SetBoxSize(p.boxSize);
  neTransform t;
  t.SetIdentity();
  t.pos = p.geometryOffset;
  t.pos.w = 1.0f;
  box->SetTransform(t);
  box->SetMaterialIndex(kMaterialObject);
}

float HorizontalDistanceSq(const neVector3& a, const neVector3& b) {
  const float dx = a.x - b.x, dz = a.z - b.z;
  return dx * dx + dz * dz;
}

// The body back where the object was placed, still.
void PutAtRest(const CityObject& o, int j, neRigidBody* b) {
  b->SetVelocity(V(0.0f, 0.0f, 0.0f));
  b->SetAngularMomentum(V(0.0f, 0.0f, 0.0f));
  b->SetPosition(o.RestPosition(j));
  b->SetRotation(o.rotation);
}

// Gravity for the whole object once any part has been pushed off its place: until
// then a live object hangs exactly where it was put, whatever the ground under it.
void NoticeDisturbance(CityObject* o) {
  bool pushed = false;
  for (int j = 0; j < o->bodyCount && !pushed; ++j) {
    const neRigidBody* b = o->bodies[j];
    if (!b || o->moved[j]) continue;
    const neVector3 d = b->GetPosition() - o->RestPosition(j);
    pushed = d.Dot(d) > kObjectNudgeDistance * kObjectNudgeDistance;
  }
  if (!pushed) return;
  for (int j = 0; j < o->bodyCount; ++j) {
    o->moved[j] = 1;
    if (o->bodies[j]) o->bodies[j]->SetGravityEnabled(1);
  }
}

// Parked once the player has left the object and every knocked part: what lies
// where the player can still see it stays where it fell.
void ParkIfLeft(CityObject* o, const neVector3& player) {
  for (int j = 0; j < o->bodyCount; ++j) {
    const neRigidBody* b = o->bodies[j];
    if (b && o->moved[j] && !(HorizontalDistanceSq(b->GetPosition(), player) > kMovedPartHoldDistanceSq))
      return;
  }
  o->parked = 1;
  for (int j = 0; j < o->bodyCount; ++j) {
    o->moved[j] = 0;
    if (o->bodies[j]) o->bodies[j]->SetGravityEnabled(0);
  }
}

void PutToSleep(CityObject* o, neRigidBody* hint) {
  for (int j = 0; j < o->bodyCount; ++j) {
    neRigidBody* b = o->bodies[j];
    if (!b) continue;
    PutAtRest(*o, j, b);
    // The engine activates an inactive body whatever the flag it is given.
    if (b->Active()) b->SetActive(false, hint);
  }
  o->active = 0;
}

void WakeUp(CityObject* o, neRigidBody* hint) {
  for (int j = 0; j < o->bodyCount; ++j) {
    o->moved[j] = 0;
    neRigidBody* b = o->bodies[j];
    if (!b) continue;
    if (!b->Active()) b->SetActive(true, hint);
    b->SetGravityEnabled(0);
    PutAtRest(*o, j, b);
  }
  o->active = 1;
  o->parked = 0;
  o->hit = 0;
  o->crashSoundTimer = kObjectCrashTimerStart;
}

void UpdateObject(CityObject* o, const neVector3& player, neRigidBody* hint, float seconds) {
  const float dx = player.x - o->position.x, dz = player.z - o->position.z;
  o->playerDistance = dx * dx + dz * dz;
  // Nothing to wake: a record of a bad marker or type never goes live.
  if (o->bodyCount == 0) return;
  if (o->active) o->crashSoundTimer += seconds;
  if (o->active && !o->parked) NoticeDisturbance(o);

  if (o->playerDistance > kObjectParkDistanceSq) {
    if (o->active && !o->parked) ParkIfLeft(o, player);
    else if (o->active) PutToSleep(o, hint);
  } else if (o->active && o->parked) {
    // The player came back in the frame between parking and the reset: the object is
    // in play again, and a part lying off its place gets its gravity back next frame.
    o->parked = 0;
  } else if (o->playerDistance < kObjectWakeDistanceSq && !o->active) {
    WakeUp(o, hint);
  }
}

}  // namespace

const CityObjectType* CityObjectTypeOf(int type) {
  return type >= 0 && type < kObjectTypes ? &kTypeTable[type] : nullptr;
}

CityObject::CityObject() {
  ResetRecord(this);
  type = 0;
}

CityObject::~CityObject() {
  for (neRigidBody*& b : bodies) b = nullptr;
  userValue = type = partCount = bodyCount = 0;
  playerDistance = 0.0f;
  active = 0;
}

void CityObject::Create(neSimulation* simulator, int32_t value) {
  userValue = value;
  bodyCount = 0;
  for (int j = 0; j < kMaxObjectParts; ++j) {
    bodies[j] = nullptr;
    moved[j] = 0;
  }
  const CityObjectType* t = CityObjectTypeOf(type);
  neRigidBody* body = nullptr;
  bool needBody = true;
  for (int i = 0; t && i < partCount && bodyCount < kMaxObjectParts; ++i) {
    const CityObjectPart& p = t->parts[i];
    if (needBody) {
      body = simulator ? simulator->CreateRigidBody() : nullptr;
      needBody = false;
    }
    if (body) AddBox(body, p);
    if (!p.closesBody) continue;
    const int n = bodyCount;
    if (body) {
      body->UpdateBoundingInfo();
      body->SetInertiaTensor(neComputeBoxInertia(p.inertiaSize, p.mass));
      body->SetMass(p.mass);
      body->SetRestThreshold(0.0f);
      body->UpdateBoundingInfo();
      body->SetUserData(static_cast<uintptr_t>(value));
      body->SetCollisionGroup(kCollisionId);
      body->SetPosition(RestPosition(n));
      body->SetRotation(rotation);
      // A new body is active; asking an inactive one would wake it.
      if (body->Active()) body->SetActive(false);
    }
    bodies[n] = body;
    ++bodyCount;
    needBody = true;
  }
  active = 0;
  parked = 0;
  hit = 0;
  crashSoundTimer = kObjectCrashTimerStart;
  playerDistance = 0.0f;
}

void BuildCityObjects(const Model& objects) {
  CityObjectCount = 0;
  int64_t ignored = 0;
  for (int g = 0; g < objects.groupCount; ++g) {
    const ModelGroup& group = objects.groups[g];
    for (int i = 0; i < group.triangleCount; ++i) {
      if (CityObjectCount >= kMaxCityObjects) {
        ++ignored;
        continue;
      }
      CityObject& o = CityObjects[CityObjectCount++];
      const int ti = group.triangleIndices ? group.triangleIndices[i] : -1;
      const ModelTriangle* tri = ti >= 0 && ti < objects.triangleCount ? &objects.triangles[ti] : nullptr;
      const ModelVertex* corners[3] = {};
      bool named = tri != nullptr;
      for (int c = 0; named && c < 3; ++c) {
        const int v = tri->vertexIndices[c];
        named = v >= 0 && v < objects.vertexCount;
        if (named) corners[c] = &objects.vertices[v];
      }
      if (named) {
        PlaceMarker(&o, g, corners);
      } else {
        // Keeps its running number, so the quadtree's indices still name the others.
        ResetRecord(&o);
        o.type = g;
      }
    }
  }
  if (ignored > 0)
    std::fprintf(stderr, "roadside objects: %lld markers beyond the %d records ignored\n",
                 static_cast<long long>(ignored), kMaxCityObjects);
}

void WakeDisturbedObjects() {
  neRigidBody* player = RaceCars[0].body;
  if (!player) return;
  const neVector3 p = player->GetPosition();
  const float seconds = FrameTiming.FrameTicks * 0.01f;
  for (int k = 0; k < CityObjectCount; ++k) UpdateObject(&CityObjects[k], p, player, seconds);
}

void ForgetCityObjectBodies() {
  for (CityObject& o : CityObjects) {
    for (neRigidBody*& b : o.bodies) b = nullptr;
    o.bodyCount = 0;
    o.active = o.parked = 0;
  }
}

void ClearCityObjects() {
  ForgetCityObjectBodies();
  CityObjectCount = 0;
  PublishedCityObjects.objectCount = PublishedCityObjects.poseCount = 0;
  PublishedCityObjects.droppedObjects = 0;
}

void PublishCityObjects() {
  CityObjectFrame& f = PublishedCityObjects;
  f.objectCount = CityObjectCount;
  f.poseCount = 0;
  f.droppedObjects = 0;
  for (int k = 0; k < CityObjectCount; ++k) {
    const CityObject& o = CityObjects[k];
    CityObjectRow& row = f.rows[k];
    row.playerDistance = o.playerDistance;
    row.active = o.active;
    row.firstPose = -1;
    if (!o.active) continue;
    if (f.poseCount + o.bodyCount > kMaxPublishedObjectPoses) {
      ++f.droppedObjects;
      continue;
    }
    row.firstPose = static_cast<int16_t>(f.poseCount);
    for (int j = 0; j < o.bodyCount; ++j) {
      Matrix4& m = f.poses[f.poseCount++];
      const neRigidBody* b = o.bodies[j];
      if (b) {
        const neTransform t = b->GetTransform();
        SetMatrix(t.rot, t.pos, &m);
      } else {
        m = o.restMatrices[j];
      }
    }
  }
}

void TakeCityObjectsForRender() {
  const CityObjectFrame& from = PublishedCityObjects;
  CityObjectFrame& to = RenderCityObjects;
  to.objectCount = from.objectCount;
  to.poseCount = from.poseCount;
  to.droppedObjects = from.droppedObjects;
  std::memcpy(to.rows, from.rows, sizeof(CityObjectRow) * static_cast<size_t>(from.objectCount));
  std::memcpy(to.poses, from.poses, sizeof(Matrix4) * static_cast<size_t>(from.poseCount));
}

const Matrix4& CityObjectPartMatrix(const CityObjectFrame& frame, int object, int part) {
  const CityObject& o = CityObjects[object];
  const int first = object < frame.objectCount ? frame.rows[object].firstPose : -1;
  if (first >= 0 && part < o.bodyCount) return frame.poses[first + part];
  return o.restMatrices[part];
}
