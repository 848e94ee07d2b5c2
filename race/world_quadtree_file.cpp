#include "race/world_quadtree_file.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "gfx/model.h"

namespace {

constexpr int kCornerFloatsWide = 22;    // layers 0-1
constexpr int kCornerFloatsNarrow = 14;  // layers 2-9
constexpr int kGrassFileFloats = 5;
constexpr int kTreeFileFloats = 9;

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : p_(data), left_(size) {}
  bool Int(int32_t* v) {
    if (left_ < 4) return false;
    *v = static_cast<int32_t>(static_cast<uint32_t>(p_[0]) | static_cast<uint32_t>(p_[1]) << 8 |
                              static_cast<uint32_t>(p_[2]) << 16 |
                              static_cast<uint32_t>(p_[3]) << 24);
    p_ += 4;
    left_ -= 4;
    return true;
  }
  bool Float(float* f) {
    int32_t v;
    if (!Int(&v)) return false;
    std::memcpy(f, &v, 4);
    return std::isfinite(*f);
  }
  bool Floats(float* f, int n) {
    for (int i = 0; i < n; ++i)
      if (!Float(f + i)) return false;
    return true;
  }
  // A count read from the file is only believed when that many records of the given
  // size can still follow.
  bool Count(int32_t* n, size_t recordBytes) {
    if (!Int(n) || *n < 0) return false;
    return static_cast<uint64_t>(*n) * recordBytes <= left_;
  }
  size_t left() const { return left_; }

 private:
  const uint8_t* p_;
  size_t left_;
};

class Writer {
 public:
  explicit Writer(std::vector<uint8_t>* out) : out_(out) {}
  void Int(int32_t v) {
    const uint32_t u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) out_->push_back(static_cast<uint8_t>(u >> (8 * i)));
  }
  void Float(float f) {
    finite_ = finite_ && std::isfinite(f);
    int32_t v;
    std::memcpy(&v, &f, 4);
    Int(v);
  }
  void Floats(const float* f, int n) {
    for (int i = 0; i < n; ++i) Float(f[i]);
  }
  // False once a value was written that the reader refuses.
  bool finite() const { return finite_; }

 private:
  std::vector<uint8_t>* out_;
  bool finite_ = true;
};

int GroupCountOf(const Model* m) { return m ? m->groupCount : 0; }

bool ReadCorner(Reader* r, bool wide, LeafTriangle* t, int c) {
  if (!r->Floats(t->normal[c], 3) || !r->Floats(t->tangent[c], 3) ||
      !r->Floats(t->bitangent[c], 3))
    return false;
  if (wide) {
    if (!r->Floats(t->tangent2[c], 3) || !r->Floats(t->bitangent2[c], 3) ||
        !r->Floats(t->texCoord[c], 2) || !r->Floats(t->texCoord2[c], 2))
      return false;
  } else if (!r->Floats(t->texCoord[c], 2)) {
    return false;
  }
  return r->Floats(t->position[c], 3);
}

void WriteCorner(Writer* w, bool wide, const LeafTriangle& t, int c) {
  w->Floats(t.normal[c], 3);
  w->Floats(t.tangent[c], 3);
  w->Floats(t.bitangent[c], 3);
  if (wide) {
    w->Floats(t.tangent2[c], 3);
    w->Floats(t.bitangent2[c], 3);
    w->Floats(t.texCoord[c], 2);
    w->Floats(t.texCoord2[c], 2);
  } else {
    w->Floats(t.texCoord[c], 2);
  }
  w->Floats(t.position[c], 3);
}

bool ReadLeaf(Reader* r, const QuadTreeModels& models, QuadTreeList* leaf) {
  if (!r->Float(&leaf->x) || !r->Float(&leaf->y) || !r->Float(&leaf->z) ||
      !r->Float(&leaf->halfSize))
    return false;
  CollectLeafObjects(models.objects, leaf->x, leaf->z, leaf->halfSize, &leaf->objects);
  int32_t counts[kVegetationKinds];
  for (int k = 0; k < kVegetationKinds; ++k)
    if (!r->Int(&counts[k]) || counts[k] < 0) return false;
  for (int k = 0; k < kVegetationKinds; ++k) {
    const bool tree = k >= kGrassKinds;
    const int floats = tree ? kTreeFileFloats : kGrassFileFloats;
    if (static_cast<uint64_t>(counts[k]) * floats * 4 > r->left()) return false;
    std::vector<GrassInstance>& list = leaf->vegetation.instances[k];
    list.resize(static_cast<size_t>(counts[k]));
    for (GrassInstance& g : list) {
      float f[kTreeFileFloats] = {};
      if (!r->Floats(f, floats)) return false;
      g = {f[0], f[1], f[2], f[3], f[5], f[6], f[7], f[8], f[4]};
    }
  }
  for (int k = 0; k < kRenderLayerCount; ++k) {
    const bool wide = LayerHasSecondSet(k);
    const size_t triangleBytes = 3 * 4 * (wide ? kCornerFloatsWide : kCornerFloatsNarrow);
    int32_t groups;
    // The leaf's buckets are sized from the model; a file made for other layers is
    // refused rather than read into the wrong groups.
    if (!r->Int(&groups) || groups != GroupCountOf(models.layers[k])) return false;
    leaf->layers[k].assign(static_cast<size_t>(groups), Mesh());
    for (Mesh& mesh : leaf->layers[k]) {
      int32_t n;
      if (!r->Count(&n, triangleBytes)) return false;
      mesh.triangles.assign(static_cast<size_t>(n), LeafTriangle());
      for (LeafTriangle& t : mesh.triangles)
        for (int c = 0; c < 3; ++c)
          if (!ReadCorner(r, wide, &t, c)) return false;
    }
  }
  return true;
}

