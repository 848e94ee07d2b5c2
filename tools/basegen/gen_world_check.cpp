// basegen --check for the world folders and race paths: every file re-read with the
// game's readers, then the rules that tie them together.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <tuple>

#include "gfx/image_tga.h"
#include "gfx/milkshape.h"
#include "race/leaf_builder.h"
#include "race/waypoints.h"
#include "tools/basegen/gen_world.h"

namespace basegen {
namespace world {

namespace {

using Problems = std::vector<std::string>;

// Parts per roadside object type; each part is a model under base/objects/.
constexpr int kPartsOfType[18] = {1, 1, 1, 2, 2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 3, 3, 3, 1};

sbm::Mesh ToMesh(const Model& m) {
  sbm::Mesh out;
  for (int i = 0; i < m.vertexCount; ++i) out.AddVertex(m.vertices[i].x, m.vertices[i].y, m.vertices[i].z);
  for (int t = 0; t < m.triangleCount; ++t) {
    sbm::Triangle tri;
    for (int k = 0; k < 3; ++k) tri.vertex[k] = static_cast<uint16_t>(m.triangles[t].vertexIndices[k]);
    out.triangles.push_back(tri);
  }
  for (int g = 0; g < m.groupCount; ++g) {
    out.AddGroup("g", m.groups[g].materialIndex);
    for (int i = 0; i < m.groups[g].triangleCount; ++i)
      out.groups[g].triangles.push_back(static_cast<uint16_t>(m.groups[g].triangleIndices[i]));
  }
  return out;
}

struct LoadedWorld {
  std::string dir;
  std::vector<uint8_t> bytes[16];
  std::unique_ptr<MilkshapeModel> models[16];
};

// File order of LoadedWorld: the ten render layers, then these.
enum { kPhysic = 10, kRoadLinear, kLandscapeLinear, kGrassLayer, kTreeLayer, kWaterLayer };
const char* ModelName(int i) {
  static const char* const extra[] = {"physic", "main_road_linear", "main_landscape_linear",
                                      "grass", "trees", "water"};
  return i < 10 ? kRenderLayerFiles[i] : extra[i - 10];
}

bool LoadModel(const std::string& path, std::vector<uint8_t>* bytes, MilkshapeModel* m,
               Problems* problems) {
  if (!ReadWholeFile(path, bytes)) {
    problems->push_back(path + ": missing");
    return false;
  }
  const SbmResult r = m->LoadFromMemory(bytes->data(), bytes->size());
  if (r == SbmResult::kNotFinite) {
    problems->push_back(path + ": holds a position, normal or texture coordinate that is not a number");
    return false;
  }
  if (r != SbmResult::kOk) {
    problems->push_back(path + ": the game's reader refuses it");
    return false;
  }
  return true;
}

// Every vertex inside the world's box (the reader has refused non-finite values);
// false when not.
bool CheckBounds(const std::string& name, const Model& m, Problems* problems) {
  for (int i = 0; i < m.vertexCount; ++i) {
    const ModelVertex& v = m.vertices[i];
    if (!(std::fabs(v.x) <= kWorldLimit && std::fabs(v.z) <= kWorldLimit && v.y >= kMinY && v.y <= kMaxY)) {
      char buf[160];
      std::snprintf(buf, sizeof buf, "%s: vertex %d at (%.1f, %.1f, %.1f) outside the world", name.c_str(),
                    i, v.x, v.y, v.z);
      problems->push_back(buf);
      return false;
    }
  }
  return true;
}

void CheckCompanion(const std::string& name, const Model& a, const Model& b, Problems* problems) {
  bool same = a.triangleCount == b.triangleCount && a.groupCount == b.groupCount;
  for (int g = 0; same && g < a.groupCount; ++g) {
    same = a.groups[g].triangleCount == b.groups[g].triangleCount;
    for (int i = 0; same && i < a.groups[g].triangleCount; ++i)
      same = a.groups[g].triangleIndices[i] == b.groups[g].triangleIndices[i];
  }
  for (int t = 0; same && t < a.triangleCount; ++t)
    for (int k = 0; k < 3 && same; ++k) {
      const ModelVertex& p = a.vertices[a.triangles[t].vertexIndices[k]];
      const ModelVertex& q = b.vertices[b.triangles[t].vertexIndices[k]];
      same = p.x == q.x && p.y == q.y && p.z == q.z;
    }
  if (!same) problems->push_back(name + ": the linear companion does not hold the same triangles");
}

// Texture-space area of every triangle: a zero area leaves the tangent frame undefined.
void CheckUvArea(const std::string& name, const Model& m, Problems* problems) {
  for (int t = 0; t < m.triangleCount; ++t) {
    const float (*uv)[2] = m.triangles[t].texCoords;
    const float area = (uv[1][0] - uv[0][0]) * (uv[2][1] - uv[0][1]) - (uv[2][0] - uv[0][0]) * (uv[1][1] - uv[0][1]);
    if (!(std::fabs(area) > 1e-12f)) {
      problems->push_back(name + ": triangle " + std::to_string(t) + " has no texture area");
      return;
    }
  }
}

void CheckTexture(const std::string& path, Problems* problems) {
  std::vector<uint8_t> bytes;
  TgaImage image;
  if (!ReadWholeFile(path, &bytes)) {
    problems->push_back(path + ": missing");
  } else if (DecodeTGA(bytes.data(), bytes.size(), &image) != TgaResult::kOk) {
    problems->push_back(path + ": not a TGA the game reads");
  } else if (bytes.size() != kTgaHeaderSize + image.pixels.size()) {
    problems->push_back(path + ": size differs from its header");
  }
}

void CheckMaterials(const LoadedWorld& lw, Problems* problems) {
  // Which table each layer's groups index: the add-on, shadow and reflection layers
  // take their materials from main_map's or main_transparency's table.
  const int source[16] = {0, 1, 2, 3, 2, 2, 3, 3, 3, 3, -1, -1, -1, -1, -1, kWaterLayer};
  for (int i = 0; i < 16; ++i) {
    if (source[i] < 0) continue;
    const Model& m = *lw.models[i];
    const Model& table = *lw.models[source[i]];
    for (int g = 0; g < m.groupCount; ++g) {
      const int mat = m.groups[g].materialIndex;
      if (mat < 0 || mat >= table.materialCount || mat >= m.materialCount)
        problems->push_back(lw.dir + ModelName(i) + ": group " + std::to_string(g) + " names no material");
    }
  }
  for (int i : {0, 1, 2, 3, static_cast<int>(kWaterLayer)}) {
    const Model& m = *lw.models[i];
    for (int k = 0; k < m.materialCount; ++k)
      for (const char* file : {m.materials[k].textureFile, m.materials[k].alphaMapFile})
        if (file && *file) CheckTexture(lw.dir + "../textures/" + file, problems);
  }
}

// rebuild: the layers the leaf builder reads passed their own checks; a damaged one
// (a triangle far outside the world) would only keep the builder busy for nothing.
void CheckQuadTree(int w, const LoadedWorld& lw, bool rebuild, Problems* problems) {
  const std::string path = lw.dir + "qt.qt";
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, &bytes)) {
    problems->push_back(path + ": missing");
    return;
  }
  QuadTreeModels models;
  for (int k = 0; k < 10; ++k) models.layers[k] = lw.models[k].get();
  std::vector<QuadTreeList> leaves;
  if (!DecodeQuadTreeFile(bytes.data(), bytes.size(), models, &leaves)) {
    problems->push_back(path + ": does not match the layers' group counts or is cut short");
    return;
  }
  if (!rebuild) {
    problems->push_back(path + ": not compared with the leaf builder's output, as its layers are damaged");
    return;
  }
  LayerFileBytes in;
  for (int k = 0; k < 10; ++k) in.layers[k] = &lw.bytes[k];
  in.roadLinear = &lw.bytes[kRoadLinear];
  in.landscapeLinear = &lw.bytes[kLandscapeLinear];
  in.grass = &lw.bytes[kGrassLayer];
  in.trees = &lw.bytes[kTreeLayer];
  std::vector<uint8_t> rebuilt;
  std::string error;
  if (!MakeQuadTreeBytes(w, in, &rebuilt, &error)) problems->push_back(path + ": " + error);
  else if (rebuilt != bytes) problems->push_back(path + ": differs from what the leaf builder makes of the layers");
}

void CheckObjects(const LoadedWorld& lw, const SurfaceIndex& surface, const std::string& root,
                  Problems* problems) {
  for (int race = 1; race <= kRaceCount; ++race) {
    const std::string path = lw.dir + "objects" + std::to_string(race) + ".sbm";
    std::vector<uint8_t> bytes;
    MilkshapeModel m;
    if (!LoadModel(path, &bytes, &m, problems)) continue;
    CheckBounds(path, m, problems);
    // The race numbers its objects along the group lists, one per listed triangle, so
    // a triangle listed twice is two objects: the lists, not the triangles, must stay
    // within the 1000 object records.
    int64_t listed = 0;
    for (int g = 0; g < m.groupCount; ++g) listed += m.groups[g].triangleCount;
    if (m.triangleCount > 1000 || listed > 1000) problems->push_back(path + ": more than 1000 objects");
    if (m.groupCount > 18) problems->push_back(path + ": a group beyond the object types");
    for (int g = 0; g < m.groupCount && g < 18; ++g) {
      if (m.groups[g].triangleCount > 0)
        for (int part = 0; part < kPartsOfType[g]; ++part) {
          const std::string partFile = root + "/objects/object" + std::to_string(g) + "part" +
                                       std::to_string(part) + ".sbm";
          std::vector<uint8_t> partBytes;
          if (!ReadWholeFile(partFile, &partBytes)) problems->push_back(path + ": uses missing " + partFile);
        }
      for (int i = 0; i < m.groups[g].triangleCount; ++i) {
        const ModelTriangle& t = m.triangles[m.groups[g].triangleIndices[i]];
        const ModelVertex& b = m.vertices[t.vertexIndices[1]];
        const ModelVertex& c = m.vertices[t.vertexIndices[2]];
        float y;
        if (!surface.HeightAt(b.x, b.z, &y) || std::fabs(y - b.y) > 0.05f || c.y - b.y < 0.5f) {
          problems->push_back(path + ": object " + std::to_string(i) + " of type " + std::to_string(g) +
                              " does not stand upright on the ground");
          break;
        }
      }
    }
  }
}

// The road lies on its ground: the landscape and the physics ground under every road
// corner and centre sit a little below the road, never above it and never far below.
void CheckRoadOnGround(const std::string& dir, const Model& road, const Model& landscape,
                       const Model& physic, Problems* problems) {
  const sbm::Mesh land = ToMesh(landscape), phys = ToMesh(physic);
  const SurfaceIndex drawn(land), ground1(phys, 1), ground2(phys, 2);
  float worst = 0, highest = -1e9f;
  for (int t = 0; t < road.triangleCount; ++t) {
    float px[4], pz[4], py[4];
    for (int k = 0; k < 3; ++k) {
      const ModelVertex& v = road.vertices[road.triangles[t].vertexIndices[k]];
      px[k] = v.x, py[k] = v.y, pz[k] = v.z;
    }
    px[3] = (px[0] + px[1] + px[2]) / 3, py[3] = (py[0] + py[1] + py[2]) / 3, pz[3] = (pz[0] + pz[1] + pz[2]) / 3;
    for (int k = 0; k < 4; ++k) {
      float a, b;
      if (!drawn.HeightAt(px[k], pz[k], &a) || !(ground1.HeightAt(px[k], pz[k], &b) || ground2.HeightAt(px[k], pz[k], &b))) {
        problems->push_back(dir + "main_road: a corner has no ground under it");
        return;
      }
      highest = std::max(highest, std::max(a, b) - py[k]);
      worst = std::max(worst, py[k] - std::min(a, b));
    }
  }
  if (highest > -0.01f || worst > 0.5f) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "main_road: ground reaches %.2f above and %.2f below the road", highest, worst);
    problems->push_back(dir + buf);
  }
}

