// Contacts that rest: a box pushed out of the ground, boxes landing, boxes
// placed level on gentle slopes, stacks of five, a cube that must not end on
// an edge. Each runs on the race's grass (friction 0.45) and road (0.8), on
// terrain meshes of 2 m cells, one game sub-step at a time.
#include <cmath>
#include <cstdint>
#include <vector>

#include "scenes.h"

namespace {

constexpr float kFrictions[2] = {0.45f, 0.8f};
constexpr float kPi = 3.14159265f;
constexpr float kDegree = kPi / 180.0f;
// The lorry-sized box standing upright, and the cube.
const neVector3 kTallBox = {0.96f, 1.64f, 0.96f, 0.0f};
const neVector3 kCube = {1.0f, 1.0f, 1.0f, 0.0f};
constexpr float kMass = 20.0f;
constexpr int kMaterial = 1;

int Steps(float seconds) { return static_cast<int>(seconds / kGameSubStep + 0.5f); }

// A small seeded generator: the scenes must give the same figures each run.
struct Random {
  uint32_t state;
  explicit Random(uint32_t seed) : state(seed * 2654435761u + 1u) {}
  float Next() {  // [0, 1)
    state = state * 1664525u + 1013904223u;
    return static_cast<float>(state >> 8) / 16777216.0f;
  }
};

// One body on a terrain grid of 2 m cells, the grid rising by slope per
// metre of x (tilted about z), its material of the given friction and
// restitution. Destroyed with the scene.
struct RestWorld {
  RestWorld(int bodies, float friction, float restitution, float slope, float half = 10.0f)
      : sim(MakeSimulation(SceneSizes(bodies, 0, bodies * (bodies - 1) / 2 + 1))) {
    sim->SetMaterial(kMaterial, friction, restitution);
    LaySceneGround(sim, ground, half, static_cast<int>(half), kMaterial, slope, false);
  }
  ~RestWorld() { neSimulation::Destroy(sim); }
  RestWorld(const RestWorld&) = delete;
  RestWorld& operator=(const RestWorld&) = delete;
  neSimulation* const sim;
  SceneTerrain ground;
};

neVector3 Local(const neRigidBody* b) { return b->GetPosition() - SceneOrigin(); }

// Angle between a body axis and a world direction.
float AngleBetween(const neVector3& a, const neVector3& b) {
  const float c = a.Dot(b) / std::sqrt(a.Dot(a) * b.Dot(b));
  return std::acos(std::fmax(-1.0f, std::fmin(1.0f, c)));
}

// Angle of the body's up axis from the given unit up.
float TiltFrom(const neRigidBody* b, const neVector3& up) {
  return AngleBetween(b->GetRotationMatrix().col[1], up);
}

neVector3 SlopeNormal(float slope) {
  const neVector3 n = neV3(-slope, 1.0f, 0.0f);
  return n * (1.0f / std::sqrt(1.0f + slope * slope));
}

// Rotation by angle about the y axis.
neMatrix3x3 RotationAboutY(float angle) {
  neMatrix3x3 m;
  m.col[0] = neV3(std::cos(angle), 0.0f, -std::sin(angle));
  m.col[1] = neV3(0.0f, 1.0f, 0.0f);
  m.col[2] = neV3(std::sin(angle), 0.0f, std::cos(angle));
  return m;
}

// Rotation by angle about the x axis.
neMatrix3x3 RotationAboutX(float angle) {
  neMatrix3x3 m;
  m.col[0] = neV3(1.0f, 0.0f, 0.0f);
  m.col[1] = neV3(0.0f, std::cos(angle), std::sin(angle));
  m.col[2] = neV3(0.0f, -std::sin(angle), std::cos(angle));
  return m;
}

// The lowest corner of a box above flat ground at y = 0 (negative: inside).
float LowestCorner(const neRigidBody* b, const neVector3& size) {
  neVector3 corners[8];
  BoxCorners(b, size, corners);
  float lowest = 1e9f;
  for (const neVector3& c : corners) lowest = std::fmin(lowest, c.y - SceneOrigin().y);
  return lowest;
}

}  // namespace

