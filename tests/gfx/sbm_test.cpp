// The .sbm reader against the writer, and against the files a careless or hostile
// tool could produce. Run under AddressSanitizer as well: the truncation sweeps are
// where an unchecked count would read past the buffer.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/scratch_dir.h"
#include "gfx/milkshape.h"
#include "tests/gfx/test_meshes.h"
#include "tools/sbm/sbm_writer.h"

namespace {

// Byte offsets of the layout, for tests that patch a written file.
constexpr size_t kVersionOffset = 10;
constexpr size_t kVertexCountOffset = 14;
constexpr size_t kVertexBytes = 15;
constexpr size_t kTriangleBytes = 70;
constexpr size_t kMaterialBytes = 361;

size_t TriangleCountOffset(const sbm::Mesh& m) {
  return kVertexCountOffset + 2 + m.vertices.size() * kVertexBytes;
}
size_t GroupCountOffset(const sbm::Mesh& m) {
  return TriangleCountOffset(m) + 2 + m.triangles.size() * kTriangleBytes;
}
size_t MaterialCountOffset(const sbm::Mesh& m) {
  size_t at = GroupCountOffset(m) + 2;
  for (const sbm::Group& g : m.groups) at += 1 + 32 + 2 + 2 * g.triangles.size() + 1;
  return at;
}
size_t EndOfMaterials(const sbm::Mesh& m) {
  return MaterialCountOffset(m) + 2 + m.materials.size() * kMaterialBytes;
}

void PutU16(std::vector<uint8_t>* b, size_t at, uint16_t v) {
  (*b)[at] = static_cast<uint8_t>(v);
  (*b)[at + 1] = static_cast<uint8_t>(v >> 8);
}

SbmResult Read(const std::vector<uint8_t>& bytes, MilkshapeModel* model) {
  return model->LoadFromMemory(bytes.data(), bytes.size());
}

// A mesh that uses every field: bones, odd normals, several materials with colours.
sbm::Mesh RichMesh() {
  sbm::Mesh mesh = meshtest::TwoQuadMesh();
  mesh.vertices[2].bone = 3;
  mesh.triangles[1].normal[2][0] = 0.25f;
  mesh.triangles[1].s[1] = 0.125f;
  mesh.triangles[1].t[1] = 0.75f;
  sbm::Material& m = mesh.materials[1];
  for (int i = 0; i < 4; ++i) {
    m.ambient[i] = 0.1f * i;
    m.diffuse[i] = 0.2f * i;
    m.specular[i] = 0.3f * i;
    m.emissive[i] = 0.4f * i;
  }
  m.shininess = 12.5f;
  m.transparency = 0.5f;
  return mesh;
}

void ExpectSameModel(const Model& a, const Model& b) {
  ASSERT_EQ(a.vertexCount, b.vertexCount);
  ASSERT_EQ(a.triangleCount, b.triangleCount);
  ASSERT_EQ(a.groupCount, b.groupCount);
  ASSERT_EQ(a.materialCount, b.materialCount);
  for (int i = 0; i < a.vertexCount; ++i) {
    EXPECT_EQ(a.vertices[i].x, b.vertices[i].x);
    EXPECT_EQ(a.vertices[i].bone, b.vertices[i].bone);
  }
  for (int i = 0; i < a.triangleCount; ++i) {
    EXPECT_EQ(0, std::memcmp(a.triangles[i].normals, b.triangles[i].normals,
                             sizeof a.triangles[i].normals));
    EXPECT_EQ(0, std::memcmp(a.triangles[i].texCoords, b.triangles[i].texCoords,
                             sizeof a.triangles[i].texCoords));
    EXPECT_EQ(0, std::memcmp(a.triangles[i].vertexIndices, b.triangles[i].vertexIndices,
                             sizeof a.triangles[i].vertexIndices));
  }
  for (int g = 0; g < a.groupCount; ++g) {
    EXPECT_EQ(a.groups[g].materialIndex, b.groups[g].materialIndex);
    ASSERT_EQ(a.groups[g].triangleCount, b.groups[g].triangleCount);
    for (int i = 0; i < a.groups[g].triangleCount; ++i)
      EXPECT_EQ(a.groups[g].triangleIndices[i], b.groups[g].triangleIndices[i]);
  }
  for (int m = 0; m < a.materialCount; ++m) {
    EXPECT_STREQ(a.materials[m].textureFile, b.materials[m].textureFile);
    EXPECT_STREQ(a.materials[m].alphaMapFile, b.materials[m].alphaMapFile);
    EXPECT_EQ(a.materials[m].shininess, b.materials[m].shininess);
  }
}

TEST(SbmRoundTrip, EveryFieldTheWriterStoresComesBack) {
  const sbm::Mesh mesh = RichMesh();
  MilkshapeModel model;
  ASSERT_EQ(SbmResult::kOk, meshtest::LoadMesh(mesh, &model));

  ASSERT_EQ(8, model.vertexCount);
  ASSERT_EQ(4, model.triangleCount);
  ASSERT_EQ(2, model.groupCount);
  ASSERT_EQ(2, model.materialCount);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(mesh.vertices[i].x, model.vertices[i].x);
    EXPECT_EQ(mesh.vertices[i].y, model.vertices[i].y);
    EXPECT_EQ(mesh.vertices[i].z, model.vertices[i].z);
    EXPECT_EQ(mesh.vertices[i].bone, model.vertices[i].bone);
  }
  EXPECT_EQ(3, model.vertices[2].bone);
  for (int i = 0; i < 4; ++i)
    for (int k = 0; k < 3; ++k) {
      const ModelTriangle& t = model.triangles[i];
      EXPECT_EQ(mesh.triangles[i].vertex[k], t.vertexIndices[k]);
      for (int c = 0; c < 3; ++c) EXPECT_EQ(mesh.triangles[i].normal[k][c], t.normals[k][c]);
      EXPECT_EQ(mesh.triangles[i].s[k], t.texCoords[k][0]);
      EXPECT_FLOAT_EQ(1.0f - mesh.triangles[i].t[k], t.texCoords[k][1]);
      EXPECT_EQ(-1, t.groupIndex);  // only AssignTriangleGroups writes it
    }
  EXPECT_EQ(0.25f, model.triangles[1].normals[2][0]);
  EXPECT_EQ(0.125f, model.triangles[1].texCoords[1][0]);
  EXPECT_FLOAT_EQ(0.25f, model.triangles[1].texCoords[1][1]);

