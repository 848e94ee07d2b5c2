// The one concrete kind of model: read from an .sbm file (the MS3D binary layout),
// completed with tangent frames and drawn in the variants the render passes choose.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gfx/model.h"

// What a read of .sbm bytes found; anything but kOk leaves the model untouched.
enum class SbmResult {
  kOk,
  kOpenFailed,
  kBadMagic,
  kBadVersion,   // not 3 or 4
  kTruncated,    // a count promises more bytes than the file holds
  kBadIndex,     // a triangle names a missing vertex, or a group a missing triangle
  kOutOfMemory,
  kNotFinite,    // a position, normal or texture coordinate is NaN or infinite
};

class MilkshapeModel : public Model {
 public:
  MilkshapeModel() = default;
  ~MilkshapeModel() override = default;

  bool Load(const char* path) override;
  // The same read, saying why a file was refused.
  SbmResult LoadFile(const char* path);
  // The same read from bytes already in memory (the file reader and the tests).
  SbmResult LoadFromMemory(const uint8_t* data, size_t size);

  // Tangent and bitangent per corner from the positions and the first (or second)
  // texture-coordinate set, into the triangles and two new corner arrays each.
  void ComputeTangentFrames();
  void ComputeTangentFramesUV2();

  // Draw variants: immediate mode straight from the triangle records. Groups are
  // drawn in order, each group's triangle list in order.
  void DrawTextured();          // per group: its material texture, normals, first UVs
  void DrawPositionsOnly();     // one run, positions only
  void DrawWithoutTexCoords();  // per group: position on unit 1, (s, t) on unit 0
  void DrawWithAlphaMaps(int overrideTexture);  // alpha map on unit 2, texture on 0
  void DrawTwoTextures(int textureA, int textureB);  // b on unit 2, a on unit 0
  // As DrawTwoTextures, setting the Objects program's emissive uniform per group.
  void DrawWithGroupSamplers(int textureA, int textureB, float c, float d, float e);
  void DrawPlain();             // per group, binds nothing

 private:
  void ComputeFrames(bool secondSet);
};
