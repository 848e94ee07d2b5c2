// The renderer's one-time start-up and the process-wide records it fills: the GL
// objects every pass draws with, the scene's light and fog values, and the sizes the
// shell fixes before start-up.
#pragma once

#include "gfx/framebuffers.h"
#include "gfx/shaders.h"

// What the renderer takes from the settings and the sizes derived from them. The shell
// fills it before InitRenderer; it stays fixed for the run (graphics changes apply at
// the next start).
struct RendererSetup {
  int screenWidth = 800;     // W, settings field 2
  int screenHeight = 600;    // H, settings field 3
  int antiAliasing = 0;      // samples of the multisampled scene target, field 17; 0 none
  int textureFiltering = 0;  // field 14: 1 gives anisotropic material maps
  int shadowMapSize = 1024;  // S: 16 (shadows off), 1024, 4096 or 8192
  int postWidth = 400;       // PostTargetSize, the reduced post-process textures
  int postHeight = 300;
  int renderTextureSize = 1024;  // M, the track-map texture
};

extern RendererSetup RenderSetup;

// Per-scene light and fog values; the world and garage loaders overwrite all of them.
// 14 floats in this order (the loaders and the race renderer index them that way).
struct SceneLighting {
  float minFogFactor = 0.83f;  // the shaders' MinFogFactor: fog never hides more than this
  float fogDensity = 1.3e-05f;
  float fogColour[4] = {0.75f, 0.75f, 0.75f, 1.0f};
  float glareColour[4] = {1.0f, 0.6f, 0.6f, 1.0f};
  float glareSize = 350.0f;
  float lightColour[3] = {0.65f, 0.65f, 0.65f};  // L of the diffuse uniforms
};
static_assert(sizeof(SceneLighting) == 14 * sizeof(float), "SceneLighting is 14 floats");

extern SceneLighting Lighting;

// The GL objects made at start-up. Everything lives until shutdown.
struct RendererObjects {
  RenderTargets targets;
  ShaderProgram programs[kShaderProgramCount];
  int SunQuery = -1;              // occlusion query of the sun glare; -1 until made
  unsigned int NoiseTexture3D = 0;   // smooth 64^3 RGB noise
  unsigned int NoisePlanes = 0;      // two of its planes, 64^2 luminance-alpha (gfx/noise.h)
  unsigned int RandomTexture3D = 0;  // random 64^3 RGB texels

  ShaderProgram& Program(ShaderProgramId id) { return programs[static_cast<int>(id)]; }
  const ShaderProgram& Program(ShaderProgramId id) const {
    return programs[static_cast<int>(id)];
  }
};

extern RendererObjects Renderer;

// The race tools' seed for the main thread's random draws, which start-up seeds (the
// noise textures, then every particle); 0, as in the game, seeds from the clock.
extern unsigned FixedRendererSeed;

// Start-up on the main thread with the main context current (the loader's context
// already made and sharing objects). Copies setup into RenderSetup, the shadow map size
// fitted to the driver's texture, renderbuffer and viewport limits. Missing framebuffer
// objects end the process with code -1 (an unsupported framebuffer with code 0); any
// other failure returns false with what was made so far left in place.
bool InitRenderer(const RendererSetup& setup);

// Shutdown: deletes the render targets, the query and the noise textures while the
// main context is current. Programs go with the context.
void ReleaseRenderer();
