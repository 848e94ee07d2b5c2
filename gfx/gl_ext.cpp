#include "gfx/gl_ext.h"

#include <cstring>
#include <string>

#include "platform/gl_proc.h"

GlExtensionTable GlExt;
int MaxTextureUnits = 1;
int MaxAnisotropy = 0;
int MaxSamples = 0;

namespace {

template <typename Fn>
void Fetch(Fn& entry, const char* name) {
  entry = reinterpret_cast<Fn>(platform::GetGLProcAddress(name));
}

bool Listed(const char* extension) {
  return platform::ExtensionListed(GlExtensionString(), extension);
}

// glGetString(GL_VERSION) begins "major.minor".
bool VersionAtLeast(int major, int minor) {
  const char* v = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  if (!v) return false;
  int ma = 0, mi = 0;
  while (*v >= '0' && *v <= '9') ma = ma * 10 + (*v++ - '0');
  if (*v == '.') {
    ++v;
    while (*v >= '0' && *v <= '9') mi = mi * 10 + (*v++ - '0');
  }
  return ma > major || (ma == major && mi >= minor);
}

}  // namespace

namespace {
const char* DriverExtensions() { return reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)); }
ExtensionStringSource g_extensionSource = DriverExtensions;
}  // namespace

const char* GlExtensionString() {
  const char* s = g_extensionSource();
  return s ? s : "";
}

void SetExtensionStringSource(ExtensionStringSource source) {
  g_extensionSource = source ? source : DriverExtensions;
}

bool ExtensionSubstring(const char* extensions, const char* fragment) {
  return extensions && fragment && std::strstr(extensions, fragment) != nullptr;
}

bool HasExtension(const char* list, const char* name) {
  if (!list || !name || !*name) return false;
  const size_t n = std::strlen(name);
  const char* word = list;
  for (;;) {
    const char* end = std::strchr(word, '\n');
    const size_t len = end ? static_cast<size_t>(end - word) : std::strlen(word);
    if (len == n && std::strncmp(word, name, n) == 0) return true;
    if (!end) return false;
    word = end + 1;
  }
}

bool FetchFramebufferEntryPoints() {
  GlExtensionTable& t = GlExt;
  if (!ExtensionSubstring(GlExtensionString(), "EXT_framebuffer_object")) return false;
  Fetch(t.glIsRenderbufferEXT, "glIsRenderbufferEXT");
  Fetch(t.glBindRenderbufferEXT, "glBindRenderbufferEXT");
  Fetch(t.glDeleteRenderbuffersEXT, "glDeleteRenderbuffersEXT");
  Fetch(t.glGenRenderbuffersEXT, "glGenRenderbuffersEXT");
  Fetch(t.glRenderbufferStorageEXT, "glRenderbufferStorageEXT");
  if (Listed("GL_EXT_framebuffer_multisample"))
    Fetch(t.glRenderbufferStorageMultisampleEXT, "glRenderbufferStorageMultisampleEXT");
  if (Listed("GL_EXT_framebuffer_blit")) Fetch(t.glBlitFramebufferEXT, "glBlitFramebufferEXT");
  Fetch(t.glGetRenderbufferParameterivEXT, "glGetRenderbufferParameterivEXT");
  Fetch(t.glIsFramebufferEXT, "glIsFramebufferEXT");
  Fetch(t.glBindFramebufferEXT, "glBindFramebufferEXT");
  Fetch(t.glDeleteFramebuffersEXT, "glDeleteFramebuffersEXT");
  Fetch(t.glGenFramebuffersEXT, "glGenFramebuffersEXT");
  Fetch(t.glCheckFramebufferStatusEXT, "glCheckFramebufferStatusEXT");
  Fetch(t.glFramebufferTexture1DEXT, "glFramebufferTexture1DEXT");
  Fetch(t.glFramebufferTexture2DEXT, "glFramebufferTexture2DEXT");
  Fetch(t.glFramebufferTexture3DEXT, "glFramebufferTexture3DEXT");
  Fetch(t.glFramebufferRenderbufferEXT, "glFramebufferRenderbufferEXT");
  Fetch(t.glGetFramebufferAttachmentParameterivEXT, "glGetFramebufferAttachmentParameterivEXT");
  Fetch(t.glGenerateMipmapEXT, "glGenerateMipmapEXT");
  return t.glIsRenderbufferEXT && t.glBindRenderbufferEXT && t.glDeleteRenderbuffersEXT &&
         t.glGenRenderbuffersEXT && t.glRenderbufferStorageEXT && t.glGetRenderbufferParameterivEXT &&
         t.glIsFramebufferEXT && t.glBindFramebufferEXT && t.glDeleteFramebuffersEXT &&
         t.glGenFramebuffersEXT && t.glCheckFramebufferStatusEXT && t.glFramebufferTexture1DEXT &&
         t.glFramebufferTexture2DEXT && t.glFramebufferTexture3DEXT &&
         t.glFramebufferRenderbufferEXT && t.glGetFramebufferAttachmentParameterivEXT &&
         t.glGenerateMipmapEXT;
}

