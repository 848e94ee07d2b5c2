// The off-screen render targets: four framebuffer objects, the depth and multisampled
// renderbuffers and every render texture, made once at start-up with fixed sizes. Nothing
// is attached here; each pass attaches what it draws into at draw time. GL names are
// 0 until made.
#pragma once

#include <GL/gl.h>

struct RendererSetup;

constexpr int kSceneTextureCount = 5;
constexpr int kPostTextureCount = 2;
constexpr int kDirtCarSlots = 4;
constexpr int kDirtLayers = 2;   // colour and normal skin
constexpr int kDirtBuffers = 2;  // painted into one while reading the other
constexpr int kCubeFaceSize = 128;
constexpr int kReflectionSize = 512;
constexpr int kDirtWidth = 2048;
constexpr int kDirtHeight = 1024;

struct RenderTargets {
  // Framebuffer objects (names only).
  GLuint SceneFramebuffer = 0;   // race scene and garage, with the scene or multisampled depth
  GLuint PassFramebuffer = 0;    // every other colour pass
  GLuint ShadowFramebuffer = 0;  // the shadow map
  GLuint DirtFramebuffer = 0;    // painting car dirt

  // Depth renderbuffers, 24-bit.
  GLuint SceneDepthBuffer = 0;       // W x H; with 8 stencil bits when sceneStencil
  bool sceneStencil = false;         // no anti-aliasing and a driver with packed depth-stencil
  GLuint CubeDepthBuffer = 0;        // 128 x 128
  GLuint ReflectionDepthBuffer = 0;  // 512 x 512
  GLuint MapDepthBuffer = 0;         // render-texture size, 1024 x 1024
  GLuint DirtDepthBuffer = 0;        // 2048 x 1024
  // Only with anti-aliasing above 0 (and a driver that has multisampled storage).
  GLuint MultisampleColourBuffer = 0;  // RGBA8, W x H
  GLuint MultisampleDepthBuffer = 0;   // depth 24, W x H
  int multisampleSamples = 0;          // what the pair was made with; 0 when absent

  // Rectangle textures.
  GLuint SceneTextures[kSceneTextureCount] = {};  // RGBA8, W x H
  GLuint PostTextures[kPostTextureCount] = {};    // RGBA16F, post-target size (400 x 300)
  // 2D textures.
  GLuint ReflectionTexture = 0;  // RGBA8, 512 x 512, repeating
  GLuint MapTexture = 0;         // RGBA8, render-texture size
  GLuint ScreenCopyTexture = 0;  // RGBA8, W x H
  GLuint DirtTextures[kDirtCarSlots][kDirtLayers][kDirtBuffers] = {};  // RGBA8, 2048 x 1024
  GLuint ShadowDepthTexture = 0;  // depth 24, S x S, compared with GL_LEQUAL
  // Cube map, RGB 128 x 128 per face, and the face order the cube pass walks.
  GLuint EnvironmentCubeMap = 0;
  GLenum CubeFaceTargets[6] = {};
};

// The largest square the driver can make as a texture and as a renderbuffer and draw over
// with one viewport: the least of GL_MAX_TEXTURE_SIZE, GL_MAX_RENDERBUFFER_SIZE_EXT and
// GL_MAX_VIEWPORT_DIMS. 0 when none is reported. Needs a current context with framebuffer
// objects.
int SquareTargetLimit();
// A square target's edge as asked when the limit allows it (or the limit is 0, unknown);
// past the limit, the largest power of two within it.
int FitTargetSize(int size, int limit);

// Block 1: framebuffer names, the depth renderbuffers, MaxSamples, and the multisampled
// pair when the anti-aliasing level is above 0 (clamped to MaxSamples).
void CreateFramebuffersAndDepthBuffers(const RendererSetup& setup, RenderTargets* t);
// Block 2: rectangle, 2D, dirt and shadow-depth textures. Leaves GL_TEXTURE_2D enabled
// and GL_TEXTURE_RECTANGLE_ARB disabled.
void CreateRenderTextures(const RendererSetup& setup, RenderTargets* t);
// The environment cube map; leaves GL_TEXTURE_CUBE_MAP disabled.
void CreateEnvironmentCubeMap(RenderTargets* t);
// Shutdown: deletes everything above that exists (the multisampled pair only when made)
// and resets the names to 0. Needs the main context current.
void DeleteRenderTargets(RenderTargets* t);