  EXPECT_EQ(0, model.groups[0].materialIndex);
  EXPECT_EQ(1, model.groups[1].materialIndex);
  ASSERT_EQ(2, model.groups[1].triangleCount);
  EXPECT_EQ(2, model.groups[1].triangleIndices[0]);
  EXPECT_EQ(3, model.groups[1].triangleIndices[1]);

  const ModelMaterial& m = model.materials[1];
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(mesh.materials[1].ambient[i], m.ambient[i]);
    EXPECT_EQ(mesh.materials[1].diffuse[i], m.diffuse[i]);
    EXPECT_EQ(mesh.materials[1].specular[i], m.specular[i]);
    EXPECT_EQ(mesh.materials[1].emissive[i], m.emissive[i]);
  }
  EXPECT_EQ(12.5f, m.shininess);
  EXPECT_EQ(0.5f, m.transparency);
  EXPECT_STREQ("right.tga", m.textureFile);
  EXPECT_STREQ("right_alpha.tga", m.alphaMapFile);
  EXPECT_STREQ("", model.materials[0].alphaMapFile);
  EXPECT_EQ(-1, m.texture);
  EXPECT_EQ(-1, m.alphaMap);
}

TEST(SbmRoundTrip, VersionsThreeAndFourReadAlike) {
  sbm::Mesh v3 = RichMesh(), v4 = RichMesh();
  v3.version = 3;
  v4.version = 4;
  MilkshapeModel a, b;
  ASSERT_EQ(SbmResult::kOk, meshtest::LoadMesh(v3, &a));
  ASSERT_EQ(SbmResult::kOk, meshtest::LoadMesh(v4, &b));
  ExpectSameModel(a, b);
}

