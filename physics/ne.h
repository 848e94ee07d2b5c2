// The physics engine's whole public interface. A host includes this file and
// nothing else from physics/.
//
// Handles (neSimulation, neRigidBody, neAnimatedBody, neGeometry, neSensor,
// neRigidBodyController, neJointController, neConstraint) are plain pointers
// into the simulator's fixed pools, valid until freed; the classes hold no
// data of their own. Getters return values.
//
// Threads: the engine takes no lock. One simulator advances at a time, on one
// thread; host callbacks (contact, log, break-off, terrain query, custom
// collision and controllers) run on that thread during the advance and must not
// create or free bodies, geometries, sensors, controllers or constraints while
// the engine iterates over them. Another thread may read poses through the pure
// getters (GetPosition, GetTransform, ...), accepting a pose torn between steps.
#ifndef KELVAMOR_PHYSICS_NE_H
#define KELVAMOR_PHYSICS_NE_H

#include <cstddef>
#include <cstdint>

#include "physics/ne_math.h"

class neRigidBody;
class neAnimatedBody;
class neGeometry;
class neSensor;
class neConstraint;
class neSimulation;

// Memory source of a simulator; it must outlive the simulator.
class neAllocator {
 public:
  virtual void* Alloc(int32_t bytes, int32_t flag) = 0;
  virtual void Free(void* block) = 0;

 protected:
  ~neAllocator() = default;
};

// The general-purpose heap, counting the bytes it handed out.
class neDefaultAllocator : public neAllocator {
 public:
  void* Alloc(int32_t bytes, int32_t flag) override;
  void Free(void* block) override;
  int32_t TotalAllocated() const { return total_; }

 private:
  int32_t total_ = 0;
};

// The twelve counts that size the pools. The constructor writes the defaults.
struct neSimulationSizes {
  int32_t rigidBodiesCount = 50;
  int32_t animatedBodiesCount = 50;
  int32_t rigidParticleCount = 50;
  int32_t controllersCount = 50;
  int32_t overlapPairsCount = 1225;  // 50 x 49 / 2
  int32_t geometriesCount = 50;
  int32_t constraintsCount = 100;
  int32_t constraintSetsCount = 100;
  int32_t reservedWord8 = 2000;  // kept and copied, sizes nothing
  int32_t sensorsCount = 100;
  int32_t terrainNodeCapacity = 200;
  int32_t terrainNodeGrowth = -1;  // -1 doubles, n > 0 adds n
};

// Which collision-id pairs are tested: bit 0 contact response (impulse), bit 1
// report to the contact callback, 0 not tested. Ids 0-63; -1 addresses the
// terrain column.
class neResponseTable {
 public:
  static constexpr int32_t kMaxId = 64;
  enum : int32_t { kNone = 0, kImpulse = 1, kCallback = 2, kImpulseAndCallback = 3 };

  neResponseTable();
  // a, b >= 0: both [a][b] and [b][a]; one of them -1: the other's terrain
  // entry; both -1 or an id out of range: nothing.
  void Set(int32_t a, int32_t b, int32_t value);
  // 0 ("no response") for an id outside 0-63.
  int32_t Get(int32_t a, int32_t b) const;
  int32_t GetMaxId() const { return kMaxId; }
  // Terrain entry of an id; 0 outside 0-63.
  int32_t GetTerrain(int32_t a) const;
  // The engine's lookup for a body pair: an id of -1 reads the other's terrain
  // entry, two -1 give 0, ids out of range give 0.
  int32_t Lookup(int32_t a, int32_t b) const;

 private:
  int32_t table_[kMaxId][kMaxId];
  int32_t terrain_[kMaxId];
};

// Kinds in neContactRecord.
enum : int32_t { kNeKindTerrain = 0, kNeKindRigid = 1, kNeKindAnimated = 2 };

// One contact handed to the contact callback; valid only during the call.
struct neContactRecord {
  void* bodyA;  // an neRigidBody* or neAnimatedBody* by kindA
  // By kindB: an neRigidBody*, an neAnimatedBody*, or for the terrain the user
  // word of the triangle hit (cast to the pointer type).
  void* bodyB;
  int32_t kindA;
  int32_t kindB;
  neGeometry* geometryA;
  neGeometry* geometryB;  // null for the terrain
  int32_t materialA;
  int32_t materialB;
  neVector3 bodyContactPointA;   // in A's frame
  neVector3 bodyContactPointB;   // in B's frame
  neVector3 worldContactPointA;
  neVector3 worldContactPointB;
  neVector3 relativeVelocity;    // of A against B; only with a contact response
  neVector3 normal;              // from B toward A
};

