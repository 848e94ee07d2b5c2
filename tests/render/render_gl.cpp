#include "tests/render/render_gl.h"

#include <GL/glext.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "gfx/gl_ext.h"
#include "gfx/renderer.h"

namespace rendertest {

namespace {

bool g_started = false;
bool g_startResult = false;

}  // namespace

void RenderGlTest::SetUp() {
  gltest::GlTest::SetUp();
  if (IsSkipped()) return;
  if (!std::filesystem::exists("base/shaders/ObjectsVS.glsl"))
    GTEST_SKIP() << "base/ not generated in the working folder (build the base target)";
  if (!g_started) {
    g_started = true;
    RendererSetup setup;
    setup.screenWidth = 1024;
    setup.screenHeight = 768;
    setup.shadowMapSize = 1024;
    g_startResult = InitRenderer(setup);
  }
  ASSERT_TRUE(g_startResult) << "InitRenderer failed";
  gltest::TakeGlError();
}

std::unique_ptr<MilkshapeModel> MakeModel(const sbm::Mesh& mesh) {
  const std::vector<uint8_t> bytes = sbm::Encode(mesh);
  auto model = std::make_unique<MilkshapeModel>();
  if (bytes.empty() || model->LoadFromMemory(bytes.data(), bytes.size()) != SbmResult::kOk) return nullptr;
  return model;
}

sbm::Mesh BoxMesh(float cx, float cy, float cz, float hx, float hy, float hz, int groups) {
  sbm::Mesh m;
  for (int g = 0; g < groups; ++g) m.AddGroup("g" + std::to_string(g), -1);
  uint16_t v[8];
  for (int i = 0; i < 8; ++i)
    v[i] = m.AddVertex(cx + (i & 1 ? hx : -hx), cy + (i & 2 ? hy : -hy), cz + (i & 4 ? hz : -hz));
  const int faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
  const float uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  for (const auto& f : faces) {
    m.AddFlatTriangle(0, v[f[0]], v[f[1]], v[f[2]], uv[0], uv[1], uv[2]);
    m.AddFlatTriangle(0, v[f[0]], v[f[2]], v[f[3]], uv[0], uv[2], uv[3]);
  }
  return m;
}

sbm::Mesh PointsMesh(const float wheel[3], const float exhaust[3], int beacons, const float firstBeacon[3]) {
  sbm::Mesh m;
  const float uv[2] = {0, 0};
  // A marker's second corner is its point; the first lies along x and the third along
  // y from it.
  auto marker = [&m, &uv](int group, float x, float y, float z) {
    const uint16_t a = m.AddVertex(x + 1.0f, y, z);
    const uint16_t b = m.AddVertex(x, y, z);
    const uint16_t c = m.AddVertex(x, y + 1.0f, z);
    m.AddFlatTriangle(group, a, b, c, uv, uv, uv);
  };
  m.AddGroup("wheels", -1);
  m.AddGroup("exhaust", -1);
  marker(0, wheel[0], wheel[1], wheel[2]);
  marker(1, exhaust[0], exhaust[1], exhaust[2]);
  if (beacons >= 0) {
    m.AddGroup("beacons", -1);
    for (int i = 0; i < beacons; ++i) marker(2, firstBeacon[0] + 3.0f * i, firstBeacon[1], firstBeacon[2]);
  }
  return m;
}

GLuint SamplesPassed(const std::function<void()>& draw) {
  GLuint query = 0;
  GlExt.glGenQueriesARB(1, &query);
  GlExt.glBeginQueryARB(GL_SAMPLES_PASSED_ARB, query);
  draw();
  GlExt.glEndQueryARB(GL_SAMPLES_PASSED_ARB);
  GLuint samples = 0;
  GlExt.glGetQueryObjectuivARB(query, GL_QUERY_RESULT_ARB, &samples);
  GlExt.glDeleteQueriesARB(1, &query);
  return samples;
}

int ChangedPixels(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  int changed = 0;
  for (size_t i = 0; i + 3 < a.size() && i + 3 < b.size(); i += 4)
    if (a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2] || a[i + 3] != b[i + 3]) ++changed;
  return changed;
}

namespace {

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0) {
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void PutBigEndian(std::vector<uint8_t>* out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<uint8_t>(v >> shift));
}