TEST(SbmRoundTrip, TIsFlippedOnRead) {
  sbm::Mesh mesh = meshtest::TwoQuadMesh();
  mesh.triangles[0].t[0] = 0.0f;
  mesh.triangles[0].t[1] = 0.25f;
  mesh.triangles[0].t[2] = 1.0f;
  MilkshapeModel model;
  ASSERT_EQ(SbmResult::kOk, meshtest::LoadMesh(mesh, &model));
  EXPECT_EQ(1.0f, model.triangles[0].texCoords[0][1]);
  EXPECT_EQ(0.75f, model.triangles[0].texCoords[1][1]);
  EXPECT_EQ(0.0f, model.triangles[0].texCoords[2][1]);
}

TEST(SbmRoundTrip, FileOnDiskLoadsAndAMissingOneDoesNot) {
  const std::string path = testscratch::ScratchPath("gfx_roundtrip.sbm");
  std::string error;
  ASSERT_TRUE(sbm::Write(path, RichMesh(), &error)) << error;
  MilkshapeModel model;
  EXPECT_TRUE(model.Load(path.c_str()));
  EXPECT_EQ(4, model.triangleCount);
  std::remove(path.c_str());
  MilkshapeModel missing;
  EXPECT_FALSE(missing.Load(path.c_str()));
  EXPECT_FALSE(missing.Load(nullptr));
  EXPECT_EQ(0, missing.triangleCount);
}

TEST(SbmRejects, AFolderNamedAsTheModelIsRefusedAndKeepsTheModel) {
  // A folder opens as a file; its reported size (LONG_MAX on ext4) must not become
  // an allocation, and the failed read leaves what was loaded.
  const std::string folder = testscratch::ScratchPath("gfx_folder.sbm");
  std::remove(folder.c_str());
  ASSERT_EQ(0, mkdir(folder.c_str(), 0700));
  MilkshapeModel model;
  ASSERT_EQ(SbmResult::kOk, meshtest::LoadMesh(RichMesh(), &model));
  EXPECT_FALSE(model.Load(folder.c_str()));
  EXPECT_EQ(4, model.triangleCount);
  rmdir(folder.c_str());
}

TEST(SbmMaterials, ByteNamingNoMaterialBecomesMinusOne) {
  sbm::Mesh mesh = meshtest::TwoQuadMesh();
  mesh.groups[0].material = -1;  // stored as byte 255
  std::vector<uint8_t> bytes = sbm::Encode(mesh);
  // Patch group 1's material byte to 7, beyond the two materials.
  const size_t group1 = GroupCountOffset(mesh) + 2 + (1 + 32 + 2 + 2 * 2 + 1);
  const size_t materialByte = group1 + 1 + 32 + 2 + 2 * 2;
  ASSERT_EQ(1, bytes[materialByte]);
  bytes[materialByte] = 7;
  const size_t group0Material = GroupCountOffset(mesh) + 2 + 1 + 32 + 2 + 2 * 2;
  ASSERT_EQ(255, bytes[group0Material]);
  MilkshapeModel model;
  ASSERT_EQ(SbmResult::kOk, Read(bytes, &model));
  EXPECT_EQ(-1, model.groups[0].materialIndex);
  EXPECT_EQ(-1, model.groups[1].materialIndex);
}

TEST(SbmMaterials, NameWithoutItsZeroIsCutAtTheField) {
  sbm::Mesh mesh = meshtest::TwoQuadMesh();
  std::vector<uint8_t> bytes = sbm::Encode(mesh);
  // Fill material 0's texture field (128 bytes at offset 105) without a terminator.
  const size_t field = MaterialCountOffset(mesh) + 2 + 105;
  for (size_t i = 0; i < 128; ++i) bytes[field + i] = 'a';
  MilkshapeModel model;
  ASSERT_EQ(SbmResult::kOk, Read(bytes, &model));
  EXPECT_EQ(128u, std::strlen(model.materials[0].textureFile));
  EXPECT_STREQ("", model.materials[0].alphaMapFile);
}

