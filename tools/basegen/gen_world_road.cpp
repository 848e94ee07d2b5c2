// Each world's plan: its ground recipe, and the road loop laid through it as a closed
// centripetal Catmull-Rom curve with a straight, flat start stretch.
#include <algorithm>
#include <cmath>

#include "tools/basegen/gen_world.h"

namespace basegen {
namespace world {

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kBucketSize = 64.0f;
constexpr int kBucketsPerSide = 48;  // 48 x 64 = 3072 > 3000
constexpr float kMaxGrade = 0.07f;
constexpr int kCurveSteps = 400;
// World 0's hills: twice as broad and 0.7 as high as the recipe's draws.
constexpr float kHillStretch = 2.0f;
constexpr float kHillLift = 0.7f;

struct P2 {
  float x, z;
};

P2 Lerp2(const P2& a, const P2& b, float wa, float wb) {
  return {a.x * wa + b.x * wb, a.z * wa + b.z * wb};
}

float Dist2(const P2& a, const P2& b) { return std::hypot(a.x - b.x, a.z - b.z); }

// Centripetal Catmull-Rom between p1 and p2: no cusps or self-loops for uneven spacing,
// and a straight line when all four points are collinear.
P2 CatmullRom(const P2& p0, const P2& p1, const P2& p2, const P2& p3, float u) {
  const float t0 = 0.0f;
  const float t1 = t0 + std::sqrt(std::max(Dist2(p0, p1), 1e-3f));
  const float t2 = t1 + std::sqrt(std::max(Dist2(p1, p2), 1e-3f));
  const float t3 = t2 + std::sqrt(std::max(Dist2(p2, p3), 1e-3f));
  const float t = t1 + (t2 - t1) * u;
  const P2 a1 = Lerp2(p0, p1, (t1 - t) / (t1 - t0), (t - t0) / (t1 - t0));
  const P2 a2 = Lerp2(p1, p2, (t2 - t) / (t2 - t1), (t - t1) / (t2 - t1));
  const P2 a3 = Lerp2(p2, p3, (t3 - t) / (t3 - t2), (t - t2) / (t3 - t2));
  const P2 b1 = Lerp2(a1, a2, (t2 - t) / (t2 - t0), (t - t0) / (t2 - t0));
  const P2 b2 = Lerp2(a2, a3, (t3 - t) / (t3 - t1), (t - t1) / (t3 - t1));
  return Lerp2(b1, b2, (t2 - t) / (t2 - t1), (t - t1) / (t2 - t1));
}

std::vector<P2> DenseLoop(const std::vector<P2>& control) {
  const int n = static_cast<int>(control.size());
  std::vector<P2> dense;
  for (int i = 0; i < n; ++i)
    for (int k = 0; k < kCurveSteps; ++k)
      dense.push_back(CatmullRom(control[(i + n - 1) % n], control[i], control[(i + 1) % n],
                                 control[(i + 2) % n], static_cast<float>(k) / kCurveSteps));
  return dense;
}

float LoopLength(const std::vector<P2>& dense) {
  float length = 0;
  for (size_t i = 0; i < dense.size(); ++i) length += Dist2(dense[i], dense[(i + 1) % dense.size()]);
  return length;
}

struct Recipe {
  float radius, harmonic2, harmonic3, turn, targetLength;
};

const Recipe kRecipes[kWorldCount] = {
    {560.0f, 0.16f, 0.09f, 0.6f, 3700.0f},
    {520.0f, 0.18f, 0.06f, 2.4f, 3350.0f},
    {640.0f, 0.12f, 0.08f, 4.1f, 4150.0f},
};

std::vector<P2> ControlPoints(const Recipe& r, Rng* rng) {
  const float phase2 = rng->Range(0.0f, 2 * kPi), phase3 = rng->Range(0.0f, 2 * kPi);
  std::vector<P2> c;
  // The start straight: four collinear points on the tangent at angle 0.
  for (float along : {-210.0f, -70.0f, 70.0f, 210.0f}) c.push_back({r.radius, along});
  for (int k = 0; k < 10; ++k) {
    const float a = (45.0f + 30.0f * k) * kPi / 180.0f;
    const float rr = r.radius * (1.0f + r.harmonic2 * std::sin(2 * a + phase2) * std::sin(a * 0.5f) +
                                 r.harmonic3 * std::sin(3 * a + phase3) * std::sin(a * 0.5f));
    c.push_back({rr * std::cos(a), rr * std::sin(a)});
  }
  // Turn the whole loop so the three worlds do not share a layout.
  const float cs = std::cos(r.turn), sn = std::sin(r.turn);
  for (P2& p : c) p = {p.x * cs - p.z * sn, p.x * sn + p.z * cs};
  return c;
}

void MakeTerrainRecipe(WorldPlan* plan, Rng* rng) {
  const int w = plan->index;
  const int waves = w == 0 ? 5 : w == 1 ? 4 : 3;
  plan->baseHeight = w == 0 ? 45.0f : w == 1 ? 8.0f : 22.0f;
  plan->rimHeight = w == 0 ? 130.0f : w == 1 ? 55.0f : 35.0f;
  // World 0's hills are broad enough that a lorry holds their flanks: its slopes stay
  // near the banks' 1 in 3 (the draws are the same for every world, only scaled).
  const float stretch = w == 0 ? kHillStretch : 1.0f;
  const float lift = w == 0 ? kHillLift : 1.0f;
  for (int i = 0; i < waves; ++i) {
    const float wavelength = rng->Range(260.0f, 900.0f) * stretch;
    const float angle = rng->Range(0.0f, 2 * kPi);
    const float amp = w == 0 ? rng->Range(8.0f, 22.0f) * lift : w == 1 ? rng->Range(1.5f, 3.5f)
                                                               : rng->Range(2.0f, 5.0f);
    plan->waves.push_back({std::cos(angle) * 2 * kPi / wavelength,
                           std::sin(angle) * 2 * kPi / wavelength, rng->Range(0.0f, 2 * kPi), amp});
  }
  const int bumps = w == 0 ? 10 : w == 1 ? 4 : 4;
  for (int i = 0; i < bumps; ++i) {
    const float h = w == 0 ? rng->Range(35.0f, 85.0f) * lift : rng->Range(6.0f, 14.0f);
    plan->bumps.push_back({rng->Range(-1300.0f, 1300.0f), rng->Range(-1300.0f, 1300.0f),
                           rng->Range(140.0f, 340.0f) * stretch, h});
  }
}

void PlaceLakes(WorldPlan* plan, Rng* rng) {
  if (plan->index != 1) return;
  int tries = 0;
  while (plan->lakes.size() < 6 && tries++ < 400) {
    const Lake lake = {rng->Range(-1250.0f, 1250.0f), rng->Range(-1250.0f, 1250.0f),
                       rng->Range(90.0f, 200.0f), 22.0f};
    bool clear = true;
    for (const RoadSample& s : plan->road)
      if (std::hypot(s.x - lake.x, s.z - lake.z) < lake.radius + 90.0f) clear = false;
    for (const Lake& other : plan->lakes)
      if (std::hypot(other.x - lake.x, other.z - lake.z) < lake.radius + other.radius + 40.0f)
        clear = false;
    if (clear) plan->lakes.push_back(lake);
  }
}

void BuildBuckets(WorldPlan* plan) {
  plan->buckets.assign(kBucketsPerSide * kBucketsPerSide, {});
  for (size_t i = 0; i < plan->road.size(); ++i) {
    const int bx = static_cast<int>((plan->road[i].x + kBucketsPerSide * kBucketSize / 2) / kBucketSize);
    const int bz = static_cast<int>((plan->road[i].z + kBucketsPerSide * kBucketSize / 2) / kBucketSize);
    if (bx >= 0 && bz >= 0 && bx < kBucketsPerSide && bz < kBucketsPerSide)
      plan->buckets[bz * kBucketsPerSide + bx].push_back(static_cast<int>(i));
  }
}

float SmoothStep(float t) {
  t = std::min(1.0f, std::max(0.0f, t));
  return t * t * (3 - 2 * t);
}

// Road level: the natural ground along the line, averaged over a long window, grades
// limited, and held level around the start for the grid.
void MakeProfile(WorldPlan* plan) {
  std::vector<RoadSample>& road = plan->road;
  const int n = static_cast<int>(road.size());
  std::vector<float> h(n), tmp(n);
  for (int i = 0; i < n; ++i) h[i] = NaturalHeight(*plan, road[i].x, road[i].z);
  const int window = static_cast<int>(140.0f / kRoadSampleStep);
  for (int pass = 0; pass < 3; ++pass) {
    for (int i = 0; i < n; ++i) {
      float sum = 0;
      for (int k = -window; k <= window; ++k) sum += h[(i + k + n) % n];
      tmp[i] = sum / (2 * window + 1);
    }
    h.swap(tmp);
  }
  if (plan->index == 1)
    for (float& v : h) v = std::max(v, 2.5f);
  // Grades first, round the whole loop, then the level start stretch with a long
  // easing so the easing itself stays gentle.
  const float maxRise = kMaxGrade * kRoadSampleStep;
  for (int pass = 0; pass < 6; ++pass) {
    for (int i = 1; i <= n; ++i) h[i % n] = std::min(std::max(h[i % n], h[i - 1] - maxRise), h[i - 1] + maxRise);
    for (int i = n - 1; i >= 0; --i) h[i] = std::min(std::max(h[i], h[(i + 1) % n] - maxRise), h[(i + 1) % n] + maxRise);
  }
  const int flat = static_cast<int>(kStartFlatHalf / kRoadSampleStep);
  const int blend = static_cast<int>(140.0f / kRoadSampleStep);
  float level = 0;
  for (int k = -flat; k <= flat; ++k) level += h[(k + n) % n];
  level /= (2 * flat + 1);
  for (int k = -(flat + blend); k <= flat + blend; ++k) {
    const int i = (k + n) % n;
    const int off = std::abs(k);
    const float t = off <= flat ? 0.0f : SmoothStep(static_cast<float>(off - flat) / blend);
    h[i] = level + (h[i] - level) * t;
  }
  // The easing toward a start level far from the hills' would climb past the grade
  // limit: limit it again, leaving the level stretch itself alone.
  auto inStart = [&](int i) { return std::min(i, n - i) <= flat; };
  for (int pass = 0; pass < 6; ++pass) {
    for (int i = 1; i <= n; ++i)
      if (!inStart(i % n)) h[i % n] = std::min(std::max(h[i % n], h[i - 1] - maxRise), h[i - 1] + maxRise);
    for (int i = n - 1; i >= 0; --i)
      if (!inStart(i)) h[i] = std::min(std::max(h[i], h[(i + 1) % n] - maxRise), h[(i + 1) % n] + maxRise);
  }
  // Round off the kinks the grade limit leaves: the ground is drawn with straight
  // segments between its vertices, and over a sharp dip they would rise through the road.
  const int round = static_cast<int>(45.0f / kRoadSampleStep);
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i < n; ++i) {
      float sum = 0;
      for (int k = -round; k <= round; ++k) sum += h[(i + k + n) % n];
      tmp[i] = sum / (2 * round + 1);
    }
    h.swap(tmp);
  }
  for (int i = 0; i < n; ++i) road[i].y = h[i] + kRoadLift;
}

}  // namespace