// What a custom collision callback writes; zeroed before each call.
struct neCustomCollisionResult {
  neVector3 collisionNormal;
  neVector3 contactPoint1;  // world, on the first body
  neVector3 contactPoint2;  // world, on the second body
  float penetrationDepth;
  int32_t materialIndex1;
  int32_t materialIndex2;
};

// Terrain triangle: three vertex indices, material, test mode (0 two-sided, 1
// ground triangle tested against boxes only, other values skipped), user word.
struct neTerrainTriangle {
  int32_t indices[3] = {-1, -1, -1};
  int32_t materialID = 0;
  int32_t flag = 0;
  int32_t userData = 0;
};

// The mesh handed to SetTerrain; the engine copies both arrays.
struct neTerrainMesh {
  neVector3* vertices = nullptr;
  int32_t vertexCount = 0;
  neTerrainTriangle* triangles = nullptr;
  int32_t triangleCount = 0;
};

// Optional per-advance timing record owned by the host.
struct neStepTimings {
  float total;           // seconds: the last advance (mode 1) or the running mean
  float phases[9];       // cleared by each advance
  float sum;             // running sum of totals below 100 s
  int32_t untouched[9];  // never written by the engine
  int32_t mode;          // 1: report the last advance; else the running mean
  int32_t count;         // number of totals in the mean
};

typedef void (*neContactCallback)(neContactRecord* contact);
typedef void (*neLogCallback)(char* message);
// (old body, kind of the old body: 1 rigid, 2 animated, geometry, new body)
typedef void (*neBreakOffCallback)(void* oldBody, int32_t oldKind, neGeometry* geometry,
                                   neRigidBody* newBody);
typedef void (*neTerrainQueryCallback)(const neVector3& minBound, const neVector3& maxBound,
                                       int32_t** triangleIndices,
                                       neTerrainTriangle** triangles, neVector3** vertices,
                                       int32_t* indexCount, int32_t* triangleCount,
                                       neRigidBody* body);
// Non-zero return: a contact, described in the result.
typedef int32_t (*neCustomCollisionCallback)(void* bodyA, void* bodyB,
                                             neCustomCollisionResult* result);

// Geometry break kinds: 0 never breaks; 1 and 4 make a new body.
enum : int32_t { kNeBreakNever = 0, kNeBreakNormal = 1, kNeBreakAllOff = 2,
                 kNeBreakNormalButNotAbsorb = 3, kNeBreakAllOffButNotAbsorb = 4 };

// A collision shape on a body, with its body-space transform and material.
class neGeometry {
 public:
  void SetBoxSize(const neVector3& size);  // full size
  void SetBoxSize(float x, float y, float z);
  bool GetBoxSize(neVector3& size) const;
  void SetSphereDiameter(float diameter);
  bool GetSphereDiameter(float& diameter) const;
  // A capsule along the geometry's Y axis.
  void SetCylinder(float diameter, float height);
  bool GetCylinder(float& diameter, float& height) const;
  // The blob must outlive the geometry.
  void SetConvexMesh(uint8_t* hullBlob);
  bool GetConvexMesh(uint8_t*& hullBlob) const;
  void SetTransform(const neTransform& t);
  neTransform GetTransform() const;
  void SetMaterialIndex(int32_t index);
  int32_t GetMaterialIndex() const;
  void SetUserData(uintptr_t data);
  uintptr_t GetUserData() const;
  void SetBreakageFlag(int32_t kind);
  int32_t GetBreakageFlag() const;
  void SetBreakageMass(float mass);
  float GetBreakageMass() const;
  void SetBreakageInertiaTensor(const neVector3& diagonal);
  neVector3 GetBreakageInertiaTensor() const;
  void SetBreakageDirection(const neVector3& direction);  // geometry frame
  neVector3 GetBreakageDirection() const;
  void SetBreakageMagnitude(float magnitude);
  float GetBreakageMagnitude() const;
  void SetBreakageFraction(float fraction);
  float GetBreakageFraction() const;
  void SetBreakagePlaneThreshold(float value);  // stored only
  float GetBreakagePlaneThreshold() const;

 protected:
  // Only the engine makes these: a handle is the address of its pool record.
  neGeometry() = default;
  ~neGeometry() = default;
};

// Inertia diagonals for neRigidBody::SetInertiaTensor.
neVector3 neComputeBoxInertia(const neVector3& size, float mass);
neVector3 neComputeSphereInertia(float diameter, float mass);
neVector3 neComputeCylinderInertia(float diameter, float height, float mass);