TEST(SbmRejects, WrongMagicOrVersion) {
  const std::vector<uint8_t> good = sbm::Encode(RichMesh());
  for (size_t i = 0; i < 10; ++i) {
    std::vector<uint8_t> bad = good;
    bad[i] ^= 0x20;
    MilkshapeModel model;
    EXPECT_EQ(SbmResult::kBadMagic, Read(bad, &model)) << "magic byte " << i;
  }
  for (int version : {2, 5, 0, -1, 0x04000000}) {
    std::vector<uint8_t> bad = good;
    for (int i = 0; i < 4; ++i) bad[kVersionOffset + i] = static_cast<uint8_t>(version >> (8 * i));
    MilkshapeModel model;
    EXPECT_EQ(SbmResult::kBadVersion, Read(bad, &model)) << "version " << version;
  }
}

TEST(SbmRejects, EveryTruncationIsRefusedAndLeavesTheModelAsItWas) {
  const sbm::Mesh mesh = RichMesh();
  const std::vector<uint8_t> good = sbm::Encode(mesh);
  const size_t end = EndOfMaterials(mesh);
  MilkshapeModel before;
  ASSERT_EQ(SbmResult::kOk, meshtest::LoadMesh(meshtest::TwoQuadMesh(), &before));
  for (size_t n = 0; n < end; ++n) {
    MilkshapeModel model;
    ASSERT_EQ(SbmResult::kOk, meshtest::LoadMesh(meshtest::TwoQuadMesh(), &model));
    // Copy into a buffer of exactly n bytes so the sanitizer sees any overread.
    std::vector<uint8_t> cut(good.begin(), good.begin() + n);
    const SbmResult r = Read(cut, &model);
    ASSERT_NE(SbmResult::kOk, r) << "accepted a file cut at " << n << " of " << end;
    ExpectSameModel(before, model);
  }
  // Ending right after the materials is a whole model; so is one with junk after.
  std::vector<uint8_t> exact(good.begin(), good.begin() + end);
  MilkshapeModel model;
  EXPECT_EQ(SbmResult::kOk, Read(exact, &model));
  std::vector<uint8_t> longer = good;
  longer.insert(longer.end(), 1000, 0xEE);
  EXPECT_EQ(SbmResult::kOk, Read(longer, &model));
}

TEST(SbmRejects, CountsLargerThanTheFileAreRefusedBeforeAllocating) {
  const sbm::Mesh mesh = RichMesh();
  const std::vector<uint8_t> good = sbm::Encode(mesh);
  const size_t counts[] = {kVertexCountOffset, TriangleCountOffset(mesh), GroupCountOffset(mesh),
                           MaterialCountOffset(mesh)};
  for (size_t at : counts) {
    std::vector<uint8_t> bad = good;
    PutU16(&bad, at, 0xFFFF);
    MilkshapeModel model;
    const SbmResult r = Read(bad, &model);
    EXPECT_TRUE(r == SbmResult::kTruncated || r == SbmResult::kBadIndex) << "count at " << at;
    EXPECT_EQ(0, model.triangleCount);
  }
  // A group promising more triangle indices than the file holds.
  std::vector<uint8_t> bad = good;
  PutU16(&bad, GroupCountOffset(mesh) + 2 + 1 + 32, 0xFFFF);
  MilkshapeModel model;
  EXPECT_EQ(SbmResult::kTruncated, Read(bad, &model));
}

TEST(SbmRejects, IndicesBeyondTheArrays) {
  const sbm::Mesh mesh = RichMesh();
  {
    std::vector<uint8_t> bad = sbm::Encode(mesh);
    // Triangle 3, corner 2 names vertex 8 of 8.
    PutU16(&bad, TriangleCountOffset(mesh) + 2 + 3 * kTriangleBytes + 2 + 4, 8);
    MilkshapeModel model;
    EXPECT_EQ(SbmResult::kBadIndex, Read(bad, &model));
  }
  {
    std::vector<uint8_t> bad = sbm::Encode(mesh);
    // Group 0's second triangle index names triangle 4 of 4.
    PutU16(&bad, GroupCountOffset(mesh) + 2 + 1 + 32 + 2 + 2, 4);
    MilkshapeModel model;
    EXPECT_EQ(SbmResult::kBadIndex, Read(bad, &model));
  }
}

