// The .sbm reader. Every count and index from the file is checked against what the
// file and the arrays hold, and the model is parsed into temporaries that are handed
// over only once the whole file has been read, so a bad file never leaves a half
// model behind.
#include <cstdio>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "gfx/data_files.h"

#include "gfx/milkshape.h"

namespace {

constexpr char kMagic[10] = {'M', 'S', '3', 'D', '0', '0', '0', '0', '0', '0'};
constexpr size_t kVertexBytes = 15;
constexpr size_t kTriangleBytes = 70;
constexpr size_t kGroupFixedBytes = 1 + 32 + 2;  // flags, name, count; then indices and material
constexpr size_t kMaterialBytes = 361;
constexpr size_t kFileNameBytes = 128;  // texture and alpha-map names, zero-terminated

// Reads little-endian fields from the file image; every read is checked against the
// end first.
class Cursor {
 public:
  Cursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Has(size_t n) const { return n <= size_ - pos_; }
  // True when count records of recordBytes each still fit (no overflow on the product).
  bool HasRecords(size_t count, size_t recordBytes) const {
    return count <= (size_ - pos_) / recordBytes;
  }
  const uint8_t* Here() const { return data_ + pos_; }
  void Skip(size_t n) { pos_ += n; }
  uint8_t U8() { return data_[pos_++]; }
  uint16_t U16() {
    const uint16_t v = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
  }
  int32_t I32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(data_[pos_ + i]) << (8 * i);
    pos_ += 4;
    return static_cast<int32_t>(v);
  }
  float F32() {
    const int32_t bits = I32();
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// A zero-terminated name from a fixed field; a field without its zero is cut at the
// field's width rather than read beyond it.
char* CopyBoundedName(const uint8_t* field, size_t width) {
  size_t n = 0;
  while (n < width && field[n] != 0) ++n;
  char* s = new char[n + 1];
  std::memcpy(s, field, n);
  s[n] = '\0';
  return s;
}

// Owns what a read has made until the model takes it over.
struct ParsedModel {
  std::unique_ptr<ModelVertex[]> vertices;
  std::unique_ptr<ModelTriangle[]> triangles;
  std::unique_ptr<ModelGroup[]> groups;
  std::unique_ptr<ModelMaterial[]> materials;
  int nV = 0, nT = 0, nG = 0, nM = 0;

  ~ParsedModel() {
    if (groups)
      for (int g = 0; g < nG; ++g) delete[] groups[g].triangleIndices;
    if (materials)
      for (int m = 0; m < nM; ++m) {
        delete[] materials[m].textureFile;
        delete[] materials[m].alphaMapFile;
      }
  }
};

SbmResult Parse(const uint8_t* data, size_t size, ParsedModel* out) {
  Cursor in(data, size);
  if (!in.Has(sizeof kMagic) || std::memcmp(in.Here(), kMagic, sizeof kMagic) != 0)
    return SbmResult::kBadMagic;
  in.Skip(sizeof kMagic);
  if (!in.Has(4)) return SbmResult::kTruncated;
  const int32_t version = in.I32();
  if (version != 3 && version != 4) return SbmResult::kBadVersion;

  // Vertices.
  if (!in.Has(2)) return SbmResult::kTruncated;
  out->nV = in.U16();
  if (!in.HasRecords(out->nV, kVertexBytes)) return SbmResult::kTruncated;
  out->vertices.reset(new ModelVertex[out->nV]);
  for (int i = 0; i < out->nV; ++i) {
    ModelVertex& v = out->vertices[i];
    in.Skip(1);  // flags
    v.x = in.F32();
    v.y = in.F32();
    v.z = in.F32();
    // One non-finite corner spreads NaN through tangents, bounds and the physics'
    // meshes built from the model: the model is refused instead.
    if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) return SbmResult::kNotFinite;
    v.bone = static_cast<int8_t>(in.U8());
    in.Skip(1);  // reference count
  }

  // Triangles.
  if (!in.Has(2)) return SbmResult::kTruncated;
  out->nT = in.U16();
  if (!in.HasRecords(out->nT, kTriangleBytes)) return SbmResult::kTruncated;
  out->triangles.reset(new ModelTriangle[out->nT]);
  for (int i = 0; i < out->nT; ++i) {
    ModelTriangle& t = out->triangles[i];
    std::memset(&t, 0, sizeof t);
    t.groupIndex = -1;
    in.Skip(2);  // flags
    for (int k = 0; k < 3; ++k) {
      t.vertexIndices[k] = in.U16();
      if (t.vertexIndices[k] >= out->nV) return SbmResult::kBadIndex;
    }
    for (int k = 0; k < 3; ++k)
      for (int c = 0; c < 3; ++c) t.normals[k][c] = in.F32();
    for (int k = 0; k < 3; ++k) t.texCoords[k][0] = in.F32();
    // The file measures t from the top of the image; GL measures it from the bottom.
    for (int k = 0; k < 3; ++k) t.texCoords[k][1] = 1.0f - in.F32();
    for (int k = 0; k < 3; ++k)
      for (float f : {t.normals[k][0], t.normals[k][1], t.normals[k][2], t.texCoords[k][0], t.texCoords[k][1]})
        if (!std::isfinite(f)) return SbmResult::kNotFinite;
    in.Skip(2);  // smoothing group, group byte
  }

  // Groups: variable length, so each one is checked as it comes.
  if (!in.Has(2)) return SbmResult::kTruncated;
  out->nG = in.U16();
  if (!in.HasRecords(out->nG, kGroupFixedBytes + 1)) return SbmResult::kTruncated;
  out->groups.reset(new ModelGroup[out->nG]);
  std::vector<int8_t> groupMaterial(out->nG);
  for (int g = 0; g < out->nG; ++g) {
    if (!in.Has(kGroupFixedBytes)) return SbmResult::kTruncated;
    in.Skip(1 + 32);  // flags, name
    const int n = in.U16();
    if (!in.HasRecords(n, 2) || !in.Has(2 * static_cast<size_t>(n) + 1))
      return SbmResult::kTruncated;
    ModelGroup& group = out->groups[g];
    group.triangleIndices = new int[n > 0 ? n : 1];
    group.triangleCount = n;
    for (int i = 0; i < n; ++i) {
      group.triangleIndices[i] = in.U16();
      if (group.triangleIndices[i] >= out->nT) return SbmResult::kBadIndex;
    }
    groupMaterial[g] = static_cast<int8_t>(in.U8());
  }

  // Materials.
  if (!in.Has(2)) return SbmResult::kTruncated;
  out->nM = in.U16();
  if (!in.HasRecords(out->nM, kMaterialBytes)) return SbmResult::kTruncated;
  out->materials.reset(new ModelMaterial[out->nM]);
  for (int m = 0; m < out->nM; ++m) {
    ModelMaterial& mat = out->materials[m];
    in.Skip(32);  // name
    for (float& f : mat.ambient) f = in.F32();
    for (float& f : mat.diffuse) f = in.F32();
    for (float& f : mat.specular) f = in.F32();
    for (float& f : mat.emissive) f = in.F32();
    mat.shininess = in.F32();
    mat.transparency = in.F32();
    in.Skip(1);  // mode
    mat.texture = -1;
    mat.alphaMap = -1;
    mat.textureFile = CopyBoundedName(in.Here(), kFileNameBytes);
    in.Skip(kFileNameBytes);
    mat.alphaMapFile = CopyBoundedName(in.Here(), kFileNameBytes);
    in.Skip(kFileNameBytes);
  }

  // A material byte that names no material (255 is the layout's "none") becomes -1,
  // so no draw ever indexes past the material array.
  for (int g = 0; g < out->nG; ++g) {
    const int m = groupMaterial[g];
    out->groups[g].materialIndex = (m >= 0 && m < out->nM) ? m : -1;
  }
  // Joints and whatever else follows the materials are not the game's business.
  return SbmResult::kOk;
}

}  // namespace