void PutChunk(FILE* f, const char type[4], const std::vector<uint8_t>& data) {
  std::vector<uint8_t> chunk;
  PutBigEndian(&chunk, static_cast<uint32_t>(data.size()));
  chunk.insert(chunk.end(), type, type + 4);
  chunk.insert(chunk.end(), data.begin(), data.end());
  PutBigEndian(&chunk, Crc32(chunk.data() + 4, chunk.size() - 4));
  std::fwrite(chunk.data(), 1, chunk.size(), f);
}

}  // namespace

bool WritePng(const std::string& path, const std::vector<uint8_t>& rgba, int width, int height) {
  if (rgba.size() < static_cast<size_t>(width) * height * 4) return false;
  // RGB rows top first, each behind filter byte 0, in stored (uncompressed) deflate
  // blocks: no image library needed, and a picture is all a person wants of it.
  std::vector<uint8_t> raw;
  raw.reserve(static_cast<size_t>(width * 3 + 1) * height);
  for (int y = height - 1; y >= 0; --y) {
    raw.push_back(0);
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
      raw.insert(raw.end(), p, p + 3);
    }
  }
  std::vector<uint8_t> z = {0x78, 0x01};
  constexpr size_t kBlock = 65535;
  for (size_t at = 0; at < raw.size() || at == 0; at += kBlock) {
    const size_t n = std::min(kBlock, raw.size() - at);
    z.push_back(at + n >= raw.size() ? 1 : 0);
    z.push_back(static_cast<uint8_t>(n));
    z.push_back(static_cast<uint8_t>(n >> 8));
    z.push_back(static_cast<uint8_t>(~n));
    z.push_back(static_cast<uint8_t>(~n >> 8));
    z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(at), raw.begin() + static_cast<std::ptrdiff_t>(at + n));
    if (n == 0) break;
  }
  uint32_t a = 1, b = 0;
  for (uint8_t v : raw) {
    a = (a + v) % 65521;
    b = (b + a) % 65521;
  }
  PutBigEndian(&z, (b << 16) | a);

  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::fwrite(kSignature, 1, sizeof kSignature, f);
  std::vector<uint8_t> header;
  PutBigEndian(&header, static_cast<uint32_t>(width));
  PutBigEndian(&header, static_cast<uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, no interlace
  PutChunk(f, "IHDR", header);
  PutChunk(f, "IDAT", z);
  PutChunk(f, "IEND", {});
  return std::fclose(f) == 0;
}

std::string LeftoverState() {
  const GLenum error = gltest::TakeGlError();
  if (error != GL_NO_ERROR) return std::string("GL error ") + gltest::GlErrorName(error);
  GLint active = 0;
  glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &active);
  if (active != GL_TEXTURE0_ARB) return "unit " + std::to_string(active - GL_TEXTURE0_ARB) + " left current";
  // Mesa shares one name space between the ARB shader objects and GL 2.0 programs.
  GLint program = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  if (program != 0) return "program " + std::to_string(program) + " left current";
  GLint units = 1;
  glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &units);
  std::string found;
  for (int u = 1; u < units && found.empty(); ++u) {
    GlExt.glActiveTextureARB(GL_TEXTURE0_ARB + u);
    for (GLenum target : {GL_TEXTURE_2D, GL_TEXTURE_3D, GL_TEXTURE_CUBE_MAP_ARB, GL_TEXTURE_RECTANGLE_ARB})
      if (glIsEnabled(target)) found = "texturing left on at unit " + std::to_string(u);
    GLfloat m[16];
    glGetFloatv(GL_TEXTURE_MATRIX, m);
    for (int i = 0; i < 16; ++i)
      if (m[i] != (i % 5 == 0 ? 1.0f : 0.0f)) found = "texture matrix left set at unit " + std::to_string(u);
  }
  GlExt.glActiveTextureARB(GL_TEXTURE0_ARB);
  if (!found.empty()) return found;
  if (!glIsEnabled(GL_TEXTURE_2D)) return "2D texturing off at unit 0";
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  if (mode != GL_MODELVIEW) return "matrix mode left other than the modelview";
  return "";
}

}  // namespace rendertest
