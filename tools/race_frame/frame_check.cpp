// The check: one scripted race run through the game's own frames, every pass followed
// by glGetError, the pictures judged as a person would judge them, then a second run
// of the same frames with the gauges and the mini-map left out to see what they add.
//
// The script, in race frames from the first:
//   1-20     the grid from the chase camera; frame 20 is the HUD's frame
//   21-620   the autopilot drives the player's lorry (the countdown holds it to ~241)
//   21-228   the grid from cameras 0-3 (four frames each: the camera's row changes at
//            once) and looks 1-3 (64 frames each: the chase direction eases round by
//            4% of the way a frame, and is 92% round by then)
//   60       the frame and soft-focus textures are read for their corners
//   ~91      the countdown's clock stands at 8.5: the "3"
#include <GL/gl.h>
#include <GL/glext.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/race_snapshot.h"
#include "app/settings.h"
#include "gfx/renderer.h"
#include "gfx/virtual_screen.h"
#include "race/car.h"
#include "race/race_status.h"
#include "race/waypoints.h"
#include "render/camera_state.h"
#include "render/countdown.h"
#include "render/mini_map.h"
#include "render/pass_control.h"
#include "tools/basegen/gen_world.h"
#include "tools/race_frame/foliage_checks.h"
#include "tools/race_frame/frame_modes.h"
#include "tools/race_frame/picture_checks.h"
#include "tools/race_frame/post_dirt_checks.h"
#include "tools/race_frame/race_run.h"
#include "tools/race_frame/view_checks.h"
#include "tools/race_sim/autopilot.h"
#include "tools/race_sim/race_session.h"