// A line segment in its body's frame reporting the deepest surface it crosses.
class neSensor {
 public:
  void SetLine(const neVector3& start, const neVector3& lineVector);
  neVector3 GetStartPoint() const;
  neVector3 GetLineVector() const;
  neVector3 GetDirection() const;
  float GetLineLength() const;
  void SetUserData(int32_t data);
  int32_t GetUserData() const;
  float GetHitDepth() const;  // 0: nothing hit in the last sub-step
  neVector3 GetHitNormal() const;
  neVector3 GetHitPoint() const;
  int32_t GetHitMaterial() const;
  neRigidBody* GetHitRigidBody() const;
  neAnimatedBody* GetHitAnimatedBody() const;

 protected:
  // Only the engine makes these: a handle is the address of its pool record.
  neSensor() = default;
  ~neSensor() = default;
};

class neRigidBodyController;
class neJointController;

// The host derives from these and sets the controller's force and torque.
class neRigidBodyControllerCallback {
 public:
  virtual void Callback(neRigidBodyController* controller, float timeStep) = 0;

 protected:
  ~neRigidBodyControllerCallback() = default;
};

class neJointControllerCallback {
 public:
  virtual void Callback(neJointController* controller, float timeStep) = 0;

 protected:
  ~neJointControllerCallback() = default;
};

class neRigidBodyController {
 public:
  neRigidBody* GetRigidBody() const;
  void SetForce(const neVector3& force);
  neVector3 GetForce() const;
  void SetTorque(const neVector3& torque);
  neVector3 GetTorque() const;
  // Torque = (point - body position) x force.
  void SetForceWithTorque(const neVector3& force, const neVector3& worldPoint);

 protected:
  // Only the engine makes these: a handle is the address of its pool record.
  neRigidBodyController() = default;
  ~neRigidBodyController() = default;
};

class neJointController {
 public:
  neConstraint* GetConstraint() const;
  void SetForce(const neVector3& force);  // on body A
  neVector3 GetForce() const;
  void SetTorque(const neVector3& torque);
  neVector3 GetTorque() const;
  void SetForceWithTorque(const neVector3& force, const neVector3& worldPoint);
  void SetForceB(const neVector3& force);  // on a rigid body B
  neVector3 GetForceB() const;
  void SetTorqueB(const neVector3& torque);
  neVector3 GetTorqueB() const;
  void SetForceWithTorqueB(const neVector3& force, const neVector3& worldPoint);

 protected:
  // Only the engine makes these: a handle is the address of its pool record.
  neJointController() = default;
  ~neJointController() = default;
};

// A joint between a rigid body A and a second body or the world.
class neConstraint {
 public:
  enum : int32_t { kBall = 0, kHinge = 2, kSlider = 3 };

  void SetType(int32_t type);  // other values change nothing
  int32_t GetType() const;
  neRigidBody* GetRigidBodyA() const;
  neRigidBody* GetRigidBodyB() const;
  neAnimatedBody* GetAnimatedBodyB() const;
  void SetFrameA(const neTransform& frameInA);
  void SetFrameB(const neTransform& frameInB);
  void SetFrameWorld(const neTransform& worldFrame);
  neTransform GetFrameAWorld() const;
  neTransform GetFrameBWorld() const;
  void SetJointLength(float length);
  float GetJointLength() const;
  void Enable(bool enable);
  bool Enabled() const;
  void SetDamping(float damping);
  float GetDamping() const;
  void SetTolerance(float tolerance);
  float GetTolerance() const;  // 0.001 while the stored value is not positive
  void SetIterationCount(int32_t count);
  int32_t GetIterationCount() const;
  void SetUpperLimit(float limit);  // radians, metres for a slider
  float GetUpperLimit() const;
  void SetLowerLimit(float limit);
  float GetLowerLimit() const;
  void EnableLimit(int32_t on);
  int32_t LimitEnabled() const;
  void SetUpperTwistLimit(float limit);
  float GetUpperTwistLimit() const;
  void SetLowerTwistLimit(float limit);
  float GetLowerTwistLimit() const;
  void EnableTwistLimit(int32_t on);
  int32_t TwistLimitEnabled() const;
  void EnableMotor(int32_t on);
  int32_t MotorEnabled() const;
  void SetMotor(int32_t kind, float targetSpeed, float maxForce);
  void GetMotor(int32_t& kind, float& targetSpeed, float& maxForce) const;
  void EnableMotor2(int32_t on);
  int32_t Motor2Enabled() const;
  void SetMotor2(int32_t kind, float targetSpeed, float maxForce);
  void GetMotor2(int32_t& kind, float& targetSpeed, float& maxForce) const;
  neJointController* AddController(neJointControllerCallback* callback, int32_t period);
  bool RemoveController(neJointController* controller);
  void BeginControllerIteration();
  neJointController* GetNextController();