SceneResult RunEmbed() {
  const float depths[3] = {0.02f, 0.05f, 0.10f};
  const float rest = 0.5f * kTallBox.y;
  float worstRise = 0.0f, worstUp = 0.0f, latestRest = 0.0f;
  bool pass = true;
  for (float friction : kFrictions) {
    for (float depth : depths) {
      RestWorld w(1, friction, 0.0f, 0.0f);
      neRigidBody* b = AddSceneBox(w.sim, kTallBox, kMass, At(0.3f, rest - depth, 0.2f), kMaterial);
      float rise = -1e9f, up = 0.0f, restAt = -1.0f;
      for (int i = 0; i < Steps(3.0f); ++i) {
        w.sim->Step(kGameSubStep, 1);
        rise = std::fmax(rise, Local(b).y - rest);
        up = std::fmax(up, b->GetVelocity().y);
        if (b->IsIdle() && restAt < 0.0f) restAt = (i + 1) * kGameSubStep;
      }
      pass = pass && BodyFinite(b) && rise <= 0.02f && up <= 0.5f && restAt >= 0.0f &&
             restAt <= 2.0f && std::fabs(Local(b).y - rest) < 0.02f;
      worstRise = std::fmax(worstRise, rise);
      worstUp = std::fmax(worstUp, up);
      latestRest = restAt < 0.0f ? 99.0f : std::fmax(latestRest, restAt);
    }
  }
  SceneResult r;
  r.pass = pass;
  r.figures = Figures("highest-above-rest=%.4f up-speed=%.3f rest-by=%.2fs", worstRise, worstUp,
                      latestRest);
  return r;
}

namespace {

struct Landing {
  float rise = 0.0f;       // largest climb above the lowest point since touching
  float lateDepth = 0.0f;  // deepest corner from 0.1 s after touching on
  // The same depth less what it is allowed: 2 cm, or for a corner that comes down
  // while another rests (a topple) the resting corner's depth plus one sub-step of
  // the falling corner's speed, at most 2.5 cm. Above 0 fails.
  float lateExcess = -1.0f;
  float toppleDepth = 0.0f;  // deepest such falling corner, and what it was allowed
  float toppleAllowed = 0.0f;
  float restAt = -1.0f;    // seconds from release
  float apex = 0.0f;       // highest centre after touching, above the rest height
  bool finite = true;
};

constexpr float kLateDepthLimit = 0.02f;
constexpr float kToppleDepthLimit = 0.025f;
// A corner in the ground this many sub-steps running rests (0.1 s).
constexpr int kRestingSubSteps = 12;

// A box released with its bottom 1 m above the ground at x = 0, level or
// turned by tilt about x, and followed for seconds.
Landing Drop(float friction, float restitution, float slope, float tilt, float seconds) {
  RestWorld w(1, friction, restitution, slope);
  const float lift = 0.5f * (kTallBox.y * std::cos(tilt) + kTallBox.z * std::sin(tilt));
  neRigidBody* b = AddSceneBox(w.sim, kTallBox, kMass, At(0.0f, 1.0f + lift, 0.0f), kMaterial);
  b->SetRotation(RotationAboutX(tilt));
  Landing l;
  int touched = -1;
  float lowest = 1e9f;
  // Sub-steps each corner has lain in the ground without a break.
  int inGround[8] = {};
  const neVector3 up = SlopeNormal(slope);
  for (int i = 0; i < Steps(seconds); ++i) {
    w.sim->Step(kGameSubStep, 1);
    l.finite = l.finite && BodyFinite(b);
    const float y = Local(b).y;
    const float depth = BoxDepthBelow(b, kTallBox, w.ground);
    if (touched < 0 && depth > 0.0f) touched = i;
    neVector3 corners[8];
    BoxCorners(b, kTallBox, corners);
    float cornerDepth[8];
    for (int k = 0; k < 8; ++k) {
      const neVector3 p = corners[k] - w.ground.Origin();
      float h = 0.0f;
      cornerDepth[k] = w.ground.HeightAt(p.x, p.z, h) ? h - p.y : 0.0f;
    }
    if (touched >= 0) {
      lowest = std::fmin(lowest, y);
      l.rise = std::fmax(l.rise, y - lowest);
      l.apex = std::fmax(l.apex, y - 0.5f * kTallBox.y);
      if ((i - touched) * kGameSubStep >= 0.1f) {
        l.lateDepth = std::fmax(l.lateDepth, depth);
        // One terrain contact per body and sub-step answers the deepest corner: a
        // corner falling while another one rests deeper is answered one sub-step
        // after it reaches the resting depth, so it may lie one sub-step of its speed
        // deeper than the corner the box turns on.
        float resting = 0.0f;
        for (int k = 0; k < 8; ++k)
          if (inGround[k] >= kRestingSubSteps) resting = std::fmax(resting, cornerDepth[k]);
        for (int k = 0; k < 8; ++k) {
          if (cornerDepth[k] <= 0.0f) continue;
          float allowed = kLateDepthLimit;
          const bool falling = inGround[k] < kRestingSubSteps && resting > 0.0f;
          if (falling) {
            const float speed = -b->GetVelocityAtPoint(corners[k] - b->GetPosition()).Dot(up);
            allowed = std::fmin(std::fmax(kLateDepthLimit, resting + kGameSubStep * std::fmax(speed, 0.0f)),
                                kToppleDepthLimit);
            if (cornerDepth[k] > l.toppleDepth) {
              l.toppleDepth = cornerDepth[k];
              l.toppleAllowed = allowed;
            }
          }
          l.lateExcess = std::fmax(l.lateExcess, cornerDepth[k] - allowed);
        }
      }
    }
    for (int k = 0; k < 8; ++k) inGround[k] = cornerDepth[k] > 0.0f ? inGround[k] + 1 : 0;
    if (b->IsIdle() && l.restAt < 0.0f) l.restAt = (i + 1) * kGameSubStep;
  }
  return l;
}

}  // namespace

