// Start-up on drivers that lack something, each in a process of its own: Mesa is told
// to hide an extension (MESA_EXTENSION_OVERRIDE, read when a context is made), the
// extension string is read through a filter that drops one name (for extensions Mesa
// will not hide on its own), or the entry-point loader is replaced by one that reports
// a name as missing. Missing
// framebuffer objects end the process with -1 (status 255) after their message; the
// other gaps make InitRenderer return false, or are no failure at all.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "gfx/gl_ext.h"
#include "gfx/renderer.h"
#include "gfx/shaders.h"
#include "platform/gl_proc.h"
#include "platform/msgbox.h"
#include "platform/window.h"

namespace {

// Exit codes of the child, so the parent can tell the outcomes apart.
constexpr int kStartedTrue = 10;
constexpr int kStartedFalse = 20;
constexpr int kCheckFailed = 30;
constexpr int kNoContext = 99;

const char* g_missingName = nullptr;
const char* g_hiddenExtension = nullptr;

// The driver's list without one whole word.
const char* FilteredExtensions() {
  static std::string list;
  SetExtensionStringSource(nullptr);
  list = std::string(" ") + GlExtensionString() + " ";
  SetExtensionStringSource(FilteredExtensions);
  const std::string word = std::string(" ") + g_hiddenExtension + " ";
  for (size_t at; (at = list.find(word)) != std::string::npos;) list.replace(at, word.size(), " ");
  return list.c_str() + 1;
}

platform::GlProc LoaderWithout(const char* name) {
  if (g_missingName && std::strcmp(name, g_missingName) == 0) return nullptr;
  platform::SetGLProcLoader(nullptr);
  const platform::GlProc p = platform::GetGLProcAddress(name);
  platform::SetGLProcLoader(LoaderWithout);
  return p;
}

// Runs in the child: a fresh context under the given override, then start-up, then the
// optional check of what a successful start-up left. Does not return.
struct Gap {
  const char* mesaOverride = nullptr;  // MESA_EXTENSION_OVERRIDE
  const char* hidden = nullptr;        // dropped from the extension string
  const char* missing = nullptr;       // entry point the loader reports as absent
  // Run in the child when start-up returned false (as the game carries on then);
  // false makes the child exit with kCheckFailed.
  bool (*afterFailure)() = nullptr;
};

[[noreturn]] void StartUp(Gap gap, bool (*check)() = nullptr) {
  const char* extensionOverride = gap.mesaOverride;
  const char* missingEntryPoint = gap.missing;
  if (extensionOverride) setenv("MESA_EXTENSION_OVERRIDE", extensionOverride, 1);
  platform::SetDialogsEnabled(false);
  if (!platform::InitVideo() || !platform::CreateWindow("Kelvamor tests", 320, 240, false) ||
      !platform::CreateMainContext() || !platform::CreateWorkerContext() || !platform::MakeMainContextCurrent())
    std::_Exit(kNoContext);
  if (gap.hidden) {
    g_hiddenExtension = gap.hidden;
    SetExtensionStringSource(FilteredExtensions);
  }
  if (missingEntryPoint) {
    g_missingName = missingEntryPoint;
    platform::SetGLProcLoader(LoaderWithout);
  }
  RendererSetup setup;
  setup.screenWidth = 320;
  setup.screenHeight = 240;
  const bool ok = InitRenderer(setup);
  if (!ok && gap.afterFailure && !gap.afterFailure()) std::_Exit(kCheckFailed);
  std::fflush(stderr);
  // Skip the static destructors: the point is the result, not a tidy exit.
  std::_Exit(!ok ? kStartedFalse : (check && !check()) ? kCheckFailed : kStartedTrue);
}

class StartupFailureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) GTEST_SKIP() << "no X display (run the GL tests under xvfb-run)";
    struct stat st;
    if (stat("base/shaders/WaterPS.glsl", &st) != 0)
      GTEST_SKIP() << "base/ has not been generated (build the base target)";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
  }
};

Gap MesaHides(const char* extension) {
  Gap g;
  g.mesaOverride = extension;
  return g;
}
Gap StringHides(const char* extension) {
  Gap g;
  g.hidden = extension;
  return g;
}
Gap LoaderLacks(const char* name) {
  Gap g;
  g.missing = name;
  return g;
}

TEST_F(StartupFailureTest, NoFramebufferObjectsEndsTheProcessWithMinusOne) {
  EXPECT_EXIT(StartUp(MesaHides("-GL_EXT_framebuffer_object")), testing::ExitedWithCode(255),
              "ERROR: EXT_framebuffer_object extension was not found");
}