// A wheel leaving or regaining the road meets no step: along every outer edge of the
// physics layer's ribbon, the highest other surface just outside lies within
// kEdgeStep of the ribbon's edge. A step of the ribbon's whole lift changes one side's
// springs at once by as much as tips a lorry at rest.
constexpr float kEdgeStep = 0.06f;

void CheckRoadEdges(const std::string& dir, const sbm::Mesh& physic, Problems* problems) {
  if (physic.groups.size() < 3) return;  // the layer's own checks name a missing group
  struct Key {
    float c[6];
    bool operator<(const Key& o) const { return std::lexicographical_compare(c, c + 6, o.c, o.c + 6); }
  };
  struct Side {
    int uses = 0;
    sbm::Vertex a, b, opposite;
  };
  std::map<Key, Side> edges;
  for (uint16_t t : physic.groups[0].triangles) {
    const sbm::Triangle& tri = physic.triangles[t];
    for (int k = 0; k < 3; ++k) {
      sbm::Vertex a = physic.vertices[tri.vertex[k]], b = physic.vertices[tri.vertex[(k + 1) % 3]];
      const sbm::Vertex& c = physic.vertices[tri.vertex[(k + 2) % 3]];
      if (std::tie(b.x, b.y, b.z) < std::tie(a.x, a.y, a.z)) std::swap(a, b);
      Side& s = edges[Key{{a.x, a.y, a.z, b.x, b.y, b.z}}];
      ++s.uses;
      s.a = a, s.b = b, s.opposite = c;
    }
  }
  const SurfaceIndex grass(physic, 1), water(physic, 2);
  float worst = 0;
  for (const auto& e : edges) {
    const Side& s = e.second;
    if (s.uses != 1) continue;  // shared by two ribbon triangles: inside the road
    const float mx = 0.5f * (s.a.x + s.b.x), my = 0.5f * (s.a.y + s.b.y), mz = 0.5f * (s.a.z + s.b.z);
    float nx = s.b.z - s.a.z, nz = s.a.x - s.b.x;
    const float len = std::hypot(nx, nz);
    if (!(len > 0.0f)) continue;
    nx /= len, nz /= len;
    if ((s.opposite.x - mx) * nx + (s.opposite.z - mz) * nz > 0) nx = -nx, nz = -nz;
    const float px = mx + 0.1f * nx, pz = mz + 0.1f * nz;
    float y = -1e9f, h;
    if (grass.HeightAt(px, pz, &h)) y = std::max(y, h);
    if (water.HeightAt(px, pz, &h)) y = std::max(y, h);
    if (y > -1e8f) worst = std::max(worst, std::fabs(my - y));
  }
  if (worst > kEdgeStep) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "physic: the ground meets the road's edge with a step of %.2f", worst);
    problems->push_back(dir + buf);
  }
}