bool FetchOcclusionQueryEntryPoints() {
  GlExtensionTable& t = GlExt;
  if (!Listed("GL_ARB_occlusion_query")) return false;
  Fetch(t.glGenQueriesARB, "glGenQueriesARB");
  Fetch(t.glDeleteQueriesARB, "glDeleteQueriesARB");
  Fetch(t.glIsQueryARB, "glIsQueryARB");
  Fetch(t.glBeginQueryARB, "glBeginQueryARB");
  Fetch(t.glEndQueryARB, "glEndQueryARB");
  Fetch(t.glGetQueryivARB, "glGetQueryivARB");
  Fetch(t.glGetQueryObjectivARB, "glGetQueryObjectivARB");
  Fetch(t.glGetQueryObjectuivARB, "glGetQueryObjectuivARB");
  return t.glGenQueriesARB && t.glDeleteQueriesARB && t.glIsQueryARB && t.glBeginQueryARB &&
         t.glEndQueryARB && t.glGetQueryivARB && t.glGetQueryObjectivARB && t.glGetQueryObjectuivARB;
}

bool FetchClampColorEntryPoint() {
  if (!Listed("GL_ARB_color_buffer_float")) return false;
  Fetch(GlExt.glClampColorARB, "glClampColorARB");
  return GlExt.glClampColorARB != nullptr;
}

bool FetchTexImage3DEntryPoint() {
  if (!VersionAtLeast(1, 2) && !Listed("GL_EXT_texture3D")) return false;
  Fetch(GlExt.glTexImage3D, "glTexImage3D");
  if (!GlExt.glTexImage3D) Fetch(GlExt.glTexImage3D, "glTexImage3DEXT");
  return GlExt.glTexImage3D != nullptr;
}