namespace {

constexpr int kHudFrame = 20;
constexpr int kAutopilotFrames = 600;
constexpr int kCoverageFrame = 60;
constexpr int kErrorFramesWanted = 240;
constexpr float kDigitClock = 8.5f;

struct GridView {
  const char* name;
  int camera;
  int look;
  int frames;  // drawn with it; the shot is the last
  // Looking back from the grid faces whatever the start is built against (race 1's
  // hill fills half the top rows): there the top rows are reported, not judged.
  bool skyAbove;
};
constexpr GridView kGridViews[] = {
    {"grid_camera0", 0, 0, 4, true},  {"grid_camera1", 1, 0, 4, true},  {"grid_camera2", 2, 0, 4, true},
    {"grid_camera3", 3, 0, 4, true},  {"grid_look1", 0, 1, 64, false}, {"grid_look2", 0, 2, 64, true},
    {"grid_look3", 0, 3, 64, true}};
constexpr int kFirstViewFrame = kHudFrame + 1;
constexpr int kAutopilotStart = kHudFrame + 1;
constexpr int kLastFrame = kAutopilotStart + kAutopilotFrames - 1;

// The view frame f is drawn from, and whether it is that view's last; null past them.
const GridView* ViewAt(int f, bool* last) {
  int start = kFirstViewFrame;
  for (const GridView& v : kGridViews) {
    if (f >= start && f < start + v.frames) {
      *last = f == start + v.frames - 1;
      return &v;
    }
    start += v.frames;
  }
  return nullptr;
}

// The picture rules.
constexpr double kMinSpread = 10.0;
constexpr double kSkyRows = 0.05;
constexpr double kGroundRows = 0.40;
constexpr double kMaxSkyInGround = 0.05;
constexpr double kMinHudShare = 0.5;
constexpr int kHudThreshold = 8;  // a channel step that is drawing, not rounding
constexpr double kMaxElsewhere = 0.01;
constexpr double kMinRoadShare = 0.9;
// The road fades out over the last 40 units of the sight, and a waypoint's dot may sit
// a pixel off the thin far road.
constexpr float kRoadFadeStart = 40.0f;
constexpr int kRoadPixelRadius = 2;
constexpr uint8_t kSentinel[4] = {255, 0, 255, 255};

// The HUD's places in virtual units (render/race_hud.cpp, render/countdown.cpp).
constexpr float kDialX = 260.0f, kDialAboveBottom = 90.0f, kDialHalfW = 105.0f, kDialHalfH = 70.0f;
constexpr float kDiscX = -285.0f, kDiscY = -150.0f, kDiscRadius = 100.0f;
// Inside the mask's rim ring, where the path shows at full strength.
constexpr float kDiscPathRadius = 85.0f;
constexpr float kCaptionX = 0.0f, kCaptionY = 100.0f, kCaptionHalf = 80.0f;
constexpr float kCaptionSlack = 25.0f;
// Nothing of the HUD lies here at any aspect: the frame must be the same in both runs.
constexpr float kQuietHalfW = 150.0f, kQuietHalfH = 90.0f;

struct Report {
  bool failed = false;
  void Line(const std::string& name, bool ok, const std::string& detail) {
    std::printf("CHECK %s %s%s%s\n", name.c_str(), ok ? "ok" : "FAIL", detail.empty() ? "" : " ", detail.c_str());
    std::fflush(stdout);
    failed |= !ok;
  }
};

// What the pass hook sees during the run.
struct HookState {
  int frame = 0;
  int errors = 0;
  std::string firstErrors;
  bool wantRoadMatrices = false;
  bool haveRoadMatrices = false;
  float projection[16] = {}, view[16] = {};
  bool countdownFrame = false;
  bool haveBeforeCountdown = false;
  Picture beforeCountdown;
};
HookState g_hook;

void NoteError(const char* where, GLenum e) {
  if (++g_hook.errors <= 5)
    g_hook.firstErrors += FormatFigures(" %s after %s in frame %d;", GlErrorName(e), where, g_hook.frame);
}

void PassHook(const char* name) {
  for (GLenum e = glGetError(); e != GL_NO_ERROR; e = glGetError()) NoteError(name, e);
  ViewChecksPassEnd(name, g_hook.frame);
  if (g_hook.wantRoadMatrices && std::strcmp(name, "main_road") == 0) {
    glGetFloatv(GL_PROJECTION_MATRIX, g_hook.projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, g_hook.view);
    g_hook.haveRoadMatrices = true;
  }
  // The last HUD pass before the caption: the same frame without the countdown.
  if (g_hook.countdownFrame &&
      (std::strcmp(name, "hud") == 0 || std::strcmp(name, "gauges") == 0 || std::strcmp(name, "minimap") == 0)) {
    g_hook.beforeCountdown = ReadBoundFramebuffer();
    g_hook.haveBeforeCountdown = true;
  }
}

VirtualFrame CurrentVirtualFrame() {
  VirtualFrame f;
  f.left = static_cast<float>(VirtualScreen.left);
  f.right = static_cast<float>(VirtualScreen.right);
  f.bottom = static_cast<float>(VirtualScreen.bottom);
  f.top = static_cast<float>(VirtualScreen.top);
  return f;
}

bool MakeFolder(const std::string& path) { return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST; }

// Sky above, no sky below, and some light and shade between: asked of the scene in the
// frame texture, under which the HUD's edge shades darken the screen's top corners by
// design.
void JudgePicture(Report* report, const std::string& name, const Picture& p, bool skyAbove) {
  const double spread = LuminanceSpread(p);
  const MeanRgb top = MeanColour(p, TopRows(p, kSkyRows));
  const double skyBelow = SkyLikeShare(p, BottomRows(p, kGroundRows));
  std::string why;
  if (spread <= kMinSpread) why += FormatFigures(" luminance spread %.1f is not over %.0f;", spread, kMinSpread);
  if (skyAbove && !SkyColour(top.r, top.g, top.b))
    why += FormatFigures(" the top rows (%.0f, %.0f, %.0f) are no sky;", top.r, top.g, top.b);
  if (skyBelow > kMaxSkyInGround) why += FormatFigures(" %.1f%% of the bottom rows look like sky;", 100.0 * skyBelow);
  const std::string figures = FormatFigures("spread %.1f, top rows (%.0f, %.0f, %.0f)%s, sky in the bottom rows %.1f%%",
                                     spread, top.r, top.g, top.b, skyAbove ? "" : " not judged", 100.0 * skyBelow);
  report->Line(name, why.empty(), why.empty() ? figures : why.substr(1));
}

void SaveShot(Report* report, const std::string& folder, const std::string& name, const Picture& p) {
  const std::string path = folder + "/" + name + ".png";
  if (!WritePng(path, p)) report->Line("shot_" + name, false, "cannot write " + path);
}

// The road drawn alone: the race's waypoints in front of the camera and short of the
// fade must land on road. Each is taken down to the road under it: a point a unit up
// in the air past a crest shows just above the crest's edge, against nothing.
void JudgeRoad(Report* report, const Picture& frame) {
  if (!g_hook.haveRoadMatrices) {
    report->Line("road_waypoints", false, "the main_road pass never ended in the frame");
    return;
  }
  const float* fog = Lighting.fogColour;
  const uint8_t background[4] = {static_cast<uint8_t>(std::lround(fog[0] * 255)),
                                 static_cast<uint8_t>(std::lround(fog[1] * 255)),
                                 static_cast<uint8_t>(std::lround(fog[2] * 255)), 0};
  const Vector3 eye = RenderCamera.eye;
  const float reach = ViewDistance - kRoadFadeStart;
  int inView = 0, onRoad = 0;
  for (int32_t i = 0; i <= WaypointLastIndex && i < kWaypointCapacity; ++i) {
    const Waypoint& w = WaypointTable[i];
    const float dx = w.x - eye.x, dy = w.y - eye.y, dz = w.z - eye.z;
    if (dx * dx + dy * dy + dz * dz > reach * reach) continue;
    float px, py;
    const float roadY = w.y - basegen::world::kWaypointLift;
    if (!ProjectPoint(g_hook.projection, g_hook.view, w.x, roadY, w.z, frame.width, frame.height, &px, &py)) continue;
    ++inView;
    if (DrawnNear(frame, static_cast<int>(px), static_cast<int>(py), background, 6, kRoadPixelRadius)) ++onRoad;
  }
  const double share = inView > 0 ? static_cast<double>(onRoad) / inView : 0.0;
  const std::string figures =
      FormatFigures("%d of %d waypoints in view land on the road (%.0f%%)", onRoad, inView, 100 * share);
  report->Line("road_waypoints", inView > 0 && share >= kMinRoadShare,
               inView > 0 ? figures : std::string("no waypoint in view"));
}

void JudgeCorners(Report* report, const std::string& name, const Picture& p, const uint8_t* cleared) {
  int corner = UntouchedCorner(p, kSentinel, 0, 4);
  if (corner == kNoCorner && cleared) corner = UntouchedCorner(p, cleared, 2, 4);
  report->Line(name, corner == kNoCorner,
               corner == kNoCorner ? "drawn to all four corners"
                                   : std::string("nothing drawn in the ") + CornerName(corner) + " corner");
}

// The second run: the same frames with the gauges and the mini-map left out.
bool RunWithoutGauges(const RaceFrameOptions& o, const std::string& folder, Picture* out, std::string* why) {
  return RunPlainSecond(o, {"--skip", "gauges", "--skip", "minimap"}, kHudFrame, folder, out, why);
}

void JudgeHud(Report* report, const RaceFrameOptions& o, const Picture& with, const CarRow& player, float heading,
              const std::string& folder) {
  for (const std::string& s : o.skip)
    if (s == "gauges" || s == "minimap" || s == "hud") {
      report->Line("hud", false, "the HUD is judged with gauges, mini-map and picture drawn: drop --skip " + s);
      return;
    }
  Picture without;
  std::string why;
  if (!RunWithoutGauges(o, folder, &without, &why)) {
    report->Line("hud", false, why);
    return;
  }
  if (without.width != with.width || without.height != with.height) {
    report->Line("hud", false, "the second run's picture has another size");
    return;
  }
  const VirtualFrame v = CurrentVirtualFrame();
  const int w = with.width, h = with.height;
  // Quiet middle: proves the two runs drew the same frame, so what differs below is
  // the gauges and the mini-map alone.
  const double elsewhere = DifferingShare(with, without, VirtualBox(v, w, h, 0.0f, 0.0f, kQuietHalfW, kQuietHalfH), 2);
  report->Line("same_frame", elsewhere <= kMaxElsewhere,
               FormatFigures("%.2f%% of the middle differs between the two runs", 100.0 * elsewhere));

  const PictureRect dial = VirtualBox(v, w, h, kDialX, v.bottom + kDialAboveBottom, kDialHalfW, kDialHalfH);
  const double dialShare = DifferingShare(with, without, dial, kHudThreshold);
  report->Line("hud_dial", dialShare >= kMinHudShare,
               FormatFigures("%.0f%% of the dial's %d pixels differ without the gauges", 100.0 * dialShare,
                             dial.Area()));

  // The disc draws the path and the markers under its mask, and nothing between them
  // (render/mini_map.cpp): its pixels are the path's, where the race's waypoints fall
  // on it. The screen's bottom edge at 16:9 takes what lies below it.
  const float unitsPerPixel = (v.right - v.left) / static_cast<float>(w);
  const float lorryX = player.matrix.m[12], lorryZ = player.matrix.m[14];
  int onDisc = 0, differing = 0;
  for (int32_t i = 0; i <= WaypointLastIndex && i < kWaypointCapacity; ++i) {
    float ox, oy;
    MiniMapOffset(heading, WaypointTable[i].x - lorryX, WaypointTable[i].z - lorryZ, &ox, &oy);
    if (ox * ox + oy * oy > kDiscPathRadius * kDiscPathRadius) continue;
    float px, py;
    VirtualToPixel(v, w, h, kDiscX + ox, kDiscY + oy, &px, &py);
    if (px < 0.0f || py < 0.0f || px >= w || py >= h) continue;
    ++onDisc;
    if (DifferingNear(with, without, static_cast<int>(px), static_cast<int>(py), 1, kHudThreshold)) ++differing;
  }
  float cx, cy;
  VirtualToPixel(v, w, h, kDiscX, kDiscY, &cx, &cy);
  const float radius = kDiscRadius / unitsPerPixel;
  const double full = 3.14159265 * radius * radius;
  const double discShare = DifferingShareInDisc(with, without, cx, cy, radius, kHudThreshold);
  const double pathShare = onDisc > 0 ? static_cast<double>(differing) / onDisc : 0.0;
  report->Line("hud_minimap", onDisc > 0 && pathShare >= kMinHudShare,
               FormatFigures("%d of %d path points on the disc differ without the mini-map (%.0f%%); %.0f%% of the "
                      "disc's %d pixels on screen (%.0f%% of it) differ",
                      differing, onDisc, 100.0 * pathShare, 100.0 * discShare,
                      DiscPixelsInside(with, cx, cy, radius), 100.0 * DiscPixelsInside(with, cx, cy, radius) / full));
}

void JudgeCountdown(Report* report, float clock, const Picture& after) {
  const CountdownCaption caption = CountdownCaptionAt(clock);
  if (!caption.text || std::strcmp(caption.text, "3") != 0) {
    report->Line("countdown_three", false, FormatFigures("the clock stood at %.3f, where no \"3\" shows", clock));
    return;
  }
  if (!g_hook.haveBeforeCountdown) {
    report->Line("countdown_three", false, "no HUD pass ended before the countdown");
    return;
  }
  const VirtualFrame v = CurrentVirtualFrame();
  const PictureRect box = VirtualBox(v, after.width, after.height, kCaptionX, kCaptionY, kCaptionHalf, kCaptionHalf);
  const Change c = ChangedPixels(g_hook.beforeCountdown, after, box, kHudThreshold);
  const float unitsPerPixel = (v.right - v.left) / static_cast<float>(after.width);
  const float ux = v.left + static_cast<float>(c.x) * unitsPerPixel;
  const float uy = v.bottom + static_cast<float>(c.y) * unitsPerPixel;
  const bool placed = std::fabs(ux - kCaptionX) <= kCaptionSlack && std::fabs(uy - kCaptionY) <= kCaptionSlack;
  report->Line("countdown_three", c.share > 0.02 && placed,
               FormatFigures("clock %.3f: the caption changed %.1f%% of its box, centred at (%.0f, %.0f)", clock,
                      100.0 * c.share, ux, uy));
}

}  // namespace