SceneResult RunLand() {
  const float slopes[2] = {0.0f, std::tan(6.0f * kDegree)};
  const float tilts[2] = {0.0f, 30.0f * kDegree};
  float riseLevel = 0.0f, riseTilted = 0.0f, depth = 0.0f, restBy = 0.0f;
  float excess = -1.0f, toppleDepth = 0.0f, toppleAllowed = 0.0f;
  bool pass = true;
  for (float friction : kFrictions) {
    for (float slope : slopes) {
      for (float tilt : tilts) {
        const Landing l = Drop(friction, 0.0f, slope, tilt, 4.0f);
        const bool tilted = tilt > 0.0f;
        (tilted ? riseTilted : riseLevel) = std::fmax(tilted ? riseTilted : riseLevel, l.rise);
        depth = std::fmax(depth, l.lateDepth);
        restBy = l.restAt < 0.0f ? 99.0f : std::fmax(restBy, l.restAt);
        excess = std::fmax(excess, l.lateExcess);
        if (l.toppleDepth > toppleDepth) {
          toppleDepth = l.toppleDepth;
          toppleAllowed = l.toppleAllowed;
        }
        pass = pass && l.finite && l.rise <= (tilted ? 0.08f : 0.05f) && l.lateExcess <= 0.0f &&
               l.restAt >= 0.0f && l.restAt <= 3.5f;
      }
    }
  }
  // One restitution per landing: a flat box at 0.5 rebounds to about a
  // quarter of its drop.
  const Landing bounce = Drop(0.45f, 0.5f, 0.0f, 0.0f, 1.5f);
  pass = pass && bounce.finite && bounce.apex >= 0.15f && bounce.apex <= 0.35f;
  SceneResult r;
  r.pass = pass;
  r.figures = Figures("rise=%.4f tilted-rise=%.4f late-depth=%.4f over-limit=%.4f rest-by=%.2fs ",
                      riseLevel, riseTilted, depth, excess, restBy);
  r.figures += Figures("topple-depth=%.4f/%.4f rebound/drop(e=0.5)=%.3f", toppleDepth, toppleAllowed, bounce.apex);
  return r;
}