WorldPlan MakeWorldPlan(int w) {
  WorldPlan plan;
  plan.index = w;
  Rng rng(0x57A7E000ull + 7919ull * static_cast<uint64_t>(w));
  MakeTerrainRecipe(&plan, &rng);
  const Recipe& recipe = kRecipes[w];
  std::vector<P2> control = ControlPoints(recipe, &rng);
  const float scale = recipe.targetLength / LoopLength(DenseLoop(control));
  for (P2& p : control) p = {p.x * scale, p.z * scale};
  const std::vector<P2> dense = DenseLoop(control);
  // Waypoint 0 sits in the middle of the straight, between control points 1 and 2.
  const P2 start = Lerp2(control[1], control[2], 0.5f, 0.5f);
  size_t first = 0;
  for (size_t i = 0; i < dense.size(); ++i)
    if (Dist2(dense[i], start) < Dist2(dense[first], start)) first = i;
  const float length = LoopLength(dense);
  const int waypoints = static_cast<int>(std::lround(length / kWaypointSpacing));
  const int samples = 2 * waypoints;
  const float step = length / samples;
  plan.length = length;
  size_t at = first;
  float walked = 0, segment = Dist2(dense[at], dense[(at + 1) % dense.size()]);
  for (int j = 0; j < samples; ++j) {
    const float target = j * step;
    while (walked + segment < target) {
      walked += segment;
      at = (at + 1) % dense.size();
      segment = Dist2(dense[at], dense[(at + 1) % dense.size()]);
    }
    const float u = segment > 0 ? (target - walked) / segment : 0.0f;
    const P2 p = Lerp2(dense[at], dense[(at + 1) % dense.size()], 1 - u, u);
    plan.road.push_back({p.x, p.z, 0.0f, 0.0f, 0.0f, target});
  }
  const int n = static_cast<int>(plan.road.size());
  for (int i = 0; i < n; ++i) {
    const RoadSample& a = plan.road[(i + n - 1) % n];
    const RoadSample& b = plan.road[(i + 1) % n];
    const float len = std::hypot(b.x - a.x, b.z - a.z);
    plan.road[i].dx = (b.x - a.x) / len;
    plan.road[i].dz = (b.z - a.z) / len;
  }
  BuildBuckets(&plan);
  PlaceLakes(&plan, &rng);
  MakeProfile(&plan);
  return plan;
}