void CheckWorld(int w, const std::string& root, const std::string& dir, Problems* problems,
                std::unique_ptr<MilkshapeModel>* physicOut) {
  LoadedWorld lw;
  lw.dir = dir;
  bool all = true;
  for (int i = 0; i < 16; ++i) {
    lw.models[i].reset(new MilkshapeModel());
    all = LoadModel(dir + ModelName(i) + ".sbm", &lw.bytes[i], lw.models[i].get(), problems) && all;
  }
  for (const std::string& t : WorldTextureNames()) CheckTexture(dir + "../textures/" + t, problems);
  if (!all) return;
  bool builderInputsSound = true;
  for (int i = 0; i < 16; ++i)
    if (!CheckBounds(dir + ModelName(i), *lw.models[i], problems) && i != kPhysic && i != kWaterLayer)
      builderInputsSound = false;
  CheckCompanion(dir + "main_road", *lw.models[0], *lw.models[kRoadLinear], problems);
  CheckCompanion(dir + "main_landscape", *lw.models[1], *lw.models[kLandscapeLinear], problems);
  for (int i : {0, 1, static_cast<int>(kRoadLinear), static_cast<int>(kLandscapeLinear)})
    CheckUvArea(dir + ModelName(i), *lw.models[i], problems);
  CheckMaterials(lw, problems);
  CheckRoadOnGround(dir, *lw.models[0], *lw.models[1], *lw.models[kPhysic], problems);
  CheckQuadTree(w, lw, builderInputsSound, problems);
  const sbm::Mesh physic = ToMesh(*lw.models[kPhysic]);
  CheckRoadEdges(dir, physic, problems);
  const SurfaceIndex surface(physic);
  CheckObjects(lw, surface, root, problems);
  *physicOut = std::move(lw.models[kPhysic]);
}