TEST_F(StartupFailureTest, AMissingFramebufferEntryPointEndsTheProcessWithMinusOne) {
  EXPECT_EXIT(StartUp(LoaderLacks("glGenerateMipmapEXT")), testing::ExitedWithCode(255),
              "ERROR: One or more EXT_framebuffer_object functions were not found");
}

TEST_F(StartupFailureTest, TheOptionalBlitMayBeMissing) {
  EXPECT_EXIT(StartUp(LoaderLacks("glBlitFramebufferEXT"), [] { return GlExt.glBlitFramebufferEXT == nullptr; }),
              testing::ExitedWithCode(kStartedTrue), "");
}

TEST_F(StartupFailureTest, NoOcclusionQueriesReturnsFalseWithItsMessage) {
  // Mesa makes no compatibility context at all without occlusion queries, so the
  // string hides them.
  EXPECT_EXIT(StartUp(StringHides("GL_ARB_occlusion_query"), [] { return Renderer.SunQuery == -1; }),
              testing::ExitedWithCode(kStartedFalse),
              "ERROR: One or more GL_ARB_occlusion_query functions were not found");
}

TEST_F(StartupFailureTest, AMissingShaderEntryPointLeavesNoHalfTable) {
  // The extension is listed, one entry point is not there: start-up fails, and the
  // uniform setting the passes go on calling finds no shader support instead of
  // calling the missing setter through null.
  for (const char* name : {"glUniform3fARB", "glUniform4fARB", "glUseProgramObjectARB"}) {
    Gap gap = LoaderLacks(name);
    gap.afterFailure = [] {
      for (int kind = 0; kind <= 15; ++kind) SetShaderUniforms(kind);
      return GlExt.glUniform1iARB == nullptr && GlExt.glUniform1fARB == nullptr &&
             GlExt.glCreateProgramObjectARB == nullptr && GlExt.glUseProgramObjectARB == nullptr;
    };
    EXPECT_EXIT(StartUp(gap), testing::ExitedWithCode(kStartedFalse), "") << name;
  }
}

TEST_F(StartupFailureTest, NoShaderObjectsReturnsFalse) {
  EXPECT_EXIT(StartUp(StringHides("GL_ARB_shader_objects")), testing::ExitedWithCode(kStartedFalse), "");
  EXPECT_EXIT(StartUp(StringHides("GL_ARB_shading_language_100")), testing::ExitedWithCode(kStartedFalse), "");
}

TEST_F(StartupFailureTest, MesaOverrideOfShaderObjectsNeverStartsTheRenderer) {
  // Mesa 22 cannot drop GL_ARB_shader_objects alone: asked to, it drops its whole set of
  // always-present extensions, framebuffer objects included, so start-up ends at the
  // first check. Either way the renderer must not report success.
  EXPECT_EXIT(StartUp(MesaHides("-GL_ARB_shader_objects")),
              [](int status) {
                return WIFEXITED(status) && (WEXITSTATUS(status) == kStartedFalse || WEXITSTATUS(status) == 255);
              },
              "");
}

TEST_F(StartupFailureTest, AMissingShaderEntryPointReturnsFalse) {
  EXPECT_EXIT(StartUp(LoaderLacks("glUniform1iARB")), testing::ExitedWithCode(kStartedFalse), "");
}

TEST_F(StartupFailureTest, NoMultitextureIsNoFailure) {
  // The multitexture entries stay null and the unit count stays 1.
  EXPECT_EXIT(StartUp(StringHides("GL_EXT_texture_env_combine"),
                      [] { return MaxTextureUnits == 1 && GlExt.glActiveTextureARB == nullptr; }),
              testing::ExitedWithCode(kStartedTrue), "");
}

TEST_F(StartupFailureTest, NoAnisotropyOrColourClampingIsNoFailure) {
  EXPECT_EXIT(StartUp(MesaHides("-GL_EXT_texture_filter_anisotropic -GL_ARB_texture_filter_anisotropic"),
                      [] { return MaxAnisotropy == 0; }),
              testing::ExitedWithCode(kStartedTrue), "");
  EXPECT_EXIT(StartUp(StringHides("GL_ARB_color_buffer_float"), [] { return GlExt.glClampColorARB == nullptr; }),
              testing::ExitedWithCode(kStartedTrue), "");
}

}  // namespace
