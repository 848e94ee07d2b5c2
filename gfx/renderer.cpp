#include "gfx/renderer.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "gfx/data_files.h"
#include "gfx/font.h"
#include "gfx/gl_ext.h"
#include "gfx/noise.h"
#include "gfx/particles.h"
#include "gfx/links.h"
#include "gfx/texture.h"
#include "platform/crt_rand.h"
#include "platform/msgbox.h"
#include "platform/window.h"

RendererSetup RenderSetup;
unsigned FixedRendererSeed = 0;
SceneLighting Lighting;
RendererObjects Renderer;

namespace {

constexpr int kNoiseEdge = 64;
constexpr int kBaseTextureCount = 9;        // tex00 to tex08
constexpr int kClampedBaseTexture = 5;      // tex05 is drawn clamped to its edges
constexpr int kMissingFramebufferExit = -1;
constexpr int kBadFramebufferExit = 0;

const char* const kCaption = "ERROR";

[[noreturn]] void EndProcess(const char* message, int code) {
  if (message) platform::ShowMessageBox(message, kCaption, platform::MessageIcon::kWarning);
  std::exit(code);
}

// A pending GL error here means something above was refused (a size, a format, an
// entry point that is only a stub); drawing on from such a state would fail later in
// ways far harder to trace, so start-up stops and says where.
bool NoPendingError(int check) {
  const GLenum error = glGetError();
  if (error == GL_NO_ERROR) return true;
  while (glGetError() != GL_NO_ERROR) {
  }
  char text[96];
  std::snprintf(text, sizeof text, "OpenGL error 0x%04X during start-up (check %d)",
                static_cast<unsigned>(error), check);
  platform::ShowMessageBox(text, kCaption, platform::MessageIcon::kWarning);
  return false;
}

void SetFog() {
  const GLfloat grey[4] = {0.65f, 0.65f, 0.65f, 1.0f};
  glFogi(GL_FOG_MODE, GL_EXP2);
  glFogfv(GL_FOG_COLOR, grey);
  glFogf(GL_FOG_DENSITY, Lighting.fogDensity);
  glHint(GL_FOG_HINT, GL_DONT_CARE);
  glFogf(GL_FOG_START, 10.0f);
  glFogf(GL_FOG_END, 350.0f);
}

void SetFixedFunctionState() {
  glColor4f(1.0f, 1.0f, 1.0f, 0.0f);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glEnable(GL_TEXTURE_2D);
  glShadeModel(GL_SMOOTH);
  glClearColor(0.16f, 0.24f, 0.27f, 0.0f);
  glClearDepth(1.0);
  glDepthFunc(GL_LEQUAL);
  glEnable(GL_DEPTH_TEST);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
}

void LoadBaseTextures() {
  for (int i = 0; i < kBaseTextureCount; ++i) {
    char path[40];
    std::snprintf(path, sizeof path, "base/textures/tex%02d.tga", i);
    TextureTable[i].LoadTGA(path, i == kClampedBaseTexture ? kTextureClampedMipmapped : kTextureMipmapped);
  }
}

// The window's own framebuffer is bound: only a broken driver reports it incomplete.
void CheckWindowFramebuffer() {
  const GLenum status = GlExt.glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
  if (status == GL_FRAMEBUFFER_UNSUPPORTED_EXT)
    EndProcess("GL_FRAMEBUFFER_UNSUPPORTED_EXT!", kBadFramebufferExit);
  if (status != GL_FRAMEBUFFER_COMPLETE_EXT) EndProcess(nullptr, kBadFramebufferExit);
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
}

}  // namespace