void CheckPaths(const std::string& root, std::unique_ptr<MilkshapeModel> physic[kWorldCount],
                Problems* problems) {
  sbm::Mesh roads[kWorldCount];
  std::unique_ptr<SurfaceIndex> onRoad[kWorldCount];
  for (int w = 0; w < kWorldCount; ++w)
    if (physic[w]) {
      roads[w] = ToMesh(*physic[w]);
      onRoad[w].reset(new SurfaceIndex(roads[w], 0));
    }
  for (int race = 1; race <= kRaceCount; ++race) {
    const std::string path = root + "/world/races/" + std::to_string(race) + ".ai";
    std::vector<uint8_t> bytes;
    std::vector<Waypoint> p;
    if (!ReadWholeFile(path, &bytes) || !DecodeRacePath(bytes.data(), bytes.size(), &p)) {
      problems->push_back(path + ": missing or unreadable");
      continue;
    }
    auto fail = [&](const std::string& why) { problems->push_back(path + ": " + why); };
    if (bytes.size() != 4 + 16 * p.size()) fail("size differs from its count");
    const size_t n = p.size();
    if (n < 3) {
      fail("too few waypoints");
      continue;
    }
    // The whole loop is measured even past a bad spacing, so the length reported is
    // the path's, not that of its first stretch.
    float length = 0;
    bool spaced = true;
    for (size_t i = 0; i < n; ++i) {
      const Waypoint& a = p[i];
      const Waypoint& b = p[(i + 1) % n];
      const float d = std::hypot(b.x - a.x, b.z - a.z);
      length += d;
      if (spaced && !(d >= 6.5f && d <= 7.5f)) {
        fail("waypoints " + std::to_string(i) + " and the next are not 7 units apart");
        spaced = false;
      }
    }
    if (length < kMinLoop || length > kMaxLoop) fail("loop length " + std::to_string(length));
    std::vector<Waypoint> marked = p;
    for (Waypoint& wp : marked) wp.kind = kWaypointPlain;
    MarkCheckpoints(&marked);
    for (size_t i = 0; i < n; ++i)
      if (marked[i].kind != p[i].kind) {
        fail("checkpoint kinds differ from the recorder's rule at " + std::to_string(i));
        break;
      }
    const SurfaceIndex* road = onRoad[WorldOfRace(race)].get();
    if (!road) continue;
    for (size_t i = 0; i < n; ++i) {
      float y;
      if (!road->HeightAt(p[i].x, p[i].z, &y) || std::fabs(p[i].y - y - kWaypointLift) > 0.1f) {
        fail("waypoint " + std::to_string(i) + " is not one unit over the road");
        break;
      }
    }
    // The grid: four cars from 10 behind to 5 ahead of waypoint 0, 3 to each side, on
    // level road.
    const float dx = p[1].x - p[0].x, dz = p[1].z - p[0].z, dl = std::hypot(dx, dz);
    // Waypoints 0 and 1 on one spot give the grid no direction (the spacing rule has
    // named them already).
    if (!(dl > 0.0f)) continue;
    const float fx = dx / dl, fz = dz / dl, sx = fz, sz = -fx;
    for (int car = 0; car < 4; ++car) {
      const float along = 10.0f - 5.0f * car, side = car % 2 ? -3.0f : 3.0f;
      for (float edge : {-1.7f, 1.7f}) {
        const float x = p[0].x - (along * fx + (side + edge) * sx);
        const float z = p[0].z - (along * fz + (side + edge) * sz);
        float y;
        if (!road->HeightAt(x, z, &y) || std::fabs(y + kWaypointLift - p[0].y) > 0.05f) {
          fail("the start grid is not on level road");
          car = 4;
          break;
        }
      }
    }
  }
}

}  // namespace

void CheckWorldFiles(const std::string& root, std::vector<std::string>* problems) {
  std::unique_ptr<MilkshapeModel> physic[kWorldCount];
  for (int w = 0; w < kWorldCount; ++w)
    CheckWorld(w, root, root + "/world/" + std::to_string(w) + "/models/", problems, &physic[w]);
  CheckPaths(root, physic, problems);
}

}  // namespace world
}  // namespace basegen
