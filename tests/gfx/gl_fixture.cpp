#include "tests/gfx/gl_fixture.h"

#include <GL/glext.h>

#include <cstdlib>

#include "gfx/gl_ext.h"
#include "platform/msgbox.h"
#include "platform/window.h"

namespace gltest {

namespace {

struct ContextState {
  bool tried = false;
  bool ok = false;
  std::string why;
};

ContextState& State() {
  static ContextState s;
  return s;
}

bool Open(std::string* why) {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) {
    *why = "no X display (run the GL tests under xvfb-run)";
    return false;
  }
  platform::SetDialogsEnabled(false);
  if (!platform::InitVideo()) {
    *why = "SDL video could not start";
    return false;
  }
  if (!platform::CreateWindow("Kelvamor tests", kWindowWidth, kWindowHeight, false)) {
    *why = "no GL window could be created";
    return false;
  }
  if (!platform::CreateMainContext() || !platform::CreateWorkerContext() ||
      !platform::MakeMainContextCurrent()) {
    *why = "the two sharing GL contexts could not be created";
    return false;
  }
  if (!FetchFramebufferEntryPoints()) {
    *why = "the driver has no EXT_framebuffer_object";
    return false;
  }
  TakeGlError();
  return true;
}

}  // namespace

bool OpenContext(std::string* why) {
  ContextState& s = State();
  if (!s.tried) {
    s.tried = true;
    s.ok = Open(&s.why);
  }
  if (why) *why = s.why;
  return s.ok;
}

GLenum TakeGlError() {
  const GLenum first = glGetError();
  if (first != GL_NO_ERROR)
    while (glGetError() != GL_NO_ERROR) {
    }
  return first;
}

const char* GlErrorName(GLenum error) {
  switch (error) {
    case GL_NO_ERROR: return "GL_NO_ERROR";
    case GL_INVALID_ENUM: return "GL_INVALID_ENUM";
    case GL_INVALID_VALUE: return "GL_INVALID_VALUE";
    case GL_INVALID_OPERATION: return "GL_INVALID_OPERATION";
    case GL_OUT_OF_MEMORY: return "GL_OUT_OF_MEMORY";
    case GL_INVALID_FRAMEBUFFER_OPERATION_EXT: return "GL_INVALID_FRAMEBUFFER_OPERATION";
    default: return "unknown GL error";
  }
}

void GlTest::SetUp() {
  std::string why;
  if (!OpenContext(&why)) GTEST_SKIP() << "GL test skipped: " << why;
  TakeGlError();
}

ColourTarget::ColourTarget(int width, int height) : width_(width), height_(height) {
  glGenTextures(1, &texture_);
  glBindTexture(GL_TEXTURE_2D, texture_);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  GlExt.glGenRenderbuffersEXT(1, &depth_);
  GlExt.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, depth_);
  GlExt.glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT24, width, height);
  GlExt.glGenFramebuffersEXT(1, &framebuffer_);
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer_);
  GlExt.glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, texture_, 0);
  GlExt.glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT, depth_);
  complete_ = GlExt.glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT) == GL_FRAMEBUFFER_COMPLETE_EXT;
  BindWindowFramebuffer();
}

ColourTarget::~ColourTarget() {
  BindWindowFramebuffer();
  GlExt.glDeleteFramebuffersEXT(1, &framebuffer_);
  GlExt.glDeleteRenderbuffersEXT(1, &depth_);
  glDeleteTextures(1, &texture_);
}

void ColourTarget::Bind() const {
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer_);
  glViewport(0, 0, width_, height_);
}

void ColourTarget::Clear(float r, float g, float b, float a) const {
  Bind();
  glClearColor(r, g, b, a);
  glClearDepth(1.0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

std::vector<uint8_t> ColourTarget::Read() const {
  Bind();
  std::vector<uint8_t> pixels(static_cast<size_t>(width_) * height_ * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

void BindWindowFramebuffer() {
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  glViewport(0, 0, kWindowWidth, kWindowHeight);
}

GLuint SolidTexture(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  const uint8_t texels[16] = {r, g, b, a, r, g, b, a, r, g, b, a, r, g, b, a};
  GLuint tex = 0;
  glGenTextures(1, &tex);
  glBindTexture(GL_TEXTURE_2D, tex);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
  return tex;
}

}  // namespace gltest
