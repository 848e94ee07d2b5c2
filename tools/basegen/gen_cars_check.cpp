// Re-reads the lorries, their running gear and the garage with the game's own .sbm
// and TGA readers and holds them to what the loaders and the car pass assume.
#include <cmath>
#include <cstdio>
#include <string>

#include "gfx/milkshape.h"
#include "tools/basegen/gen_cars_layout.h"
#include "tools/basegen/gen_textures_image.h"

namespace basegen {

std::string CheckModelFile(const std::string& root, const std::string& rel, bool tangentFrames,
                           const std::string& textureFolder, MilkshapeModel* model) {
  const SbmResult read = model->LoadFile((root + "/" + rel).c_str());
  if (read == SbmResult::kNotFinite) return rel + " holds a position, normal or texture coordinate that is not a number";
  if (read != SbmResult::kOk) return rel + " does not load as a model";
  if (model->triangleCount == 0) return rel + " holds no triangles";
  for (int g = 0; g < model->groupCount; ++g) {
    const int mi = model->groups[g].materialIndex;
    if (mi < -1 || mi >= model->materialCount) return rel + " names a material it does not hold";
  }
  if (!textureFolder.empty())
    for (int i = 0; i < model->materialCount; ++i) {
      const char* name = model->materials[i].textureFile;
      if (name && name[0] && !CheckTexture(root, textureFolder + name).empty())
        return rel + " names the texture " + name + ", which does not load";
    }
  // Tangent frames divide by the texture area of each triangle.
  for (int t = 0; tangentFrames && t < model->triangleCount; ++t) {
    const float (*uv)[2] = model->triangles[t].texCoords;
    const float area = (uv[1][0] - uv[0][0]) * (uv[2][1] - uv[0][1]) - (uv[2][0] - uv[0][0]) * (uv[1][1] - uv[0][1]);
    if (std::fabs(area) < 1e-9f) return rel + " has a triangle without texture area";
  }
  return std::string();
}

namespace {

struct Bounds {
  float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
};

Bounds BoundsOf(const MilkshapeModel& m) {
  Bounds b;
  for (int v = 0; v < m.vertexCount; ++v) {
    const float p[3] = {m.vertices[v].x, m.vertices[v].y, m.vertices[v].z};
    for (int k = 0; k < 3; ++k) {
      b.lo[k] = std::fmin(b.lo[k], p[k]);
      b.hi[k] = std::fmax(b.hi[k], p[k]);
    }
  }
  return b;
}

void Note(std::vector<std::string>* problems, const std::string& why) {
  if (!why.empty()) problems->push_back(why);
}

V3 Corner(const MilkshapeModel& m, int tri, int k) {
  const ModelVertex& v = m.vertices[m.triangles[tri].vertexIndices[k]];
  return {v.x, v.y, v.z};
}

void CheckPoints(const std::string& root, const std::string& dir, std::vector<std::string>* problems) {
  MilkshapeModel m;
  const std::string rel = dir + "points.sbm";
  const std::string why = CheckModelFile(root, rel, false, "", &m);
  if (!why.empty()) return Note(problems, why);
  if (m.groupCount < 3 || m.groups[0].triangleCount < 1 || m.groups[1].triangleCount < 1 ||
      m.groups[2].triangleCount < 1) {
    problems->push_back(rel + " lacks the wheel, exhaust or beacon markers");
    return;
  }
  if (m.groups[2].triangleCount > 10) problems->push_back(rel + " has more beacon frames than a car holds");
  const ModelGroup& wheels = m.groups[0];
  const V3 p = Corner(m, wheels.triangleIndices[wheels.triangleCount - 1], 1);
  if (std::fabs(p.x - kHalfWheelbase) > 1e-3f || std::fabs(p.z + 0.125f - kHalfTrack) > 1e-3f)
    problems->push_back(rel + " places the wheels away from the drawn wheels");
}

// Whether p lies where a tyre can be: the front ones at any angle up to full lock,
// the rear twins straight, each with the body's clearance around it.
bool InTyreRoom(const V3& p) {
  const float r = kWheelRadius + kArchClearance;
  const float dy = p.y - kWheelCentreY;
  if (std::fabs(dy) >= r) return false;
  const float along = std::sqrt(r * r - dy * dy);
  for (float side : {1.0f, -1.0f}) {
    const float rz = p.z - side * kRearWheelZ;
    if (std::fabs(p.x + kHalfWheelbase) < along && std::fabs(rz) < 0.5f * kRearTyreWidth + kArchClearance) return true;
    const float dx = p.x - kHalfWheelbase, dz = p.z - side * kFrontWheelZ;
    const int kAngles = 12;
    for (int i = -kAngles; i <= kAngles; ++i) {
      const float a = kFullLock * static_cast<float>(i) / kAngles, c = std::cos(a), sn = std::sin(a);
      if (std::fabs(dx * c + dz * sn) < along && std::fabs(-dx * sn + dz * c) < 0.5f * kFrontTyreWidth + kArchClearance)
        return true;
    }
  }
  return false;
}

// The body drawn through a wheel shows as a wheel without its arch: every triangle,
// sampled on a grid, must stay out of the tyres' room.
void CheckArches(const MilkshapeModel& m, const std::string& rel, std::vector<std::string>* problems) {
  const int kSteps = 8;
  for (int t = 0; t < m.triangleCount; ++t) {
    const V3 a = Corner(m, t, 0), b = Corner(m, t, 1), c = Corner(m, t, 2);
    for (int i = 0; i <= kSteps; ++i)
      for (int j = 0; i + j <= kSteps; ++j) {
        const float u = static_cast<float>(i) / kSteps, v = static_cast<float>(j) / kSteps;
        const V3 p{a.x + (b.x - a.x) * u + (c.x - a.x) * v, a.y + (b.y - a.y) * u + (c.y - a.y) * v,
                   a.z + (b.z - a.z) * u + (c.z - a.z) * v};
        if (InTyreRoom(p)) {
          char where[96];
          std::snprintf(where, sizeof where, " (at %.2f, %.2f, %.2f)", p.x, p.y, p.z);
          problems->push_back(rel + " cuts through a wheel or its arch" + where);
          return;
        }
      }
  }
}

}  // namespace

void CheckCars(const std::string& root, std::vector<std::string>* problems) {
  static const char* kParts[5] = {"car", "car_shadow", "glass_car", "wheel_f", "wheel_r"};
  for (int model = 0; model < kCarModels; ++model) {
    const std::string dir = "cars/" + std::to_string(model) + "/";
    for (int level = 0; level < 3; ++level)
      for (int p = 0; p < 5; ++p) {
        const std::string rel = dir + "lod" + std::to_string(level) + "_" + kParts[p] + ".sbm";
        MilkshapeModel m;
        const std::string why = CheckModelFile(root, rel, p != 1, dir, &m);
        if (!why.empty()) {
          problems->push_back(why);
          continue;
        }
        const Bounds b = BoundsOf(m);
        if (p == 0 && m.groupCount < 5) problems->push_back(rel + " lacks the paint, lit and lamp groups");
        if (p == 0 || p == 2) CheckArches(m, rel, problems);
        if (p <= 2) {
          // Inside the physics box (7.5 x 2.2 x 3.2 at 0.6 up), with the ground below.
          if (b.lo[0] < -3.8f || b.hi[0] > 3.8f || b.lo[2] < -1.65f || b.hi[2] > 1.65f || b.hi[1] > 1.9f ||
              b.lo[1] < -1.0f)
          {
            char where[160];
            std::snprintf(where, sizeof where, " (%.2f..%.2f, %.2f..%.2f, %.2f..%.2f)", b.lo[0], b.hi[0], b.lo[1],
                          b.hi[1], b.lo[2], b.hi[2]);
            problems->push_back(rel + " does not fit the car's physics box" + where);
          }
        } else {
          const float r = std::fmax(b.hi[0], b.hi[1]);
          if (std::fabs(r - kWheelRadius) > 0.02f) problems->push_back(rel + " is not a wheel of radius 0.63");
        }
      }
    CheckPoints(root, dir, problems);
    for (const char* tex : {"car.tga", "car_normal.tga", "car_dirt_mask.tga"}) Note(problems, CheckTexture(root, dir + tex));
  }
  for (int level = 0; level < 3; ++level)
    for (int part = 0; part < 5; ++part) {
      MilkshapeModel m;
      Note(problems, CheckModelFile(root, "cars/parts/lod" + std::to_string(level) + "_part" + std::to_string(part) + ".sbm",
                                    true, "", &m));
      // The shared gear must sample only the region every skin reserves for it.
      for (int t = 0; t < m.triangleCount; ++t)
        for (int k = 0; k < 3; ++k) {
          const float u = m.triangles[t].texCoords[k][0], v = m.triangles[t].texCoords[k][1];
          if (u < kUvRunningGear.u0 - 1e-4f || u > kUvRunningGear.u1 + 1e-4f || v < kUvRunningGear.v0 - 1e-4f ||
              v > kUvRunningGear.v1 + 1e-4f) {
            problems->push_back("cars/parts: running gear samples outside its skin region");
            t = m.triangleCount;
            break;
          }
        }
    }
}

void CheckGarage(const std::string& root, std::vector<std::string>* problems) {
  struct Entry {
    const char* file;
    bool tangentFrames;
  };
  const Entry models[4] = {{"garage.sbm", false}, {"special.sbm", true}, {"ground.sbm", true}, {"transparency.sbm", false}};
  for (const Entry& e : models) {
    MilkshapeModel m;
    const std::string why = CheckModelFile(root, std::string("garage/") + e.file, e.tangentFrames, "garage/", &m);
    if (!why.empty()) {
      problems->push_back(why);
      continue;
    }
    // The lorry on show at the origin must stand clear of everything but the floor.
    if (std::string(e.file) == "ground.sbm") continue;
    for (int v = 0; v < m.vertexCount; ++v) {
      const ModelVertex& p = m.vertices[v];
      if (std::fabs(p.x) < 4.5f && std::fabs(p.z) < 2.5f && p.y < 2.5f) {
        problems->push_back(std::string("garage/") + e.file + " stands where the car is shown");
        break;
      }
    }
  }
  for (int k = 0; k < 10; ++k) {
    char rel[32];
    std::snprintf(rel, sizeof rel, "garage/world%02d.tga", k);
    Note(problems, CheckTexture(root, rel));
  }
}

}  // namespace basegen