bool InitRenderer(const RendererSetup& setup) {
  RenderSetup = setup;
  if (GfxLinks.resetLoadedCars) GfxLinks.resetLoadedCars();
  platform::SeedRand(FixedRendererSeed != 0 ? FixedRendererSeed : static_cast<unsigned>(std::time(nullptr)));
  SetFog();

  if (!ExtensionSubstring(GlExtensionString(), "EXT_framebuffer_object"))
    EndProcess("EXT_framebuffer_object extension was not found", kMissingFramebufferExit);
  if (!FetchFramebufferEntryPoints())
    EndProcess("One or more EXT_framebuffer_object functions were not found", kMissingFramebufferExit);
  if (!FetchOcclusionQueryEntryPoints()) {
    platform::ShowMessageBox("One or more GL_ARB_occlusion_query functions were not found", kCaption,
                             platform::MessageIcon::kWarning);
    return false;
  }
  // The tabled shadow map sizes run to 8192, past what some drivers can make: a refused
  // texture would stop start-up at check 4, so the map takes the largest size the driver
  // allows instead. The shadow constants read the fitted size from RenderSetup.
  RenderSetup.shadowMapSize = FitTargetSize(RenderSetup.shadowMapSize, SquareTargetLimit());

  GLuint query = 0;
  GlExt.glGenQueriesARB(1, &query);
  Renderer.SunQuery = static_cast<int>(query);

  CreateFramebuffersAndDepthBuffers(RenderSetup, &Renderer.targets);
  CheckWindowFramebuffer();
  MaxAnisotropy = QueryMaxAnisotropy();
  if (FetchClampColorEntryPoint()) {
    GlExt.glClampColorARB(GL_CLAMP_VERTEX_COLOR_ARB, GL_FALSE);
    GlExt.glClampColorARB(GL_CLAMP_FRAGMENT_COLOR_ARB, GL_FALSE);
  }
  LoadMultitextureExtension();  // optional: without it the multitexture entries stay null
  SetFixedFunctionState();
  platform::SetSwapInterval(0);  // no frame cap; a refusal keeps the driver's setting
  glCullFace(GL_BACK);
  glEnable(GL_CULL_FACE);

  // The menus and the HUD cannot be read without their fonts and base textures: the
  // start ends, naming the file, rather than running with blank text.
  const uint32_t faultsBefore = UnusableFileCount();
  LoadBaseTextures();
  bool fontsRead = LoadFontWidths("base/font1.ini", 1);
  fontsRead = LoadFontWidths("base/font2.ini", 2) && fontsRead;
  const bool essentialsRead = fontsRead && UnusableFileCount() == faultsBefore;
  BuildFontLists1();
  BuildFontLists2();
  if (GfxLinks.loadFPoints) GfxLinks.loadFPoints("base/fpoints.ini");

  if (!NoPendingError(1)) return false;
  glEnable(GL_TEXTURE_2D);
  glDisable(GL_TEXTURE_RECTANGLE_ARB);
  if (!NoPendingError(2)) return false;

  FetchTexImage3DEntryPoint();
  CreateNoiseTextures(&Renderer.NoiseTexture3D, &Renderer.NoisePlanes, kNoiseEdge);
  CreateRandomTexture3D(&Renderer.RandomTexture3D, kNoiseEdge);
  if (!NoPendingError(3)) return false;

  CreateRenderTextures(RenderSetup, &Renderer.targets);
  if (!NoPendingError(4)) return false;

  LoadParticleEmitters();
  CreateEnvironmentCubeMap(&Renderer.targets);
  return BuildShaderPrograms("base/shaders/", Renderer.programs) && essentialsRead;
}

void ReleaseRenderer() {
  DeleteRenderTargets(&Renderer.targets);
  if (Renderer.SunQuery != -1 && GlExt.glDeleteQueriesARB) {
    const GLuint q = static_cast<GLuint>(Renderer.SunQuery);
    GlExt.glDeleteQueriesARB(1, &q);
  }
  Renderer.SunQuery = -1;
  if (Renderer.NoiseTexture3D) glDeleteTextures(1, &Renderer.NoiseTexture3D);
  if (Renderer.NoisePlanes) glDeleteTextures(1, &Renderer.NoisePlanes);
  if (Renderer.RandomTexture3D) glDeleteTextures(1, &Renderer.RandomTexture3D);
  Renderer.NoiseTexture3D = Renderer.NoisePlanes = Renderer.RandomTexture3D = 0;
}
