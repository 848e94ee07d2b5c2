#include "gfx/texture.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

#include <cstdlib>

#include "gfx/data_files.h"
#include "gfx/gl_ext.h"
#include "gfx/image_bmp.h"
#include "gfx/image_tga.h"
#include "gfx/renderer.h"


namespace {

// Rows of an RGB image are rarely a multiple of four bytes; with GL's default unpack
// alignment of 4 the driver would read past the end of our pixel block.
void TightUnpack() { glPixelStorei(GL_UNPACK_ALIGNMENT, 1); }

// The material-map rule: with the texture-filtering option on, anisotropy one below
// the maximum read at start-up. Nothing when the driver has none.
void ApplyOptionalAnisotropy() {
  if (RenderSetup.textureFiltering == 1 && MaxAnisotropy > 0)
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT,
                    AnisotropyBelowMaximum(MaxAnisotropy));
}

// A loader thread without a context of its own still runs its loading steps; GLU's
// mipmap builder would then crash on the missing version string, so nothing uploads.
bool GlContextCurrent() { return glGetString(GL_VERSION) != nullptr; }

// Errors left by earlier calls are not this upload's: bounded, since a context that
// keeps reporting would otherwise hold the loop.
void ClearGlErrors() {
  for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
  }
}

// A driver that refuses an upload (too large, out of memory) leaves an empty name
// behind: the texture is deleted so the loader can report the failure.
bool KeepUploadOrDelete(GLuint name, bool uploaded) {
  if (glGetError() == GL_NO_ERROR && uploaded) return true;
  ClearGlErrors();
  glDeleteTextures(1, &name);
  return false;
}

GLuint NewBoundTexture() {
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  return name;
}

}  // namespace

Texture::~Texture() { Release(); }

void Texture::Release() {
  // Never-loaded records make no GL call: the tables outlive the context.
  if (name == -1) return;
  const GLuint n = static_cast<GLuint>(name);
  glDeleteTextures(1, &n);
  name = -1;
}

namespace {

// The game's images: a file that does not read is named with its fault.
bool ReadGameTGA(const char* path, TgaImage* image) {
  switch (ReadTGAFile(path, image)) {
    case TgaResult::kOk: return true;
    case TgaResult::kOpenFailed: ReportUnusableFile(path, OpenFailureReason()); break;
    case TgaResult::kBadHeader: ReportUnusableFile(path, "is not an uncompressed true-colour TGA image"); break;
    case TgaResult::kBadDepth: ReportUnusableFile(path, "is a TGA image of neither 24 nor 32 bits"); break;
    case TgaResult::kEmpty: ReportUnusableFile(path, "is a TGA image with no pixels"); break;
    case TgaResult::kShortPixels: ReportUnusableFile(path, "is truncated: it ends before its pixels"); break;
  }
  return false;
}

}  // namespace

bool Texture::LoadTGA(const char* path, int mode) {
  if (!GlContextCurrent()) return false;
  if (name != -1 && glIsTexture(static_cast<GLuint>(name))) return true;
  TgaImage image;
  if (!ReadGameTGA(path, &image)) return false;
  width = image.width;
  height = image.height;
  components = image.components;

  const GLenum format = components == 3 ? GL_RGB : GL_RGBA;
  const GLenum compressed = components == 3 ? GL_COMPRESSED_RGB_ARB : GL_COMPRESSED_RGBA_ARB;
  ClearGlErrors();
  name = static_cast<int>(NewBoundTexture());
  TightUnpack();
  bool uploaded = true;
  const void* px = image.pixels.data();
  auto filters = [](GLint minFilter, GLint magFilter) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
  };
  auto wraps = [](GLint s, GLint t) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, s);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, t);
  };
  auto mipmaps = [&](GLenum internalFormat) {
    uploaded = gluBuild2DMipmaps(GL_TEXTURE_2D, static_cast<GLint>(internalFormat), width, height, format,
                                 GL_UNSIGNED_BYTE, px) == 0;
  };
  auto oneLevel = [&](GLenum internalFormat) {
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(internalFormat), width, height, 0, format,
                 GL_UNSIGNED_BYTE, px);
  };
  switch (mode) {
    case kTextureMipmapped:
      filters(GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR);
      mipmaps(format);
      break;
    case kTextureLinearMipmapped:
      filters(GL_LINEAR, GL_LINEAR);
      mipmaps(format);
      break;
    case kTextureNearest:
      filters(GL_NEAREST, GL_NEAREST);
      oneLevel(format);
      break;
    case kTextureClampedMipmapped:
      filters(GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR);
      wraps(GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE);
      mipmaps(format);
      break;
    case kTextureCompressedWrapS:
      filters(GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR);
      wraps(GL_REPEAT, GL_CLAMP_TO_EDGE);
      mipmaps(compressed);
      break;
    case kTextureCompressedFlat:
      filters(GL_LINEAR, GL_LINEAR);
      wraps(GL_REPEAT, GL_REPEAT);
      oneLevel(compressed);
      break;
    case kTextureAnisotropic: {
      // Only with "Texture filtering" set to anisotropic, as for the material maps: on a
      // software rasteriser the landscape's maps at anisotropy 15 cost the world pass
      // 53 ms a frame, and a player who chose trilinear gets trilinear everywhere.
      const int maximum = RenderSetup.textureFiltering == 1 ? QueryMaxAnisotropy() : 0;
      if (maximum > 0)
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, AnisotropyBelowMaximum(maximum));
      filters(GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR);
      wraps(GL_REPEAT, GL_REPEAT);
      mipmaps(format);
      break;
    }
    default:
      break;  // an unknown mode leaves the name created, bound and empty
  }
  if (!KeepUploadOrDelete(static_cast<GLuint>(name), uploaded)) {
    name = -1;
    width = height = components = 0;
    return false;
  }
  return true;
}

int LoadTGATexture(const char* path, bool compress) {
  if (!GlContextCurrent()) return -1;
  TgaImage image;
  if (!ReadGameTGA(path, &image)) return -1;
  const GLenum format = image.components == 3 ? GL_RGB : GL_RGBA;
  const GLenum internalFormat =
      compress ? (image.components == 3 ? GL_COMPRESSED_RGB_ARB : GL_COMPRESSED_RGBA_ARB) : format;
  ClearGlErrors();
  const GLuint name = NewBoundTexture();
  ApplyOptionalAnisotropy();
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  TightUnpack();
  const bool uploaded = gluBuild2DMipmaps(GL_TEXTURE_2D, static_cast<GLint>(internalFormat), image.width,
                                          image.height, format, GL_UNSIGNED_BYTE, image.pixels.data()) == 0;
  return KeepUploadOrDelete(name, uploaded) ? static_cast<int>(name) : -1;
}

int LoadBMPTexture(const char* path, bool compress) {
  if (!GlContextCurrent()) return -1;
  BmpImage* image = LoadBMP(path);
  if (!image || !image->pixels) {
    ReportUnusableFile(path, "is missing or not a readable BMP image");
    FreeBMP(image);
    return -1;
  }
  ClearGlErrors();
  const GLuint name = NewBoundTexture();
  ApplyOptionalAnisotropy();
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  TightUnpack();
  const bool uploaded = gluBuild2DMipmaps(GL_TEXTURE_2D, compress ? GL_COMPRESSED_RGB_ARB : GL_RGB, image->width,
                                          image->height, GL_RGB, GL_UNSIGNED_BYTE, image->pixels) == 0;
  FreeBMP(image);
  return KeepUploadOrDelete(name, uploaded) ? static_cast<int>(name) : -1;
}
