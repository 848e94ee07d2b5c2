#include "tools/race_frame/view_checks.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/game.h"
#include "app/race_cameras.h"
#include "app/race_snapshot.h"
#include "app/race_update.h"
#include "app/settings.h"
#include "gfx/gl_ext.h"
#include "gfx/milkshape.h"
#include "gfx/renderer.h"
#include "race/car.h"
#include "race/world_layers.h"
#include "render/camera_state.h"
#include "render/cars_pass.h"
#include "render/cube_map.h"
#include "render/pass_control.h"
#include "render/shadow_maps.h"
#include "render/shadow_view.h"
#include "tools/race_frame/frame_modes.h"
#include "tools/race_frame/picture_checks.h"
#include "tools/race_frame/race_poses.h"
#include "tools/race_frame/race_run.h"
#include "tools/race_sim/race_session.h"

namespace {

// The grid from the chase camera, as the check's HUD frame sees it.
constexpr int kShadowFrame = 20;
// Frames whose cube faces are counted one by one: clear of every frame the check
// takes a picture of.
constexpr int kFaceCountFrames[2] = {40, 41};
constexpr int kFaceSpreadFrame = 2;
constexpr double kMinFaceSpread = 5.0;
constexpr double kMinShadowedShare = 0.005;
// A lorry stands within this many units of its centre along the light's view.
constexpr float kCarNearSide = 4.0f;
constexpr float kCarFarSide = 1.0f;
constexpr int kFootprintRadius = 4;
// What another setting must change of the whole picture: a channel step past rounding
// over at least this share of the pixels.
constexpr int kChannelStep = 8;
constexpr double kMinShadowChange = 0.002;
constexpr double kMinWaterChange = 0.002;
constexpr int kGarageFrames = 60;
constexpr uint8_t kFaceFill[3] = {255, 0, 255};
constexpr int kFaceUp = 2;
constexpr int kFaceDown = 3;
// The faces' clear colour, 0.15 of full.
constexpr double kFaceClearLevel = 0.15 * 255.0;

struct ViewState {
  CheckLine line;
  std::string folder;
  RaceFrameOptions options;
  bool shadowsOn = false;
  bool water = false;
  Picture shadowFrame;
  std::string facesDrawn[2];
  int garageErrors = 0;
  std::string garageFirstError;
};
ViewState g;

void Note(const std::string& name, bool ok, const std::string& detail) {
  if (g.line) g.line(name, ok, detail);
}

size_t ExpectedFaces(int quality, int frame) {
  if (quality == 1) return 3;
  if (quality == 2) return 6;
  return frame <= 1 ? 6 : 0;
}

// --- the cube map's faces ---

Picture ReadFace(int face) {
  const RenderTargets& t = Renderer.targets;
  Picture p;
  p.width = p.height = kCubeFaceSize;
  p.rgba.resize(static_cast<size_t>(kCubeFaceSize) * kCubeFaceSize * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glBindTexture(GL_TEXTURE_CUBE_MAP, t.EnvironmentCubeMap);
  glGetTexImage(t.CubeFaceTargets[face], 0, GL_RGBA, GL_UNSIGNED_BYTE, p.rgba.data());
  glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
  return p;
}

void FillFaces() {
  std::vector<uint8_t> texels(static_cast<size_t>(kCubeFaceSize) * kCubeFaceSize * 3);
  for (size_t i = 0; i < texels.size(); i += 3) std::memcpy(&texels[i], kFaceFill, 3);
  const RenderTargets& t = Renderer.targets;
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glBindTexture(GL_TEXTURE_CUBE_MAP, t.EnvironmentCubeMap);
  for (GLenum face : t.CubeFaceTargets)
    glTexSubImage2D(face, 0, 0, 0, kCubeFaceSize, kCubeFaceSize, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
  glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
}

std::string DrawnFaces() {
  std::string drawn;
  for (int k = 0; k < 6; ++k) {
    const Picture p = ReadFace(k);
    bool filled = true;
    for (size_t i = 0; i < p.rgba.size() && filled; i += 4) filled = std::memcmp(&p.rgba[i], kFaceFill, 3) == 0;
    if (!filled) drawn += static_cast<char>('0' + k);
  }
  return drawn;
}

// Six faces side by side, for a person to look at, and every face's spread. The race's
// faces draw no ground (only the map and foliage layers within 55 units), so its -Y
// face keeps the face clear colour and its +Y face is the sky's lid alone: those two
// are judged for that; the side faces, and every garage face, for light and shade.
std::string JudgeFaces(const std::string& shot, bool race, bool* ok) {
  Picture strip;
  strip.width = 6 * kCubeFaceSize;
  strip.height = kCubeFaceSize;
  strip.rgba.resize(static_cast<size_t>(strip.width) * strip.height * 4);
  std::string figures;
  *ok = true;
  PictureRect all;
  all.x1 = all.y1 = kCubeFaceSize;
  for (int k = 0; k < 6; ++k) {
    const Picture p = ReadFace(k);
    const double spread = LuminanceSpread(p);
    const MeanRgb mean = MeanColour(p, all);
    bool good = std::isfinite(spread) && spread > kMinFaceSpread;
    if (race && k == kFaceUp) good = SkyColour(mean.r, mean.g, mean.b);
    if (race && k == kFaceDown) good = std::fabs(mean.Brightness() - kFaceClearLevel) < 2.0 || good;
    *ok = *ok && good;
    figures += FormatFigures("%s%.1f (%.0f, %.0f, %.0f)", k ? ", " : "", spread, mean.r, mean.g, mean.b);
    for (int y = 0; y < kCubeFaceSize; ++y)
      std::memcpy(&strip.rgba[(static_cast<size_t>(y) * strip.width + k * kCubeFaceSize) * 4],
                  &p.rgba[static_cast<size_t>(y) * kCubeFaceSize * 4], kCubeFaceSize * 4);
  }
  WritePng(g.folder + "/" + shot + ".png", strip);
  return "luminance spread (mean) of faces +X -X +Y -Y +Z -Z: " + figures;
}

// --- the shadow map ---

// Depth through a column-major projection of an eye-space z.
float ProjectedDepth(const Matrix4& p, float z) {
  const float cz = p.m[10] * z + p.m[14], w = p.m[11] * z + p.m[15];
  return cz / w * 0.5f + 0.5f;
}

void JudgeShadowMap() {
  const int size = RenderSetup.shadowMapSize;
  std::vector<uint8_t> depth(static_cast<size_t>(size) * size);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glBindTexture(GL_TEXTURE_2D, Renderer.targets.ShadowDepthTexture);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, GL_UNSIGNED_BYTE, depth.data());
  glBindTexture(GL_TEXTURE_2D, 0);
  const size_t below = static_cast<size_t>(std::count_if(depth.begin(), depth.end(), [](uint8_t d) { return d < 255; }));
  const double share = static_cast<double>(below) / depth.size();
  // Most of the share is the lorries: below detail 2 only the cut-out layer and the
  // objects cast, and a stretch without them may leave the map nearly empty.
  const bool cast = CarsCastShadows(Settings.shadowDetail);
  Note("shadow_map_texels", !cast || share >= kMinShadowedShare,
       FormatFigures("%.2f%% of the %dx%d map's texels below 1%s", 100.0 * share, size, size,
                     cast ? "" : " (judged at detail 2 and 3)"));

  // Car 0's footprint: texels around its centre holding a depth within its body.
  const Matrix4& proj = RenderSnapshot.sunProjection;
  const Matrix4& view = RenderSnapshot.sunView;
  const float* m = RenderCarRows[0].matrix.m;
  const Vector3 eye = view.TransformPoint(m[12], m[13], m[14]);
  float px = 0.0f, py = 0.0f;
  if (!ProjectPoint(proj.m, view.m, m[12], m[13], m[14], size, size, &px, &py)) {
    Note("shadow_map_car", false, "car 0 lies outside the sun's map");
    return;
  }
  const float nearest = ProjectedDepth(proj, eye.z + kCarNearSide), farthest = ProjectedDepth(proj, eye.z - kCarFarSide);
  const int side = 2 * kFootprintRadius + 1;
  std::vector<float> window(static_cast<size_t>(side) * side, 1.0f);
  const int x0 = std::clamp(static_cast<int>(px) - kFootprintRadius, 0, size - side);
  const int y0 = std::clamp(static_cast<int>(py) - kFootprintRadius, 0, size - side);
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, Renderer.targets.ShadowFramebuffer);
  glReadPixels(x0, y0, side, side, GL_DEPTH_COMPONENT, GL_FLOAT, window.data());
  GlExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  const int onCar = static_cast<int>(
      std::count_if(window.begin(), window.end(), [&](float d) { return d >= nearest && d <= farthest; }));
  Note("shadow_map_car", cast ? onCar > 0 : onCar == 0,
       FormatFigures("%d of the %d texels around car 0 (texel %.0f, %.0f) hold its depth; lorries %s at detail %d",
                     onCar, side * side, px, py, cast ? "cast" : "cast nothing", Settings.shadowDetail));
}

// --- second runs ---

bool RunSecond(const RaceFrameOptions& o, const std::vector<std::string>& extra, int frames, Picture* out,
               std::string* why) {
  const std::string folder = g.folder + "/second";
  mkdir(folder.c_str(), 0755);
  return RunPlainSecond(o, extra, frames, folder, out, why);
}

void CompareWithSecond(const std::string& name, const Picture& with, const std::vector<std::string>& extra, int frame,
                       double minShare, const std::string& what) {
  Picture without;
  std::string why;
  if (with.rgba.empty()) {
    Note(name, false, "the frame was never taken");
    return;
  }
  if (!RunSecond(g.options, extra, frame, &without, &why)) {
    Note(name, false, why);
    return;
  }
  if (without.width != with.width || without.height != with.height) {
    Note(name, false, "the second run's picture has another size");
    return;
  }
  PictureRect all;
  all.x1 = with.width;
  all.y1 = with.height;
  const double share = DifferingShare(with, without, all, kChannelStep);
  Note(name, share >= minShare, FormatFigures("%.2f%% of frame %d's pixels differ %s", 100.0 * share, frame, what.c_str()));
}

// --- the water's reflection ---

void JudgeReflection() {
  Picture p;
  p.width = p.height = kReflectionSize;
  p.rgba.resize(static_cast<size_t>(kReflectionSize) * kReflectionSize * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glBindTexture(GL_TEXTURE_2D, Renderer.targets.ReflectionTexture);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, p.rgba.data());
  glBindTexture(GL_TEXTURE_2D, 0);
  WritePng(g.folder + "/reflection.png", p);
  // The mirror shows the sky under the horizon, where the water looks into it: with
  // the rows read bottom first, the lower half of the texture as GL addresses it.
  const PictureRect half = BottomRows(p, 0.5);
  int green = 0;
  for (int y = half.y0; y < half.y1; ++y)
    for (int x = half.x0; x < half.x1; ++x) {
      const uint8_t* c = &p.rgba[(static_cast<size_t>(y) * p.width + x) * 4];
      green += c[1] > 200 && c[0] < 80 && c[2] < 80;
    }
  const MeanRgb mean = MeanColour(p, half);
  const double greenShare = static_cast<double>(green) / half.Area();
  Note("reflection_sky", greenShare < 0.05 && SkyColour(mean.r, mean.g, mean.b),
       FormatFigures("the half the water samples: mean (%.0f, %.0f, %.0f), %.1f%% clear green", mean.r, mean.g, mean.b,
                     100.0 * greenShare));
}

// --- the garage ---

void NoteGarageErrors(const char* where, int frame) {
  for (GLenum e = glGetError(); e != GL_NO_ERROR; e = glGetError())
    if (++g.garageErrors <= 3)
      g.garageFirstError += FormatFigures(" %s after %s in garage frame %d;", GlErrorName(e), where, frame);
}

// The garage's calls as its scene makes them, the camera orbiting the stand. The first
// half looks with a zero up (as before any race), the second with an up along the view.
void GarageFrames() {
  for (GLenum e = glGetError(); e != GL_NO_ERROR; e = glGetError()) {
  }
  const float pitch = 4.0f * 3.14159265f / 180.0f;
  for (int f = 1; f <= kGarageFrames; ++f) {
    const float yaw = -3.0f * static_cast<float>(f) * 3.14159265f / 180.0f;
    const float z = -11.5f;
    const float y1 = 2.25f * std::cos(pitch) - z * std::sin(pitch), z1 = 2.25f * std::sin(pitch) + z * std::cos(pitch);
    const Vector3 eye(z1 * std::sin(yaw), y1, z1 * std::cos(yaw));
    Vector3 d(-eye.x, 2.25f, -eye.z);
    d.Normalize();
    RenderCamera.eye = eye;
    RenderCamera.viewDirection = d;
    RenderCamera.fourth = d;
    RenderCamera.rawUp = f <= kGarageFrames / 2 ? Vector3() : d;
    RenderCubeMap(0);
    NoteGarageErrors("RenderCubeMap(0)", f);
    SetupCamera(kCameraOverview, 0, 1.0f, ViewDistance);
    glLoadIdentity();
    gluLookAt(eye.x, eye.y, eye.z, d.x, d.y, d.z, 0.0, 1.0, 0.0);
    CaptureViewMatrices();
    glLoadIdentity();
    CurrentCarLod = 0;
    if (ShadowMapSize > 16)
      RenderGarageShadowMap();
    else
      ClearShadowMap();
    NoteGarageErrors("the garage's shadow map", f);
    ShowRaceFrame();
  }
  bool ok = false;
  const std::string figures = JudgeFaces("garage_cube_faces", false, &ok);
  Note("garage_cube_faces", ok, figures);
  Note("garage_gl_errors", g.garageErrors == 0,
       g.garageErrors == 0 ? FormatFigures("%d garage frames, glGetError clean", kGarageFrames)
                           : FormatFigures("%d errors:%s", g.garageErrors, g.garageFirstError.c_str()));
  RenderCamera.rawUp = Vector3(0.0f, 1.0f, 0.0f);
}

}  // namespace

