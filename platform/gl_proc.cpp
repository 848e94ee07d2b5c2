#include "platform/gl_proc.h"

#include <SDL2/SDL.h>

#include <cstring>

namespace platform {

namespace {
GlProc SdlLoader(const char* name) { return reinterpret_cast<GlProc>(SDL_GL_GetProcAddress(name)); }
GlProcLoader g_loader = SdlLoader;
}  // namespace

GlProc GetGLProcAddress(const char* name) { return g_loader(name); }

void SetGLProcLoader(GlProcLoader loader) { g_loader = loader ? loader : SdlLoader; }

bool ExtensionListed(const char* extensions, const char* name) {
  if (!extensions || !name || !*name) return false;
  const size_t n = std::strlen(name);
  for (const char* p = extensions; (p = std::strstr(p, name)) != nullptr; p += n) {
    const bool startOk = p == extensions || p[-1] == ' ';
    const bool endOk = p[n] == '\0' || p[n] == ' ';
    if (startOk && endOk) return true;
  }
  return false;
}

}  // namespace platform