 protected:
  // Only the engine makes these: a handle is the address of its pool record.
  neConstraint() = default;
  ~neConstraint() = default;
};

// Operations shared by the two body kinds are declared on each.
class neRigidBody {
 public:
  void SetCollisionGroup(int32_t id);  // 0-63, or -1 = terrain column only
  int32_t GetCollisionGroup() const;
  void SetUserData(uintptr_t data);
  uintptr_t GetUserData() const;
  int32_t GetGeometryCount() const;
  neGeometry* AddGeometry();
  bool RemoveGeometry(neGeometry* geometry);
  void BeginGeometryIteration();
  neGeometry* GetNextGeometry();
  void UpdateBoundingInfo();  // after adding or changing geometries or sensors
  neRigidBody* BreakGeometry(neGeometry* geometry);
  void UseCustomCollisionDetection(bool use, const neTransform* obb, float boundingRadius);
  bool UsingCustomCollisionDetection() const;
  neSensor* AddSensor();
  bool RemoveSensor(neSensor* sensor);
  void BeginSensorIteration();
  neSensor* GetNextSensor();
  void SetCollideConnected(int32_t yes);
  int32_t GetCollideConnected() const;
  void SetRespondConnected(int32_t yes);
  int32_t GetRespondConnected() const;
  void SetActive(bool active, neRigidBody* hint = nullptr);
  void SetActive(bool active, neAnimatedBody* hint);
  bool Active() const;

  void SetMass(float mass);  // refused unless finite and above 0
  float GetMass() const;
  void SetInertiaTensor(const neVector3& diagonal);
  void SetInertiaTensor(const neMatrix3x3& tensor);
  void SetLinearDamping(float damping);
  float GetLinearDamping() const;
  void SetAngularDamping(float damping);
  float GetAngularDamping() const;
  void SetRestThreshold(float threshold);
  float GetRestThreshold() const;
  void SetGravityEnabled(int32_t enabled);
  int32_t GetGravityEnabled() const;
  neVector3 GetPosition() const;
  void SetPosition(const neVector3& position);
  neMatrix3x3 GetRotationMatrix() const;
  neQuaternion GetQuaternion() const;
  void SetRotation(const neQuaternion& rotation);
  void SetRotation(const neMatrix3x3& rotation);
  // Rotation and position as a column-major 4x4 (fourth floats 0, 0, 0, 1).
  neTransform GetTransform() const;
  neVector3 GetVelocity() const;
  void SetVelocity(const neVector3& velocity);
  neVector3 GetAngularVelocity() const;
  neVector3 GetAngularMomentum() const;
  void SetAngularMomentum(const neVector3& momentum);
  neVector3 GetVelocityAtPoint(const neVector3& offsetFromCentre) const;
  void SetForce(const neVector3& force);
  void SetForce(const neVector3& force, const neVector3& worldPoint);
  void SetTorque(const neVector3& torque);
  neVector3 GetForce() const;
  neVector3 GetTorque() const;
  void ApplyImpulse(const neVector3& impulse);
  void ApplyImpulse(const neVector3& impulse, const neVector3& worldPoint);
  neRigidBodyController* AddController(neRigidBodyControllerCallback* callback, int32_t period);
  bool RemoveController(neRigidBodyController* controller);
  void BeginControllerIteration();
  neRigidBodyController* GetNextController();
  bool IsIdle() const;  // at rest
  // Mass and inertia from the geometries and their materials' density values.
  void SetMassFromGeometries();

 protected:
  // Only the engine makes these: a handle is the address of its pool record.
  neRigidBody() = default;
  ~neRigidBody() = default;
};