int RunFrameCheck(const RaceFrameOptions& options, const char*) {
  Report report;
  std::string folder = options.shots;
  if (folder.empty()) {
    char temp[] = "/tmp/race_frame.XXXXXX";
    if (!mkdtemp(temp)) {
      std::fprintf(stderr, "race_frame: no temporary folder\n");
      return 1;
    }
    folder = temp;
  } else if (!MakeFolder(folder)) {
    std::fprintf(stderr, "race_frame: cannot make %s\n", folder.c_str());
    return 1;
  }
  std::string why;
  ViewChecksBegin(options, folder, [&report](const std::string& n, bool ok, const std::string& d) { report.Line(n, ok, d); });
  if (!OpenRaceRun(options, &why)) {
    report.Line("race_load", false, why);
    CloseRaceRun();
    return 1;
  }
  for (GLenum e = glGetError(); e != GL_NO_ERROR; e = glGetError()) NoteError("the race load", e);
  report.failed |= !CheckDirtSkins(folder);
  PassControl.passHook = PassHook;
  const bool roadAlone = options.only == "main_road";
  const bool skyDrawn = options.only.empty();
  const int frames = std::max(options.frames, kLastFrame);

  DriverControlState controls{};
  controls.clutch = 1.0f;
  Autopilot pilot;
  Picture hudFrame;
  CarRow hudPlayer;
  float hudHeading = 0.0f;
  bool releaseSeen = false, releaseBroken = false, countdownDone = false;
  std::string releaseDetail;
  neVector3 autopilotFrom{};
  for (int f = 1; f <= frames; ++f) {
    g_hook.frame = f;
    WaitForRaceUpdate();
    // The race state is ours to read until the frame is drawn.
    bool lastOfView = false;
    const GridView* view = ViewAt(f, &lastOfView);
    controls.cameraMode = view ? view->camera : 0;
    controls.look = view ? view->look : 0;
    if (f == kAutopilotStart) autopilotFrom = RaceCars[0].Position();
    if (f >= kAutopilotStart) pilot.Drive(kRaceFrameSeconds * 100.0f, &controls);
    PublishControls(controls);

    const float clock = RaceStatus.CountdownValue.load();
    g_hook.countdownFrame = !countdownDone && clock >= kDigitClock - 0.5f * kRaceFrameSeconds;
    g_hook.haveBeforeCountdown = false;
    g_hook.wantRoadMatrices = roadAlone && f == kHudFrame;
    const int post = Settings.postEffect;
    if (f == kCoverageFrame) {
      FillScreenTexture(Renderer.targets.SceneTextures[1], kSentinel);
      Settings.postEffect = 1;  // the soft-focus texture is drawn only with the post effect
    }

    ViewChecksBeforeFrame(f);
    DrawRaceFrame();
    for (GLenum e = glGetError(); e != GL_NO_ERROR; e = glGetError()) NoteError("the frame's last pass", e);
    ViewChecksAfterFrame(f);

    const float after = RaceStatus.CountdownValue.load();
    const bool running = RaceStatus.CountdownRunning.load() != 0;
    if (after > 0.0f && after < kCountdownEnd && !releaseBroken) {
      if ((after <= kCountdownRelease) != running) {
        releaseBroken = true;
        releaseDetail =
            FormatFigures("at clock %.3f the countdown %s", after, running ? "still runs" : "already ended");
      } else if (!running && !releaseSeen) {
        releaseSeen = true;
        releaseDetail = FormatFigures("the countdown ended at clock %.3f (frame %d)", after, f);
      }
    }
    if (f == kHudFrame) {
      hudFrame = ReadScreen();
      hudPlayer = RenderCarRows[0];
      hudHeading = MiniMapHeading(hudPlayer.matrix);
      SaveShot(&report, folder, "hud", hudFrame);
      if (roadAlone) {
        const Picture scene = ReadScreenTexture(Renderer.targets.SceneTextures[0]);
        SaveShot(&report, folder, "road_scene", scene);
        JudgeRoad(&report, scene);
      }
    }
    if (view && lastOfView) {
      SaveShot(&report, folder, view->name, ReadScreen());
      const Picture scene = ReadScreenTexture(Renderer.targets.SceneTextures[0]);
      SaveShot(&report, folder, std::string(view->name) + "_scene", scene);
      if (skyDrawn) JudgePicture(&report, view->name, scene, view->skyAbove);
    }
    if (f == kCoverageFrame) {
      Settings.postEffect = post;
      report.failed |= !CheckPostEffect(folder);
      if (skyDrawn) {
        const float* fog = Lighting.fogColour;
        const uint8_t cleared[4] = {static_cast<uint8_t>(std::lround(fog[0] * 255)),
                                    static_cast<uint8_t>(std::lround(fog[1] * 255)),
                                    static_cast<uint8_t>(std::lround(fog[2] * 255)), 0};
        JudgeCorners(&report, "frame_corners", ReadScreenTexture(Renderer.targets.SceneTextures[0]), cleared);
      }
      JudgeCorners(&report, "soft_focus_corners", ReadScreenTexture(Renderer.targets.SceneTextures[1]), nullptr);
    }
    if (g_hook.countdownFrame) {
      countdownDone = true;
      const Picture shot = ReadScreen();
      SaveShot(&report, folder, "countdown", shot);
      JudgeCountdown(&report, clock, shot);
    }
    if (f == kLastFrame) {
      SaveShot(&report, folder, "autopilot", ReadScreen());
      const Picture scene = ReadScreenTexture(Renderer.targets.SceneTextures[0]);
      SaveShot(&report, folder, "autopilot_scene", scene);
      if (skyDrawn) JudgePicture(&report, "autopilot", scene, true);
      const neVector3 to = RaceCars[0].Position();
      const float moved = std::sqrt((to.x - autopilotFrom.x) * (to.x - autopilotFrom.x) +
                                    (to.z - autopilotFrom.z) * (to.z - autopilotFrom.z));
      report.Line("autopilot_drove", moved > 20.0f,
                  FormatFigures("the lorry is %.0f units from where the autopilot took it, lap %d, place %d", moved,
                         RenderCarRows[0].lap, RenderCarRows[0].place));
    }
    ShowRaceFrame();
  }
  ViewChecksAfterRun();
  report.failed |= skyDrawn && !RunFoliageChecks(folder);
  PassControl.passHook = nullptr;
  report.Line("gl_errors", g_hook.errors == 0 && frames >= kErrorFramesWanted,
              g_hook.errors == 0 ? FormatFigures("%d frames, glGetError clean after every pass", frames)
                                 : FormatFigures("%d errors:%s", g_hook.errors, g_hook.firstErrors.c_str()));
  report.Line("countdown_release", releaseSeen && !releaseBroken,
              releaseDetail.empty() ? std::string("the countdown never ended") : releaseDetail);
  CloseRaceRun();

  JudgeHud(&report, options, hudFrame, hudPlayer, hudHeading, folder);
  ViewChecksEnd();
  // A temporary folder is kept only when a person has something to look at.
  if (options.shots.empty() && !report.failed) {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  } else {
    std::printf("pictures in %s\n", folder.c_str());
  }
  return report.failed ? 1 : 0;
}