void ViewChecksBegin(const RaceFrameOptions& options, const std::string& folder, const CheckLine& line) {
  g = ViewState();
  g.line = line;
  g.folder = folder;
  g.options = options;
  SetBeforeRaceHook(options.garage ? GarageFrames : nullptr);
}

void ViewChecksPassEnd(const char* pass, int frame) {
  if (frame == kShadowFrame && std::strcmp(pass, "shadow_map") == 0) JudgeShadowMap();
}

void ViewChecksBeforeFrame(int frame) {
  if (frame == 1) {
    g.shadowsOn = ShadowMapSize > 16;
    const Model* w = WorldLayers.water;
    g.water = w && w->groupCount > 0 && w->triangleCount > 0;
  }
  for (int i = 0; i < 2; ++i)
    if (frame == kFaceCountFrames[i]) FillFaces();
}

void ViewChecksAfterFrame(int frame) {
  const int quality = Settings.reflectionQuality;
  if (frame == 1)
    Note("cube_map_refresh", CubeMapRefresh == (quality == 1 || quality == 2 ? 1 : 0),
         FormatFigures("CubeMapRefresh is %d after the first frame at reflection quality %d", CubeMapRefresh, quality));
  if (frame == kFaceSpreadFrame) {
    bool ok = false;
    const std::string figures = JudgeFaces("cube_faces", true, &ok);
    Note("cube_faces", ok, figures);
  }
  for (int i = 0; i < 2; ++i)
    if (frame == kFaceCountFrames[i]) {
      g.facesDrawn[i] = DrawnFaces();
      if (i == 1) {
        const size_t want = ExpectedFaces(quality, frame);
        const std::string both = g.facesDrawn[0] + g.facesDrawn[1];
        bool all = true;
        for (char k = '0'; k < '6'; ++k) all = all && both.find(k) != std::string::npos;
        const bool ok = g.facesDrawn[0].size() == want && g.facesDrawn[1].size() == want && (want < 3 || all);
        Note("cube_faces_per_frame", ok,
             FormatFigures("frames %d and %d drew faces \"%s\" and \"%s\" at reflection quality %d", kFaceCountFrames[0],
                           kFaceCountFrames[1], g.facesDrawn[0].c_str(), g.facesDrawn[1].c_str(), quality));
      }
    }
  if (frame == kShadowFrame && g.shadowsOn) g.shadowFrame = ReadScreen();
  if (frame == kShadowFrame && g.water) JudgeReflection();
}