SceneResult RunSlopeLevel() {
  constexpr int kBoxes = 200;
  int toppled = 0, unsettled = 0, late = 0;
  float worstTilt = 0.0f, worstCreep = 0.0f, restBy = 0.0f;
  for (float friction : kFrictions) {
    Random rng(friction > 0.5f ? 2u : 1u);
    for (int k = 0; k < kBoxes; ++k) {
      const float slope = std::tan(10.0f * kDegree * rng.Next());
      const float yaw = 2.0f * kPi * rng.Next();
      RestWorld w(1, friction, 0.0f, slope, 6.0f);
      // Bottom centre on the slope at x = 0, the box level.
      neRigidBody* b =
          AddSceneBox(w.sim, kTallBox, kMass, At(0.0f, 0.5f * kTallBox.y, 0.0f), kMaterial);
      b->SetRotation(RotationAboutY(yaw));
      const neVector3 normal = SlopeNormal(slope);
      float restAt = -1.0f, maxTilt = 0.0f;
      // The clock starts when it first slows below 0.1 m/s after settling
      // onto the slope (from the start when it never moves that fast).
      // Settled means lying within 2 degrees of it: a box this slender rocks
      // back over its other edge after tipping onto the slope (about 0.38 of
      // the energy returns at each rock), and the top of a rock is slow but
      // not settled.
      bool slow = false, moving = false;
      neVector3 slowAt = Local(b);
      float creep = 0.0f;
      for (int i = 0; i < Steps(5.0f); ++i) {
        w.sim->Step(kGameSubStep, 1);
        maxTilt = std::fmax(maxTilt, TiltFrom(b, neV3(0, 1, 0)));
        const float speed = b->GetVelocity().Length();
        moving = moving || speed >= 0.1f;
        const bool settled = TiltFrom(b, normal) < 2.0f * kDegree;
        if (!slow && speed < 0.1f && settled && (moving || i + 1 >= Steps(1.0f))) {
          slow = true;
          slowAt = Local(b);
        }
        if (slow) creep = std::fmax(creep, Distance(Local(b), slowAt));
        if (b->IsIdle() && restAt < 0.0f) restAt = (i + 1) * kGameSubStep;
      }
      const float tilt = TiltFrom(b, normal);
      if (!BodyFinite(b) || maxTilt > 45.0f * kDegree) ++toppled;
      if (tilt > 2.0f * kDegree || creep > 0.05f) ++unsettled;
      if (restAt < 0.0f) ++late;
      worstTilt = std::fmax(worstTilt, tilt);
      worstCreep = std::fmax(worstCreep, creep);
      restBy = std::fmax(restBy, restAt < 0.0f ? 99.0f : restAt);
    }
  }
  SceneResult r;
  r.pass = toppled == 0 && unsettled == 0 && late == 0;
  r.figures = Figures("toppled=%.0f unsettled=%.0f late=%.0f worst-tilt=%.2fdeg creep=%.4f",
                      toppled, unsettled, late, worstTilt / kDegree, worstCreep);
  r.figures += Figures(" rest-by=%.2fs", restBy);
  return r;
}