SbmResult MilkshapeModel::LoadFromMemory(const uint8_t* data, size_t size) {
  if (data == nullptr) return SbmResult::kBadMagic;
  ParsedModel parsed;
  SbmResult result;
  try {
    result = Parse(data, size, &parsed);
  } catch (const std::bad_alloc&) {
    return SbmResult::kOutOfMemory;
  }
  if (result != SbmResult::kOk) return result;
  Adopt(parsed.nG, parsed.groups.release(), parsed.nM, parsed.materials.release(),
        parsed.nT, parsed.triangles.release(), parsed.nV, parsed.vertices.release());
  parsed.nG = parsed.nM = 0;
  return SbmResult::kOk;
}

bool MilkshapeModel::Load(const char* path) {
  const SbmResult r = LoadFile(path);
  if (r == SbmResult::kOk) return true;
  switch (r) {
    case SbmResult::kOpenFailed: ReportUnusableFile(path, OpenFailureReason()); break;
    case SbmResult::kBadMagic: ReportUnusableFile(path, "is not a model file"); break;
    case SbmResult::kBadVersion: ReportUnusableFile(path, "is a model of an unknown version"); break;
    case SbmResult::kTruncated: ReportUnusableFile(path, "is truncated: it promises more than it holds"); break;
    case SbmResult::kBadIndex: ReportUnusableFile(path, "names vertices or triangles it does not have"); break;
    case SbmResult::kOutOfMemory: ReportUnusableFile(path, "is too large to load"); break;
    case SbmResult::kNotFinite: ReportUnusableFile(path, "holds coordinates that are not numbers"); break;
    case SbmResult::kOk: break;
  }
  return false;
}

SbmResult MilkshapeModel::LoadFile(const char* path) {
  if (path == nullptr) return SbmResult::kOpenFailed;
  FILE* f = std::fopen(path, "rb");
  if (!f) return SbmResult::kOpenFailed;
  // Read in pieces rather than sized by ftell: a folder opens too, and its "size" is
  // LONG_MAX on ext4, which would ask for an allocation of exabytes before the read
  // could fail.
  std::vector<uint8_t> bytes;
  bool ok = true;
  try {
    uint8_t buf[16384];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  ok = ok && !std::ferror(f);
  std::fclose(f);
  if (!ok) return SbmResult::kOpenFailed;
  return LoadFromMemory(bytes.data(), bytes.size());
}