void ViewChecksAfterRun() {
  if (!g.water) return;
  for (const char* pass : {"water", "reflection"})
    if (!PassWanted(pass)) {
      Note("water_surface", false, std::string("the water is judged with its passes drawn: drop --skip ") + pass);
      return;
    }
  Vector3 eye, target;
  if (!LakePose(&eye, &target)) {
    Note("water_surface", false, "no lake in the water model");
    return;
  }
  const Picture with = DrawPose(eye, target);
  WritePng(g.folder + "/water.png", with);
  int slot = 0;
  while (slot < kMaxSkippedPasses && PassControl.skip[slot][0]) ++slot;
  if (slot == kMaxSkippedPasses) {
    Note("water_surface", false, "no room to leave the water out");
    return;
  }
  std::snprintf(PassControl.skip[slot], sizeof PassControl.skip[slot], "water");
  const Picture without = DrawPose(eye, target);
  PassControl.skip[slot][0] = '\0';
  WritePng(g.folder + "/water_skipped.png", without);
  PictureRect all;
  all.x1 = with.width;
  all.y1 = with.height;
  const double share = DifferingShare(with, without, all, kChannelStep);
  Note("water_surface", share >= kMinWaterChange,
       FormatFigures("%.2f%% of the pose over the lake at (%.0f, %.0f) differs without the water", 100.0 * share,
                     target.x, target.z));
}

void ViewChecksEnd() {
  SetBeforeRaceHook(nullptr);
  // Judged where the lorries cast: without them the grid's road may lie in no shadow.
  if (g.shadowsOn && CarsCastShadows(Settings.shadowDetail))
    CompareWithSecond("shadow_frame", g.shadowFrame, {"--shadows", "0"}, kShadowFrame, kMinShadowChange,
                      "from shadow detail 0");
}
