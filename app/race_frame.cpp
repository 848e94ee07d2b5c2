// The race frame on the main thread: take over the loader's published results, let
// the loader start the next update, then draw this one.
#include <GL/gl.h>
#include <GL/glext.h>

#include "app/frame.h"
#include "app/game.h"
#include "app/handshake.h"
#include "app/race_snapshot.h"
#include "app/settings.h"
#include "gfx/gl_ext.h"
#include "gfx/lights.h"
#include "gfx/projection.h"
#include "gfx/renderer.h"
#include "gfx/virtual_screen.h"
#include "race/race_status.h"
#include "race/car.h"
#include "race/city_objects.h"
#include "render/camera_state.h"
#include "render/cube_map.h"
#include "render/layer_targets.h"
#include "render/listener.h"
#include "render/pass_control.h"
#include "render/post_passes.h"
#include "render/race_scene.h"
#include "render/race_hud.h"
#include "render/shadow_maps.h"
#include "render/shadow_view.h"
#include "render/water.h"

namespace {

void FullFrameQuad(float s, float t) {
  const VirtualScreenFrame& v = VirtualScreen;
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f); glVertex2f(static_cast<float>(v.left), static_cast<float>(v.bottom));
  glTexCoord2f(s, 0.0f); glVertex2f(static_cast<float>(v.right), static_cast<float>(v.bottom));
  glTexCoord2f(s, t); glVertex2f(static_cast<float>(v.right), static_cast<float>(v.top));
  glTexCoord2f(0.0f, t); glVertex2f(static_cast<float>(v.left), static_cast<float>(v.top));
  glEnd();
}

// The scene and the blurred glow blended over it, into the composite texture.
void CompositeGlow(GLuint sceneTexture, GLuint glowTexture, GLuint compositeTexture) {
  glLoadIdentity();
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(VirtualScreen.left, VirtualScreen.right, VirtualScreen.bottom, VirtualScreen.top, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  // No depth: the composite is flat, and a depth buffer another pass left attached
  // would clip it to that buffer's size.
  BindPassFramebuffer(compositeTexture, 0);
  glDisable(GL_DEPTH_TEST);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glDisable(GL_TEXTURE_2D);
  glEnable(GL_TEXTURE_RECTANGLE_ARB);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, sceneTexture);
  FullFrameQuad(static_cast<float>(Settings.screenWidth), static_cast<float>(Settings.screenHeight));
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, glowTexture);
  FullFrameQuad(static_cast<float>(PostTargetSize.width), static_cast<float>(PostTargetSize.height));
  glDisable(GL_BLEND);
  glEnable(GL_TEXTURE_2D);
  glDisable(GL_TEXTURE_RECTANGLE_ARB);
  if (GlExt.glBindFramebufferEXT) GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void PostPasses() {
  const RenderTargets& t = Renderer.targets;
  const GLuint scene = t.SceneTextures[0];
  const GLuint composite = t.SceneTextures[1];
  const GLuint postA = t.PostTextures[0];
  const GLuint postB = t.PostTextures[1];
  if (Settings.postEffect == 1) {
    DrawPostPass(4, scene, postA, 0);
    DrawPostPass(4, postA, postB, 1);
    CompositeGlow(scene, postB, composite);
    DrawPostPass(2, composite, postB, 0);
  } else {
    DrawPostPass(2, scene, postB, 0);
  }
  DrawPostPass(2, postB, postA, 1);
}

}  // namespace

void RenderRaceFrame() {
  // Flat copies only: the next update writes the working and published copies while
  // this frame draws from the snapshot.
  RenderSnapshot = PublishedResults;
  RenderCamera = RenderSnapshot.camera;
  TakeCarRowsForRender();
  TakeCityObjectsForRender();
  FrameTimingState& t = FrameTiming;
  t.RenderTicks = RenderSnapshot.ticks;
  t.SceneClock += t.RenderTicks * 0.01f;
  Handshake.RenderToggle.store(Handshake.RenderToggle.load() ^ 1);

  PrepareRaceTargets(RaceStatus.RaceLoadCount.load());
  if (CubeMapRefresh) RenderCubeMap(1);
  if (ShadowMapSize > 16) RenderShadowMap();
  RenderWaterReflection();

  glLoadIdentity();
  FarDistance = ViewDistance;
  SetPerspective(Settings.screenWidth, Settings.screenHeight);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  PlaceCameraAndListener(0, 1);
  PlaceLights();
  if (ShadowMapSize > 16) CaptureViewMatrices();
  DrawRaceScene();
  if (PassWanted("post")) {
    PassBegin("post");
    PostPasses();
    PassEnd();
  }
  // The HUD lays the picture on the window. Without the post effect no post pass has
  // left the shared framebuffer, and the HUD would draw into the frame texture it
  // samples while the window kept the start-up clear.
  if (GlExt.glBindFramebufferEXT) GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  DrawRaceHud();
}