bool FetchShaderEntryPoints() {
  GlExtensionTable& t = GlExt;
  if (!Listed("GL_ARB_shader_objects")) return false;
  Fetch(t.glCreateProgramObjectARB, "glCreateProgramObjectARB");
  Fetch(t.glCreateShaderObjectARB, "glCreateShaderObjectARB");
  Fetch(t.glCompileShaderARB, "glCompileShaderARB");
  Fetch(t.glLinkProgramARB, "glLinkProgramARB");
  Fetch(t.glGetInfoLogARB, "glGetInfoLogARB");
  Fetch(t.glDeleteObjectARB, "glDeleteObjectARB");
  Fetch(t.glUseProgramObjectARB, "glUseProgramObjectARB");
  Fetch(t.glShaderSourceARB, "glShaderSourceARB");
  Fetch(t.glAttachObjectARB, "glAttachObjectARB");
  Fetch(t.glGetObjectParameterivARB, "glGetObjectParameterivARB");
  Fetch(t.glGetUniformLocationARB, "glGetUniformLocationARB");
  Fetch(t.glUniform4fARB, "glUniform4fARB");
  Fetch(t.glUniform3fARB, "glUniform3fARB");
  Fetch(t.glUniform2fARB, "glUniform2fARB");
  Fetch(t.glUniform1fARB, "glUniform1fARB");
  Fetch(t.glUniform1iARB, "glUniform1iARB");
  Fetch(t.glUniformMatrix4fvARB, "glUniformMatrix4fvARB");
  const bool all =
      t.glCreateProgramObjectARB && t.glCreateShaderObjectARB && t.glCompileShaderARB &&
      t.glLinkProgramARB && t.glGetInfoLogARB && t.glDeleteObjectARB && t.glUseProgramObjectARB &&
      t.glShaderSourceARB && t.glAttachObjectARB && t.glGetObjectParameterivARB &&
      t.glGetUniformLocationARB && t.glUniform4fARB && t.glUniform3fARB && t.glUniform2fARB &&
      t.glUniform1fARB && t.glUniform1iARB && t.glUniformMatrix4fvARB;
  if (all) return true;
  // All or none: start-up fails and the game carries on without programs, and what
  // tests for shader support tests one entry point, so one found among missing ones
  // would lead it into a call through null.
  t.glCreateProgramObjectARB = nullptr;
  t.glCreateShaderObjectARB = nullptr;
  t.glCompileShaderARB = nullptr;
  t.glLinkProgramARB = nullptr;
  t.glGetInfoLogARB = nullptr;
  t.glDeleteObjectARB = nullptr;
  t.glUseProgramObjectARB = nullptr;
  t.glShaderSourceARB = nullptr;
  t.glAttachObjectARB = nullptr;
  t.glGetObjectParameterivARB = nullptr;
  t.glGetUniformLocationARB = nullptr;
  t.glUniform4fARB = nullptr;
  t.glUniform3fARB = nullptr;
  t.glUniform2fARB = nullptr;
  t.glUniform1fARB = nullptr;
  t.glUniform1iARB = nullptr;
  t.glUniformMatrix4fvARB = nullptr;
  return false;
}

bool LoadMultitextureExtension() {
  // The word test wants newline separators; the driver's list has spaces.
  std::string list = GlExtensionString();
  for (char& c : list)
    if (c == ' ') c = '\n';
  if (!HasExtension(list.c_str(), "GL_ARB_multitexture")) return false;
  if (!HasExtension(list.c_str(), "GL_EXT_texture_env_combine")) return false;
  GLint units = 1;
  glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &units);
  MaxTextureUnits = units;
  GlExtensionTable& t = GlExt;
  Fetch(t.glMultiTexCoord1fARB, "glMultiTexCoord1fARB");
  Fetch(t.glMultiTexCoord2fARB, "glMultiTexCoord2fARB");
  Fetch(t.glMultiTexCoord3fARB, "glMultiTexCoord3fARB");
  Fetch(t.glMultiTexCoord4fARB, "glMultiTexCoord4fARB");
  Fetch(t.glMultiTexCoord2fvARB, "glMultiTexCoord2fvARB");
  Fetch(t.glMultiTexCoord3fvARB, "glMultiTexCoord3fvARB");
  Fetch(t.glMultiTexCoord4fvARB, "glMultiTexCoord4fvARB");
  Fetch(t.glActiveTextureARB, "glActiveTextureARB");
  Fetch(t.glClientActiveTextureARB, "glClientActiveTextureARB");
  return true;
}

void ResetGlExtensionTable() {
  GlExt = GlExtensionTable();
  MaxTextureUnits = 1;
  MaxAnisotropy = 0;
  MaxSamples = 0;
}

int AnisotropyBelowMaximum(int maximum) {
  const int a = static_cast<int>(static_cast<double>(maximum) - 0.1);
  return a < 1 ? 1 : a;
}

int QueryMaxAnisotropy() {
  if (!Listed("GL_EXT_texture_filter_anisotropic") && !Listed("GL_ARB_texture_filter_anisotropic"))
    return 0;
  GLint v = 0;
  glGetIntegerv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &v);
  return v;
}