SceneResult RunStack5() {
  const float slopes[2] = {0.0f, std::tan(6.0f * kDegree)};
  float worstTilt = 0.0f, worstMove[2] = {0.0f, 0.0f}, worstSpeed = 0.0f, restBy = 0.0f;
  bool pass = true;
  for (float friction : kFrictions) {
    for (int s = 0; s < 2; ++s) {
      const float slope = slopes[s];
      RestWorld w(5, friction, 0.0f, slope);
      const float th = std::atan(slope);
      const neVector3 up = SlopeNormal(slope);
      std::vector<neRigidBody*> cubes;
      std::vector<neVector3> starts;
      for (int k = 0; k < 5; ++k) {
        // Each cube turned to the slope, touching the one below.
        const neVector3 at = up * (0.5f + static_cast<float>(k));
        neRigidBody* c = AddSceneBox(w.sim, kCube, kMass, At(at.x, at.y, at.z), kMaterial);
        c->SetRotation(RotationAboutZ(th));
        cubes.push_back(c);
        starts.push_back(Local(c));
      }
      float restAt = -1.0f;
      for (int i = 0; i < Steps(8.0f); ++i) {
        w.sim->Step(kGameSubStep, 1);
        for (neRigidBody* c : cubes) {
          pass = pass && BodyFinite(c);
          if ((i + 1) * kGameSubStep > 1.0f) {
            worstSpeed = std::fmax(worstSpeed, c->GetVelocity().Length());
          }
        }
        if (CountIdle(cubes) == 5 && restAt < 0.0f) restAt = (i + 1) * kGameSubStep;
      }
      for (int k = 0; k < 5; ++k) {
        const float tilt = TiltFrom(cubes[k], up);
        const float moved = Distance(Local(cubes[k]), starts[k]);
        worstTilt = std::fmax(worstTilt, tilt);
        worstMove[s] = std::fmax(worstMove[s], moved);
        pass = pass && tilt < 5.0f * kDegree && moved <= (s == 0 ? 0.15f : 0.25f);
      }
      pass = pass && restAt >= 0.0f && restAt <= 5.0f;
      restBy = std::fmax(restBy, restAt < 0.0f ? 99.0f : restAt);
    }
  }
  pass = pass && worstSpeed < 0.2f;
  SceneResult r;
  r.pass = pass;
  r.figures = Figures("tilt=%.2fdeg moved-flat=%.4f moved-slope=%.4f speed-after-1s=%.3f "
                      "rest-by=%.2fs",
                      worstTilt / kDegree, worstMove[0], worstMove[1], worstSpeed, restBy);
  return r;
}

SceneResult RunEdge() {
  constexpr int kSeeds = 20;
  int onFace = 0, idle = 0;
  float worstOff = 0.0f;
  for (int seed = 0; seed < kSeeds; ++seed) {
    Random rng(100u + static_cast<uint32_t>(seed));
    neSimulation* sim = MakeSimulation(SceneSizes(1, 0, 1));
    SceneTerrain ground;
    // The default material: the default restitution.
    LaySceneGround(sim, ground, 10.0f, 10, 0, 0.0f, false);
    neRigidBody* c = AddSceneBox(sim, kCube, kMass, At(0.2f, 1.6f, -0.1f));
    neQuaternion q{rng.Next() - 0.5f, rng.Next() - 0.5f, rng.Next() - 0.5f, rng.Next() - 0.5f};
    if (!q.Normalize()) q = neQuaternion{0, 0, 0, 1};
    c->SetRotation(q);
    RunSubSteps(sim, Steps(8.0f));
    // On a face: some body axis within 3 degrees of the vertical.
    const neMatrix3x3 r = c->GetRotationMatrix();
    float best = kPi;
    for (int a = 0; a < 3; ++a) {
      const float off = AngleBetween(r.col[a], neV3(0, 1, 0));
      best = std::fmin(best, std::fmin(off, kPi - off));
    }
    worstOff = std::fmax(worstOff, best);
    if (BodyFinite(c) && best < 3.0f * kDegree && LowestCorner(c, kCube) > -0.03f) ++onFace;
    if (c->IsIdle()) ++idle;
    neSimulation::Destroy(sim);
  }
  SceneResult r;
  r.pass = onFace == kSeeds;
  r.figures = Figures("on-face=%.0f of %.0f idle=%.0f worst-axis-off=%.2fdeg", onFace, kSeeds,
                      idle, worstOff / kDegree);
  return r;
}