// A body placed by the host; it collides but is never moved by the engine.
class neAnimatedBody {
 public:
  void SetCollisionGroup(int32_t id);
  int32_t GetCollisionGroup() const;
  void SetUserData(uintptr_t data);
  uintptr_t GetUserData() const;
  int32_t GetGeometryCount() const;
  neGeometry* AddGeometry();
  bool RemoveGeometry(neGeometry* geometry);
  void BeginGeometryIteration();
  neGeometry* GetNextGeometry();
  void UpdateBoundingInfo();
  neRigidBody* BreakGeometry(neGeometry* geometry);
  void UseCustomCollisionDetection(bool use, const neTransform* obb, float boundingRadius);
  bool UsingCustomCollisionDetection() const;
  neSensor* AddSensor();
  bool RemoveSensor(neSensor* sensor);
  void BeginSensorIteration();
  neSensor* GetNextSensor();
  void SetCollideConnected(int32_t yes);
  int32_t GetCollideConnected() const;
  void SetRespondConnected(int32_t yes);
  int32_t GetRespondConnected() const;
  void SetActive(bool active, neRigidBody* hint = nullptr);
  void SetActive(bool active, neAnimatedBody* hint);
  bool Active() const;

  neVector3 GetPosition() const;
  void SetPosition(const neVector3& position);
  neMatrix3x3 GetRotationMatrix() const;
  void SetRotation(const neMatrix3x3& rotation);
  void SetRotation(const neQuaternion& rotation);
  neQuaternion GetQuaternion() const;
  neTransform GetTransform() const;

 protected:
  // Only the engine makes these: a handle is the address of its pool record.
  neAnimatedBody() = default;
  ~neAnimatedBody() = default;
};

// The physics world: every pool, the broad phase, the terrain and callbacks.
class neSimulation {
 public:
  // Null sizes: the defaults. Null allocator: the heap. Null gravity: zero.
  // Null when the counts are invalid (negative, or too large for memory) or the
  // memory cannot be had; the reason goes to stderr, since no log callback can
  // be set yet.
  static neSimulation* Create(const neSimulationSizes* sizes, neAllocator* allocator = nullptr,
                              const neVector3* gravity = nullptr);
  static void Destroy(neSimulation* simulation);  // null is ignored

  void SetGravity(const neVector3& gravity);
  neVector3 GetGravity() const;

  neRigidBody* CreateRigidBody();
  neRigidBody* CreateRigidParticle();
  neAnimatedBody* CreateAnimatedBody();
  void FreeRigidBody(neRigidBody* body);
  void FreeAnimatedBody(neAnimatedBody* body);

  neConstraint* CreateConstraint(neRigidBody* bodyA);
  neConstraint* CreateConstraint(neRigidBody* bodyA, neRigidBody* bodyB);
  neConstraint* CreateConstraint(neRigidBody* bodyA, neAnimatedBody* bodyB);
  void FreeConstraint(neConstraint* constraint);

  // Index 0-255; friction, restitution. Out of range: false.
  bool SetMaterial(int32_t index, float friction, float restitution);
  bool GetMaterial(int32_t index, float& friction, float& restitution, float& density) const;
  neResponseTable* GetResponseTable();

  // Fixed advance: count equal sub-steps of seconds / count.
  void Step(float seconds, int32_t subSteps, neStepTimings* timings = nullptr);
  // Variable advance: sub-steps between shortest and longest, the rest carried.
  void StepVariable(float seconds, float shortest, float longest,
                    neStepTimings* timings = nullptr);

  void SetTerrain(const neTerrainMesh* mesh);
  void FreeTerrain();

  neContactCallback SetContactCallback(neContactCallback callback);
  neContactCallback GetContactCallback() const;
  neLogCallback SetLogCallback(neLogCallback callback);
  neLogCallback GetLogCallback() const;
  void SetLogLevel(int32_t level);  // 0 silent; engine messages are level 1
  void SetBreakOffCallback(neBreakOffCallback callback);
  neBreakOffCallback GetBreakOffCallback() const;
  // When set, replaces the engine's terrain tree in the terrain pass.
  void SetTerrainQueryCallback(neTerrainQueryCallback callback);
  neTerrainQueryCallback GetTerrainQueryCallback() const;
  void SetCustomCollisionCallback(neCustomCollisionCallback callback);  // rigid-rigid
  neCustomCollisionCallback GetCustomCollisionCallback() const;
  void SetCustomCollisionCallback2(neCustomCollisionCallback callback);  // rigid-animated
  neCustomCollisionCallback GetCustomCollisionCallback2() const;

  void GetBuildSizes(neSimulationSizes& sizes) const;
  void GetSizesInUse(neSimulationSizes& sizes) const;
  void GetMemoryUsed(int32_t& bytes) const;

 protected:
  // Only the engine makes these: a handle is the address of its pool record.
  neSimulation() = default;
  ~neSimulation() = default;
};

#endif  // KELVAMOR_PHYSICS_NE_H
