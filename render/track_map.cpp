#include "render/track_map.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>

#include "gfx/gl_ext.h"
#include "gfx/renderer.h"
#include "race/race_status.h"
#include "race/waypoints.h"
#include "render/hud_textures.h"
#include "render/layer_targets.h"

float TrackMapScale = 0.0f;
float TrackMapOffset[2] = {0.0f, 0.0f};

namespace {

// The selection screens place the map by how far its path's middle lies from the
// texture's middle, in their own units.
constexpr float kMapMiddleTexels = 512.0f;
constexpr float kOffsetToScreenUnits = 0.2636f;
constexpr float kPathDotHalf = 5.0f;
constexpr float kStartDotHalf = 9.0f;
constexpr float kPathGrey = 0.7f;

// The race load whose path the texture holds; -1 when it holds another path or none.
int32_t g_raceLoadDrawn = -1;

void SetFigures(const Waypoint* table, int32_t last) {
  TrackMapScale = 0.0f;
  TrackMapOffset[0] = TrackMapOffset[1] = 0.0f;
  if (last < 0) return;
  // Sums in double: 1200 texel positions of several hundred each would lose the
  // centre's fraction in float.
  double sumX = 0.0, sumY = 0.0;
  for (int32_t i = 0; i <= last; ++i) {
    sumX += kTrackMapTexels * MapU(table[i].x);
    sumY += kTrackMapTexels * MapV(table[i].z);
  }
  const double centreX = sumX / (last + 1), centreY = sumY / (last + 1);
  double greatest = 0.0;
  for (int32_t i = 0; i <= last; ++i) {
    const double dx = kTrackMapTexels * MapU(table[i].x) - centreX;
    const double dy = kTrackMapTexels * MapV(table[i].z) - centreY;
    greatest = std::fmax(greatest, std::sqrt(dx * dx + dy * dy));
  }
  TrackMapScale = static_cast<float>(greatest);
  TrackMapOffset[0] = static_cast<float>((kMapMiddleTexels - centreX) * kOffsetToScreenUnits);
  TrackMapOffset[1] = static_cast<float>((kMapMiddleTexels - centreY) * kOffsetToScreenUnits);
}

void DotAt(const Waypoint& w, float half) {
  const float x = kTrackMapTexels * MapU(w.x), y = kTrackMapTexels * MapV(w.z);
  TexturedQuad(x - half, y - half, x + half, y + half, 0.0f, 0.0f, 1.0f, 1.0f);
}

void DrawPath(const Waypoint* table, int32_t last) {
  glEnable(GL_TEXTURE_2D);
  BindTableTexture(kPathDotTexture);
  // Additive dots: where the path crosses itself or bunches up in a bend the map
  // brightens instead of one dot hiding the other.
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glColor4f(kPathGrey, kPathGrey, kPathGrey, 1.0f);
  for (int32_t i = last; i >= 0; --i) DotAt(table[i], kPathDotHalf);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  if (last >= 0) DotAt(table[0], kStartDotHalf);
  glDisable(GL_BLEND);
}

// The name attached at one point of the bound framebuffer, 0 for none.
GLuint AttachedName(GLenum point) {
  GLint type = GL_NONE, name = 0;
  // Asking a bare point for its name is an error under the older extension.
  GlExt.glGetFramebufferAttachmentParameterivEXT(GL_FRAMEBUFFER_EXT, point, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE_EXT,
                                                 &type);
  if (type == GL_NONE) return 0;
  GlExt.glGetFramebufferAttachmentParameterivEXT(GL_FRAMEBUFFER_EXT, point, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME_EXT,
                                                 &name);
  return static_cast<GLuint>(name);
}

}  // namespace

void RenderTrackMapTexture(const Waypoint* table, int32_t last) {
  if (table == nullptr) last = -1;
  if (last > kWaypointCapacity - 1) last = kWaypointCapacity - 1;
  SetFigures(table, last);
  g_raceLoadDrawn = -1;

  const RenderTargets& t = Renderer.targets;
  if (!GlExt.glBindFramebufferEXT || t.PassFramebuffer == 0 || t.MapTexture == 0) return;
  GLint previousFramebuffer = 0, viewport[4] = {};
  GLfloat clearColour[4] = {};
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &previousFramebuffer);
  glGetIntegerv(GL_VIEWPORT, viewport);
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
  // Called while a pass draws into the shared framebuffer (the HUD over the frame), its
  // attachments are that pass's target and go back when the map is done.
  const bool sharedWasBound = static_cast<GLuint>(previousFramebuffer) == t.PassFramebuffer;
  GLuint colourBefore = 0, depthBefore = 0;
  if (sharedWasBound) {
    colourBefore = AttachedName(GL_COLOR_ATTACHMENT0_EXT);
    depthBefore = AttachedName(GL_DEPTH_ATTACHMENT_EXT);
  }

  // The pass framebuffer is shared: whatever depth another pass left on it would clip
  // this 1024 x 1024 draw to its own size, so depth is always set here.
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, t.PassFramebuffer);
  GlExt.glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, t.MapTexture, 0);
  GlExt.glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT,
                                     t.MapDepthBuffer);
  glViewport(0, 0, RenderSetup.renderTextureSize, RenderSetup.renderTextureSize);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0.0, kTrackMapTexels, 0.0, kTrackMapTexels, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glDisable(GL_DEPTH_TEST);
  // Transparent where there is no path: the mini-map's mask multiplies this alpha.
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glClearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);

  DrawPath(table, last);

  glEnable(GL_DEPTH_TEST);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  // Otherwise leave the shared framebuffer bare: a later pass that attaches only its
  // colour must not find this depth buffer still there. Its screen targets are all
  // rectangle textures over a depth renderbuffer.
  GlExt.glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT, 0);
  GlExt.glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, 0, 0);
  if (sharedWasBound) BindPassFramebuffer(colourBefore, depthBefore);
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, static_cast<GLuint>(previousFramebuffer));
  glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
}

void RenderTrackMapTexture() {
  RenderTrackMapTexture(WaypointTable, WaypointLastIndex);
  g_raceLoadDrawn = RaceStatus.RaceLoadCount.load();
}

bool TrackMapShowsRaceLoad(int32_t count) { return g_raceLoadDrawn == count; }
