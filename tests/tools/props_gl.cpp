#include "tests/tools/props_gl.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>
#include <cstdlib>

#include "gfx/gl_ext.h"
#include "platform/msgbox.h"
#include "platform/window.h"

namespace propstest {

bool OpenGl(std::string* why) {
  static bool tried = false, ok = false;
  static std::string reason;
  if (!tried) {
    tried = true;
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
      reason = "no X display (run the GL tests under xvfb-run)";
    } else {
      platform::SetDialogsEnabled(false);
      if (!platform::InitVideo() || !platform::CreateWindow("Kelvamor content", 320, 240, false))
        reason = "no GL window could be created";
      else if (!platform::CreateMainContext() || !platform::CreateWorkerContext() ||
               !platform::MakeMainContextCurrent())
        reason = "the sharing GL contexts could not be created";
      else if (!FetchFramebufferEntryPoints())
        reason = "the driver has no framebuffer objects";
      else
        ok = true;
      if (ok) LoadMultitextureExtension();
      while (glGetError() != GL_NO_ERROR) {
      }
    }
  }
  if (why) *why = reason;
  return ok;
}

SceneTarget::SceneTarget(int width, int height) : width_(width), height_(height) {
  glGenTextures(1, &colour_);
  glBindTexture(GL_TEXTURE_2D, colour_);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  glBindTexture(GL_TEXTURE_2D, 0);
  GlExt.glGenRenderbuffersEXT(1, &depth_);
  GlExt.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, depth_);
  GlExt.glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT24, width, height);
  GlExt.glGenFramebuffersEXT(1, &framebuffer_);
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer_);
  GlExt.glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, colour_, 0);
  GlExt.glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT, depth_);
  complete_ = GlExt.glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT) == GL_FRAMEBUFFER_COMPLETE_EXT;
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
}

SceneTarget::~SceneTarget() {
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  GlExt.glDeleteFramebuffersEXT(1, &framebuffer_);
  GlExt.glDeleteRenderbuffersEXT(1, &depth_);
  glDeleteTextures(1, &colour_);
}

void SceneTarget::Bind() const {
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer_);
  glViewport(0, 0, width_, height_);
}

void SceneTarget::Unbind() const { GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0); }

std::vector<uint8_t> SceneTarget::Read() const {
  std::vector<uint8_t> px(static_cast<size_t>(width_) * height_ * 4);
  Bind();
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
  Unbind();
  return px;
}

bool SavePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba) {
  const std::string ppm = path + ".ppm";
  FILE* f = std::fopen(ppm.c_str(), "wb");
  if (!f) return false;
  std::fprintf(f, "P6\n%d %d\n255\n", width, height);
  for (int y = height - 1; y >= 0; --y)
    for (int x = 0; x < width; ++x) std::fwrite(&rgba[4 * (static_cast<size_t>(y) * width + x)], 1, 3, f);
  std::fclose(f);
  const std::string cmd = "convert '" + ppm + "' '" + path + "' 2>/dev/null";
  const bool ok = std::system(cmd.c_str()) == 0;
  std::remove(ppm.c_str());
  return ok;
}

}  // namespace propstest