TEST(SbmRejects, NonFiniteGeometryIsRefused) {
  const sbm::Mesh mesh = RichMesh();
  const std::vector<uint8_t> good = sbm::Encode(mesh);
  // Every float a draw or a physics mesh reads: the three coordinates of each vertex,
  // then each triangle's nine normal components and three s and three t values.
  std::vector<size_t> floats;
  for (size_t v = 0; v < mesh.vertices.size(); ++v)
    for (size_t c = 0; c < 3; ++c) floats.push_back(kVertexCountOffset + 2 + v * kVertexBytes + 1 + 4 * c);
  for (size_t t = 0; t < mesh.triangles.size(); ++t)
    for (size_t c = 0; c < 15; ++c) floats.push_back(TriangleCountOffset(mesh) + 2 + t * kTriangleBytes + 8 + 4 * c);
  MilkshapeModel reference;
  ASSERT_EQ(SbmResult::kOk, Read(good, &reference));
  for (float bad : {NAN, INFINITY, -INFINITY}) {
    for (size_t at : floats) {
      std::vector<uint8_t> bytes = good;
      std::memcpy(&bytes[at], &bad, 4);
      MilkshapeModel model;
      ASSERT_EQ(SbmResult::kOk, Read(good, &model));
      EXPECT_EQ(SbmResult::kNotFinite, Read(bytes, &model)) << "float at byte " << at << " = " << bad;
      ExpectSameModel(reference, model);
    }
  }
  // The largest finite values are geometry, if odd geometry.
  std::vector<uint8_t> big = good;
  const float huge = 3.0e38f;
  std::memcpy(&big[floats[0]], &huge, 4);
  MilkshapeModel model;
  EXPECT_EQ(SbmResult::kOk, Read(big, &model));
}

TEST(SbmRejects, ARefusedFileKeepsTheLoadedModel) {
  MilkshapeModel model;
  ASSERT_EQ(SbmResult::kOk, meshtest::LoadMesh(RichMesh(), &model));
  MilkshapeModel reference;
  ASSERT_EQ(SbmResult::kOk, meshtest::LoadMesh(RichMesh(), &reference));
  std::vector<uint8_t> bad = sbm::Encode(meshtest::TwoQuadMesh());
  bad.resize(bad.size() / 2);
  EXPECT_NE(SbmResult::kOk, Read(bad, &model));
  ExpectSameModel(reference, model);
  // And a good file replaces it whole.
  sbm::Mesh one;
  const int g = one.AddGroup("only", -1);
  meshtest::AddQuad(&one, g, 0, 0, 1, 1);
  EXPECT_EQ(SbmResult::kOk, meshtest::LoadMesh(one, &model));
  EXPECT_EQ(2, model.triangleCount);
  EXPECT_EQ(0, model.materialCount);
}

TEST(SbmGroups, AssignTriangleGroupsTakesTheLaterListing) {
  sbm::Mesh mesh = meshtest::TwoQuadMesh();
  // Triangle 0 also in group 1; add a triangle no group lists.
  mesh.groups[1].triangles.push_back(0);
  sbm::Triangle loose = mesh.triangles[0];
  mesh.triangles.push_back(loose);
  MilkshapeModel model;
  ASSERT_EQ(SbmResult::kOk, meshtest::LoadMesh(mesh, &model));
  model.AssignTriangleGroups();
  EXPECT_EQ(1, model.triangles[0].groupIndex);
  EXPECT_EQ(0, model.triangles[1].groupIndex);
  EXPECT_EQ(1, model.triangles[2].groupIndex);
  EXPECT_EQ(-1, model.triangles[4].groupIndex);
  EXPECT_EQ(3 * (2 + 3), model.CountCorners());
}