bool ReadWhole(const char* path, std::vector<uint8_t>* bytes) {
  FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes->insert(bytes->end(), buf, buf + n);
  std::fclose(f);
  return true;
}

}  // namespace

const char* QuadTreeFilePath(int world, char* buffer, size_t size) {
  if (size == 0) return buffer;
  buffer[0] = '\0';
  if (world >= 0 && world <= 2) std::snprintf(buffer, size, "base/world/%d/models/qt.qt", world);
  return buffer;
}

void CollectLeafObjects(const Model* objects, float x, float z, float half,
                        std::vector<int32_t>* out) {
  out->clear();
  if (!objects) return;
  int32_t running = 0;
  for (int g = 0; g < objects->groupCount; ++g) {
    const ModelGroup& group = objects->groups[g];
    for (int i = 0; i < group.triangleCount; ++i, ++running) {
      const ModelTriangle& t = objects->triangles[group.triangleIndices[i]];
      const ModelVertex& v = objects->vertices[t.vertexIndices[0]];
      if (x - half <= v.x && v.x <= x + half && z - half <= v.z && v.z <= z + half)
        out->push_back(running);
    }
  }
}

bool DecodeQuadTreeFile(const uint8_t* data, size_t size, const QuadTreeModels& models,
                        std::vector<QuadTreeList>* out) {
  if (!data) return false;
  Reader r(data, size);
  int32_t last;
  if (!r.Int(&last) || last != kWorldLeafCount - 1) return false;
  std::vector<QuadTreeList> leaves(kWorldLeafCount);
  for (QuadTreeList& leaf : leaves)
    if (!ReadLeaf(&r, models, &leaf)) return false;
  if (r.left() != 0) return false;
  out->swap(leaves);
  return true;
}

bool ReadQuadTreeFileAt(const char* path, const QuadTreeModels& models, QuadTreeList* leaves) {
  std::vector<uint8_t> bytes;
  std::vector<QuadTreeList> read;
  if (!path || !leaves || !ReadWhole(path, &bytes) ||
      !DecodeQuadTreeFile(bytes.data(), bytes.size(), models, &read))
    return false;
  for (int i = 0; i < kWorldLeafCount; ++i) {
    const float distance = leaves[i].cameraDistanceSq;
    leaves[i] = std::move(read[i]);
    leaves[i].cameraDistanceSq = distance;
  }
  return true;
}

bool ReadQuadTreeFile(const QuadTreeModels& models, QuadTreeList* leaves, int world) {
  char path[64];
  if (!*QuadTreeFilePath(world, path, sizeof path)) return false;
  return ReadQuadTreeFileAt(path, models, leaves);
}

bool EncodeQuadTreeFile(const QuadTreeModels& models, const QuadTreeList* leaves, int count,
                        std::vector<uint8_t>* out) {
  if (!leaves || count < 1) return false;
  for (int i = 0; i < count; ++i)
    for (int k = 0; k < kRenderLayerCount; ++k)
      if (static_cast<int>(leaves[i].layers[k].size()) != GroupCountOf(models.layers[k]))
        return false;
  out->clear();
  Writer w(out);
  w.Int(count - 1);
  for (int i = 0; i < count; ++i) {
    const QuadTreeList& leaf = leaves[i];
    w.Float(leaf.x);
    w.Float(leaf.y);
    w.Float(leaf.z);
    w.Float(leaf.halfSize);
    for (int k = 0; k < kVegetationKinds; ++k)
      w.Int(static_cast<int32_t>(leaf.vegetation.instances[k].size()));
    for (int k = 0; k < kVegetationKinds; ++k)
      for (const GrassInstance& g : leaf.vegetation.instances[k]) {
        const float f[kTreeFileFloats] = {g.x,       g.y,       g.z,       g.scale,     g.scale2,
                                          g.anchorX, g.anchorY, g.anchorZ, g.anchorSize};
        w.Floats(f, k >= kGrassKinds ? kTreeFileFloats : kGrassFileFloats);
      }
    for (int k = 0; k < kRenderLayerCount; ++k) {
      const bool wide = LayerHasSecondSet(k);
      w.Int(static_cast<int32_t>(leaf.layers[k].size()));
      for (const Mesh& mesh : leaf.layers[k]) {
        w.Int(mesh.triangleCount());
        for (const LeafTriangle& t : mesh.triangles)
          for (int c = 0; c < 3; ++c) WriteCorner(&w, wide, t, c);
      }
    }
  }
  // A file the reader would refuse is not one to write.
  if (!w.finite()) {
    out->clear();
    return false;
  }
  return true;
}

bool WriteQuadTreeFileAt(const char* path, const QuadTreeModels& models,
                         const QuadTreeList* leaves, int count) {
  std::vector<uint8_t> bytes;
  if (!path || !EncodeQuadTreeFile(models, leaves, count, &bytes)) return false;
  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  const bool written = std::fwrite(bytes.data(), bytes.size(), 1, f) == 1;
  return std::fclose(f) == 0 && written;
}

bool WriteQuadTreeFile(const QuadTreeModels& models, const QuadTreeList* leaves, int world) {
  char path[64];
  if (!*QuadTreeFilePath(world, path, sizeof path)) return false;
  return WriteQuadTreeFileAt(path, models, leaves, kWorldLeafCount);
}
