// The extension entry points the game draws with, and the driver limits read at
// start-up. Filled once on the main thread by InitRenderer; both GL contexts share
// them. An entry stays null until its group is fetched, and a group is fetched only
// when the extension string lists it: under GLVND the loader hands out a stub for any
// name at all, so a non-null pointer proves nothing.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

struct GlExtensionTable {
  // Framebuffer objects (19).
  PFNGLISRENDERBUFFEREXTPROC glIsRenderbufferEXT = nullptr;
  PFNGLBINDRENDERBUFFEREXTPROC glBindRenderbufferEXT = nullptr;
  PFNGLDELETERENDERBUFFERSEXTPROC glDeleteRenderbuffersEXT = nullptr;
  PFNGLGENRENDERBUFFERSEXTPROC glGenRenderbuffersEXT = nullptr;
  PFNGLRENDERBUFFERSTORAGEEXTPROC glRenderbufferStorageEXT = nullptr;
  // Null when the driver lacks multisampled renderbuffers; not required at start-up.
  PFNGLRENDERBUFFERSTORAGEMULTISAMPLEEXTPROC glRenderbufferStorageMultisampleEXT = nullptr;
  // Null when the driver lacks framebuffer blits; not required at start-up.
  PFNGLBLITFRAMEBUFFEREXTPROC glBlitFramebufferEXT = nullptr;
  PFNGLGETRENDERBUFFERPARAMETERIVEXTPROC glGetRenderbufferParameterivEXT = nullptr;
  PFNGLISFRAMEBUFFEREXTPROC glIsFramebufferEXT = nullptr;
  PFNGLBINDFRAMEBUFFEREXTPROC glBindFramebufferEXT = nullptr;
  PFNGLDELETEFRAMEBUFFERSEXTPROC glDeleteFramebuffersEXT = nullptr;
  PFNGLGENFRAMEBUFFERSEXTPROC glGenFramebuffersEXT = nullptr;
  PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC glCheckFramebufferStatusEXT = nullptr;
  PFNGLFRAMEBUFFERTEXTURE1DEXTPROC glFramebufferTexture1DEXT = nullptr;
  PFNGLFRAMEBUFFERTEXTURE2DEXTPROC glFramebufferTexture2DEXT = nullptr;
  PFNGLFRAMEBUFFERTEXTURE3DEXTPROC glFramebufferTexture3DEXT = nullptr;
  PFNGLFRAMEBUFFERRENDERBUFFEREXTPROC glFramebufferRenderbufferEXT = nullptr;
  PFNGLGETFRAMEBUFFERATTACHMENTPARAMETERIVEXTPROC glGetFramebufferAttachmentParameterivEXT = nullptr;
  PFNGLGENERATEMIPMAPEXTPROC glGenerateMipmapEXT = nullptr;

  // Occlusion queries (8).
  PFNGLGENQUERIESARBPROC glGenQueriesARB = nullptr;
  PFNGLDELETEQUERIESARBPROC glDeleteQueriesARB = nullptr;
  PFNGLISQUERYARBPROC glIsQueryARB = nullptr;
  PFNGLBEGINQUERYARBPROC glBeginQueryARB = nullptr;
  PFNGLENDQUERYARBPROC glEndQueryARB = nullptr;
  PFNGLGETQUERYIVARBPROC glGetQueryivARB = nullptr;
  PFNGLGETQUERYOBJECTIVARBPROC glGetQueryObjectivARB = nullptr;
  PFNGLGETQUERYOBJECTUIVARBPROC glGetQueryObjectuivARB = nullptr;

  // Colour clamping (1).
  PFNGLCLAMPCOLORARBPROC glClampColorARB = nullptr;

  // Multitexture (9).
  PFNGLMULTITEXCOORD1FARBPROC glMultiTexCoord1fARB = nullptr;
  PFNGLMULTITEXCOORD2FARBPROC glMultiTexCoord2fARB = nullptr;
  PFNGLMULTITEXCOORD3FARBPROC glMultiTexCoord3fARB = nullptr;
  PFNGLMULTITEXCOORD4FARBPROC glMultiTexCoord4fARB = nullptr;
  PFNGLMULTITEXCOORD2FVARBPROC glMultiTexCoord2fvARB = nullptr;
  PFNGLMULTITEXCOORD3FVARBPROC glMultiTexCoord3fvARB = nullptr;
  PFNGLMULTITEXCOORD4FVARBPROC glMultiTexCoord4fvARB = nullptr;
  PFNGLACTIVETEXTUREARBPROC glActiveTextureARB = nullptr;
  PFNGLCLIENTACTIVETEXTUREARBPROC glClientActiveTextureARB = nullptr;