TEST(SbmGroups, FlattenListsCornersInGroupOrder) {
  sbm::Mesh mesh = meshtest::TwoQuadMesh();
  std::swap(mesh.groups[0], mesh.groups[1]);  // right quad's group first
  MilkshapeModel model;
  ASSERT_EQ(SbmResult::kOk, meshtest::LoadMesh(mesh, &model));
  model.FlattenToArrays();
  ASSERT_EQ(12, model.cornerCount);
  // The first corner is triangle 2's corner 0: the right quad's (0, -0.5).
  EXPECT_EQ(0.0f, model.cornerPositions[0].x);
  EXPECT_EQ(-0.5f, model.cornerPositions[0].y);
  EXPECT_EQ(-1.0f, model.cornerPositions[6].x);
  EXPECT_EQ(1.0f, model.cornerNormals[4].z);
  EXPECT_EQ(1.0f, model.cornerTexCoords[1][0]);
  EXPECT_EQ(0, model.groupCount);
  EXPECT_EQ(nullptr, model.triangles);
}

TEST(SbmGroups, LinearTexCoordsComeFromTheCompanion) {
  MilkshapeModel model, linear;
  ASSERT_EQ(SbmResult::kOk, meshtest::LoadMesh(meshtest::TwoQuadMesh(), &model));
  sbm::Mesh companion = meshtest::TwoQuadMesh();
  for (sbm::Triangle& t : companion.triangles)
    for (int k = 0; k < 3; ++k) {
      t.s[k] = t.s[k] * 0.5f + 0.25f;
      t.t[k] = 0.125f;
    }
  ASSERT_EQ(SbmResult::kOk, meshtest::LoadMesh(companion, &linear));
  ASSERT_TRUE(model.CopyLinearTexCoords(linear));
  for (int i = 0; i < 4; ++i)
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(linear.triangles[i].texCoords[k][0], model.triangles[i].texCoords2[k][0]);
      EXPECT_EQ(0.875f, model.triangles[i].texCoords2[k][1]);
    }
  // A companion with fewer triangles is no companion.
  MilkshapeModel small;
  sbm::Mesh one;
  meshtest::AddQuad(&one, one.AddGroup("g", -1), 0, 0, 1, 1);
  ASSERT_EQ(SbmResult::kOk, meshtest::LoadMesh(one, &small));
  EXPECT_FALSE(model.CopyLinearTexCoords(small));
}

TEST(SbmWriter, RefusesWhatTheLayoutCannotHold) {
  EXPECT_EQ("", sbm::Validate(meshtest::TwoQuadMesh()));
  sbm::Mesh m = meshtest::TwoQuadMesh();
  m.triangles[0].vertex[1] = 99;
  EXPECT_NE("", sbm::Validate(m));
  EXPECT_TRUE(sbm::Encode(m).empty());
  m = meshtest::TwoQuadMesh();
  m.groups[0].triangles.push_back(40);
  EXPECT_NE("", sbm::Validate(m));
  m = meshtest::TwoQuadMesh();
  m.groups[1].material = 2;
  EXPECT_NE("", sbm::Validate(m));
  m = meshtest::TwoQuadMesh();
  m.materials[0].texture = std::string(128, 'x');
  EXPECT_NE("", sbm::Validate(m));
  m.materials[0].texture = std::string(127, 'x');
  EXPECT_EQ("", sbm::Validate(m));
  m.version = 5;
  EXPECT_NE("", sbm::Validate(m));
  m = meshtest::TwoQuadMesh();
  for (int i = 0; i < 126; ++i) m.AddMaterial(sbm::Material());  // 128 in all
  EXPECT_EQ("", sbm::Validate(m));
  m.AddMaterial(sbm::Material());
  EXPECT_NE("", sbm::Validate(m));  // group material is one signed byte
  std::string error;
  EXPECT_FALSE(sbm::Write(testscratch::ScratchPath("gfx_bad.sbm"), m, &error));
  EXPECT_NE(std::string::npos, error.find("128 materials"));
}

}  // namespace