float RoadDistance(const WorldPlan& plan, float x, float z, float* roadGround) {
  const int bx = static_cast<int>(std::floor((x + kBucketsPerSide * kBucketSize / 2) / kBucketSize));
  const int bz = static_cast<int>(std::floor((z + kBucketsPerSide * kBucketSize / 2) / kBucketSize));
  int best = -1;
  float bestD = 1e18f;
  for (int dz = -1; dz <= 1; ++dz)
    for (int dx = -1; dx <= 1; ++dx) {
      const int cx = bx + dx, cz = bz + dz;
      if (cx < 0 || cz < 0 || cx >= kBucketsPerSide || cz >= kBucketsPerSide) continue;
      for (int i : plan.buckets[cz * kBucketsPerSide + cx]) {
        const float d = (plan.road[i].x - x) * (plan.road[i].x - x) +
                        (plan.road[i].z - z) * (plan.road[i].z - z);
        if (d < bestD) bestD = d, best = i;
      }
    }
  if (best < 0) return 1e9f;
  const int n = static_cast<int>(plan.road.size());
  float result = std::sqrt(bestD);
  float level = plan.road[best].y - kRoadLift;
  for (int side = -1; side <= 1; side += 2) {
    const RoadSample& a = plan.road[best];
    const RoadSample& b = plan.road[(best + side + n) % n];
    const float ex = b.x - a.x, ez = b.z - a.z;
    const float len2 = ex * ex + ez * ez;
    float t = len2 > 0 ? ((x - a.x) * ex + (z - a.z) * ez) / len2 : 0.0f;
    t = std::min(1.0f, std::max(0.0f, t));
    const float d = std::hypot(a.x + t * ex - x, a.z + t * ez - z);
    if (d < result) {
      result = d;
      level = a.y + t * (b.y - a.y) - kRoadLift;
    }
  }
  if (roadGround) *roadGround = level;
  return result;
}

void BankLimits(const WorldPlan& plan, float x, float z, float* upper, float* lower) {
  const int bx = static_cast<int>(std::floor((x + kBucketsPerSide * kBucketSize / 2) / kBucketSize));
  const int bz = static_cast<int>(std::floor((z + kBucketsPerSide * kBucketSize / 2) / kBucketSize));
  for (int dz = -kBankSearchBuckets; dz <= kBankSearchBuckets; ++dz)
    for (int dx = -kBankSearchBuckets; dx <= kBankSearchBuckets; ++dx) {
      const int cx = bx + dx, cz = bz + dz;
      if (cx < 0 || cz < 0 || cx >= kBucketsPerSide || cz >= kBucketsPerSide) continue;
      for (int i : plan.buckets[cz * kBucketsPerSide + cx]) {
        const RoadSample& s = plan.road[i];
        const float rise = BankRise(std::hypot(s.x - x, s.z - z));
        const float level = s.y - kRoadLift;
        *upper = std::min(*upper, level + rise);
        *lower = std::max(*lower, level - rise);
      }
    }
}

}  // namespace world
}  // namespace basegen