  // 3D textures (1).
  PFNGLTEXIMAGE3DPROC glTexImage3D = nullptr;

  // Shader objects (17).
  PFNGLCREATEPROGRAMOBJECTARBPROC glCreateProgramObjectARB = nullptr;
  PFNGLCREATESHADEROBJECTARBPROC glCreateShaderObjectARB = nullptr;
  PFNGLCOMPILESHADERARBPROC glCompileShaderARB = nullptr;
  PFNGLLINKPROGRAMARBPROC glLinkProgramARB = nullptr;
  PFNGLGETINFOLOGARBPROC glGetInfoLogARB = nullptr;
  PFNGLDELETEOBJECTARBPROC glDeleteObjectARB = nullptr;
  PFNGLUSEPROGRAMOBJECTARBPROC glUseProgramObjectARB = nullptr;
  PFNGLSHADERSOURCEARBPROC glShaderSourceARB = nullptr;
  PFNGLATTACHOBJECTARBPROC glAttachObjectARB = nullptr;
  PFNGLGETOBJECTPARAMETERIVARBPROC glGetObjectParameterivARB = nullptr;
  PFNGLGETUNIFORMLOCATIONARBPROC glGetUniformLocationARB = nullptr;
  PFNGLUNIFORM4FARBPROC glUniform4fARB = nullptr;
  PFNGLUNIFORM3FARBPROC glUniform3fARB = nullptr;
  PFNGLUNIFORM2FARBPROC glUniform2fARB = nullptr;
  PFNGLUNIFORM1FARBPROC glUniform1fARB = nullptr;
  PFNGLUNIFORM1IARBPROC glUniform1iARB = nullptr;
  PFNGLUNIFORMMATRIX4FVARBPROC glUniformMatrix4fvARB = nullptr;
};

extern GlExtensionTable GlExt;

// Driver limits, read by InitRenderer and kept for the loaders and the options page.
extern int MaxTextureUnits;  // 1 until read
extern int MaxAnisotropy;    // 0 when the driver has no anisotropic filtering
extern int MaxSamples;       // 0 when the driver has no multisampled renderbuffers

// The GL_EXTENSIONS string of the current context, "" when there is none.
const char* GlExtensionString();
// Where GlExtensionString reads from; tests pass a function that hides extensions the
// driver cannot be made to drop. Null restores the driver's string.
using ExtensionStringSource = const char* (*)();
void SetExtensionStringSource(ExtensionStringSource source);
// Plain substring search, as the framebuffer and shader checks make it (a name found
// inside a longer one counts).
bool ExtensionSubstring(const char* extensions, const char* fragment);
// True when one newline-separated word of the list equals name; the last word counts
// without a trailing newline.
bool HasExtension(const char* list, const char* name);

// Each fetch fills its group from the platform's entry-point loader when the
// extension string lists the group's extension, and leaves it null otherwise. The
// result is true when every required entry of the group is non-null.
bool FetchFramebufferEntryPoints();   // the 17 required (multisample and blit optional)
bool FetchOcclusionQueryEntryPoints();
bool FetchClampColorEntryPoint();
bool FetchTexImage3DEntryPoint();
bool FetchShaderEntryPoints();  // all 17 or none: a missing one leaves the whole group null
// Needs "GL_ARB_multitexture" and "GL_EXT_texture_env_combine" as whole words (tested
// in that order); then reads MaxTextureUnits and fetches the nine entry points.
bool LoadMultitextureExtension();
// Empties the table and resets the limits; for tests that start the renderer twice.
void ResetGlExtensionTable();

// The anisotropy the loaders ask for: one below the maximum (16 gives 15), truncated,
// and never below 1 (a maximum of 1 would otherwise ask for 0, which GL refuses).
int AnisotropyBelowMaximum(int maximum);
// GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, or 0 without raising a GL error when the driver
// lacks the extension.
int QueryMaxAnisotropy();
