#include "gfx/noise.h"

#include <GL/gl.h>

#include <cmath>
#include <cstddef>
#include <vector>

#include "gfx/gl_ext.h"
#include "platform/crt_rand.h"

namespace {

// The largest step a channel may take from one texel to the next.
constexpr int kMaxStep = 64;

bool Upload(unsigned int* name, int n, const std::vector<uint8_t>& texels, GLint filter) {
  GLuint tex = 0;
  glGenTextures(1, &tex);
  glBindTexture(GL_TEXTURE_3D, tex);
  glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MIN_FILTER, filter);
  glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MAG_FILTER, filter);
  glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_R, GL_REPEAT);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // n * 3 bytes per row
  GlExt.glTexImage3D(GL_TEXTURE_3D, 0, GL_RGB8, n, n, n, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
  *name = tex;
  return true;
}

size_t TexelBytes(int n) { return static_cast<size_t>(n) * n * n * 3; }

}  // namespace

void FillSmoothNoise(uint8_t* texels, int n) {
  const size_t bytes = TexelBytes(n);
  for (size_t i = 0; i < bytes; i += 3) {
    for (size_t c = 0; c < 3; ++c) {
      int v = platform::Rand() % 255;
      if (i > 0) {
        const int previous = texels[i - 3 + c];
        if (v - previous > kMaxStep) v = previous + kMaxStep;
        if (v - previous < -kMaxStep) v = previous - kMaxStep;
      }
      texels[i + c] = static_cast<uint8_t>(v);
    }
  }
}

void FillRandomTexels(uint8_t* texels, int n) {
  const size_t bytes = TexelBytes(n);
  for (size_t i = 0; i < bytes; i += 3) {
    int first = platform::Rand() % 128;
    if (first < 1) first = 1;
    texels[i] = static_cast<uint8_t>(first);
    texels[i + 1] = static_cast<uint8_t>(platform::Rand() % 255);
    texels[i + 2] = static_cast<uint8_t>(platform::Rand() % 255);
  }
}

bool CreateNoiseTexture3D(unsigned int* name, int n) {
  if (n <= 0 || !GlExt.glTexImage3D) return false;
  std::vector<uint8_t> texels(TexelBytes(n));
  FillSmoothNoise(texels.data(), n);
  return Upload(name, n, texels, GL_LINEAR);
}

void FillNoisePlanes(const uint8_t* volume, int n, uint8_t* planes) {
  const float depths[2] = {0.25f, 0.75f};
  for (int c = 0; c < 2; ++c) {
    // The slice coordinate the linear filter takes: the two slices around it, weighted.
    const float z = depths[c] * static_cast<float>(n) - 0.5f;
    const float below = std::floor(z);
    const float weight = z - below;
    const int z0 = ((static_cast<int>(below) % n) + n) % n, z1 = (z0 + 1) % n;
    const size_t slice = static_cast<size_t>(n) * static_cast<size_t>(n);
    for (size_t i = 0; i < slice; ++i) {
      const float a = volume[(static_cast<size_t>(z0) * slice + i) * 3];
      const float b = volume[(static_cast<size_t>(z1) * slice + i) * 3];
      planes[i * 2 + static_cast<size_t>(c)] = static_cast<uint8_t>(std::lround(a + (b - a) * weight));
    }
  }
}

bool CreateNoiseTextures(unsigned int* volume, unsigned int* planes, int n) {
  if (n <= 0 || !GlExt.glTexImage3D) return false;
  std::vector<uint8_t> texels(TexelBytes(n));
  FillSmoothNoise(texels.data(), n);
  std::vector<uint8_t> plane(static_cast<size_t>(n) * static_cast<size_t>(n) * 2);
  FillNoisePlanes(texels.data(), n, plane.data());
  GLuint tex = 0;
  glGenTextures(1, &tex);
  glBindTexture(GL_TEXTURE_2D, tex);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE_ALPHA, n, n, 0, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, plane.data());
  *planes = tex;
  return Upload(volume, n, texels, GL_LINEAR);
}

bool CreateRandomTexture3D(unsigned int* name, int n) {
  if (n <= 0 || !GlExt.glTexImage3D) return false;
  std::vector<uint8_t> texels(TexelBytes(n));
  FillRandomTexels(texels.data(), n);
  return Upload(name, n, texels, GL_NEAREST);
}
