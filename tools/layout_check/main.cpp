// The layout check: every screen of the front end, in the state that gives its texts
// their longest form, drawn by the real screen machine in a real window. From the
// texts PrintText draws (measured with the fonts' own widths) and the widget quads it
// finds overlapping texts, texts crossing their panel or the screen, texts on pictures
// that are not their own backing, overlapping buttons, and texts whose colour does not
// stand out 4.5 : 1 from the surface drawn under them.
//
//   layout_check [--check] [--shots DIR] [--size WxH] [--only NAME] [--texts]
//
// Run from build/ (where base/ lies) under an X server at least as large as the size.
// --check exits 1 on any finding; --shots writes each scene's picture as NAME.png;
// --texts lists every text each scene shows ("text NAME<tab>TEXT<tab>X Y LENGTH HEIGHT
// TURN": its middle, size and turn in the picture's pixels and degrees).
#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/career.h"
#include "app/frame.h"
#include "app/game.h"
#include "app/handshake.h"
#include "frontend/menu_start.h"
#include "frontend/screen_machine.h"
#include "frontend/screens.h"
#include "frontend/widget_draw.h"
#include "gfx/text.h"
#include "gfx/texture.h"
#include "gfx/virtual_screen.h"
#include "platform/msgbox.h"
#include "platform/window.h"
#include "race/car_content.h"
#include "race/car_setup.h"
#include "tools/layout_check/layout_rules.h"
#include "tools/layout_check/layout_scenes.h"
#include "tools/race_frame/png_file.h"

namespace {

struct Options {
  bool check = false;
  bool texts = false;
  std::string shots;
  std::string only;
  int width = 1024, height = 768;
};

bool ParseOptions(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == "--check") {
      o->check = true;
    } else if (a == "--texts") {
      o->texts = true;
    } else if (a == "--shots" && hasValue) {
      o->shots = argv[++i];
    } else if (a == "--only" && hasValue) {
      o->only = argv[++i];
    } else if (a == "--size" && hasValue) {
      if (std::sscanf(argv[++i], "%dx%d", &o->width, &o->height) != 2 || o->width < 320 || o->height < 240)
        return false;
    } else {
      return false;
    }
  }
  return true;
}

bool OpenGame(const Options& o) {
  platform::SetDialogsEnabled(false);
  if (!platform::InitVideo() || !platform::CreateWindow("Kelvamor layout", o.width, o.height, false) ||
      !platform::CreateMainContext() || !platform::CreateWorkerContext() || !platform::MakeMainContextCurrent())
    return false;
  platform::SetSwapInterval(0);
  MenuStart start;
  start.width = o.width;
  start.height = o.height;
  start.shippedSettings = true;
  start.garage = true;
  std::string why;
  if (!StartMenuRenderer(start, &why)) {
    std::fprintf(stderr, "layout_check: %s\n", why.c_str());
    return false;
  }
  return true;
}

// The trace of the frame being drawn.
layout::FrameTrace g_trace;
int g_order = 0;
bool g_hideGlyphs = false;

layout::Quad ToQuad(const float (&c)[4][2]) {
  layout::Quad q;
  for (int i = 0; i < 4; ++i) q.c[i] = {c[i][0], c[i][1]};
  return q;
}

bool OnText(const TracedTextBox& b) {
  layout::TextItem t;
  t.text = b.text;
  t.box = ToQuad(b.corners);
  t.colour = b.colour;
  t.alpha = b.alpha;
  t.font = b.font;
  t.size = b.size;
  t.backdrop = b.backdrop;
  t.space = MeasureText(b.font, b.size, " ");
  t.owner = b.owner;
  t.order = g_order++;
  g_trace.texts.push_back(t);
  return g_hideGlyphs;
}

void OnQuad(const TracedQuad& q) {
  layout::QuadItem item;
  item.box = ToQuad(q.corners);
  for (int i = 0; i < 4; ++i) item.uv[i] = {q.uv[i][0], q.uv[i][1]};
  item.texture = q.texture;
  for (int i = 0; i < 3; ++i) item.rgb[i] = q.colour[i];
  item.alpha = q.colour[3];
  item.owner = q.owner;
  item.order = g_order++;
  // The mouse pointer is no part of the page.
  if (q.texture != 29) g_trace.quads.push_back(item);
}

// The alpha of the table's textures, read back from GL once each.
struct TextureAlpha {
  int width = 0, height = 0;
  std::vector<uint8_t> alpha;
};
std::map<int, TextureAlpha> g_alpha;

float AlphaAt(int entry, float u, float v) {
  auto it = g_alpha.find(entry);
  if (it == g_alpha.end()) {
    TextureAlpha a;
    if (entry >= 0 && entry < kTextureTableSize && TextureTable[entry].name > 0) {
      glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(TextureTable[entry].name));
      GLint w = 0, h = 0;
      glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
      glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
      if (w > 0 && h > 0) {
        std::vector<uint8_t> rgba(static_cast<size_t>(w) * h * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        a.width = w;
        a.height = h;
        a.alpha.resize(static_cast<size_t>(w) * h);
        for (size_t i = 0; i < a.alpha.size(); ++i) a.alpha[i] = rgba[4 * i + 3];
      }
      glBindTexture(GL_TEXTURE_2D, 0);
    }
    it = g_alpha.emplace(entry, std::move(a)).first;
  }
  const TextureAlpha& a = it->second;
  if (a.width == 0) return 0.0f;
  auto wrap = [](float f) { return f - static_cast<float>(static_cast<int>(f < 0.0f ? f - 1.0f : f)); };
  int x = static_cast<int>((u >= 0.0f && u <= 1.0f ? u : wrap(u)) * a.width);
  int y = static_cast<int>((v >= 0.0f && v <= 1.0f ? v : wrap(v)) * a.height);
  x = x < 0 ? 0 : (x >= a.width ? a.width - 1 : x);
  y = y < 0 ? 0 : (y >= a.height ? a.height - 1 : y);
  return a.alpha[static_cast<size_t>(y) * a.width + x] / 255.0f;
}

Picture ReadFrame(int w, int h) {
  Picture p;
  p.width = w;
  p.height = h;
  p.rgba.resize(static_cast<size_t>(w) * h * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, p.rgba.data());
  return p;
}

void DrawFrame() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  UpdateScreens();
}

// The scene's page settled: the state set, the screen current and faded in, and
// enough frames for the bars and the garage camera to come to rest.
void Settle(const layout::Scene& s) {
  layout::ResetGameState();
  s.setup();
  // The lorry on show behind the menus, as the loader would have it.
  static int shown = -1;
  if (shown != LiveCarSetup.modelIndex) {
    LoadCar(0);
    shown = LiveCarSetup.modelIndex;
  }
  SelectedItem = EntrySelection;
  TargetScreen.store(s.screen);
  CurrentScreen.store(s.screen);
  ScreenFade = 1.0f;
  FrameTiming.FrameTicks = 1.0f;
  for (int i = 0; i < 40; ++i) {
    // The finish page waits for the loader at full fade; kept just short of it.
    if (s.screen == kScreenFinish) ScreenFade = 0.998f;
    if (s.screen == kScreenIntro) s.setup();
    DrawFrame();
  }
  if (s.screen == kScreenIntro) s.setup();
  if (s.screen == kScreenFinish) ScreenFade = 0.998f;
}

// One text as the picture shows it: its middle, its length and height in pixels (rows
// from the top) and the turn of its line in degrees, anticlockwise as seen. A reader
// cuts each turned label out by it and levels it before reading.
void PrintShownText(const std::string& scene, const layout::TextItem& t, const layout::Bounds& screen,
                    const Options& o) {
  const float sx = o.width / (screen.right - screen.left), sy = o.height / (screen.top - screen.bottom);
  float px[4], py[4];
  for (int i = 0; i < 4; ++i) {
    px[i] = (t.box.c[i].x - screen.left) * sx;
    py[i] = (screen.top - t.box.c[i].y) * sy;
  }
  const float cx = 0.25f * (px[0] + px[1] + px[2] + px[3]), cy = 0.25f * (py[0] + py[1] + py[2] + py[3]);
  const float length = std::hypot(px[1] - px[0], py[1] - py[0]);
  const float height = std::hypot(px[3] - px[0], py[3] - py[0]);
  const float turn = std::atan2(py[0] - py[1], px[1] - px[0]) * 180.0f / 3.14159265f;
  std::printf("text %s\t%s\t%.0f %.0f %.0f %.0f %.1f\n", scene.c_str(), t.text.c_str(), cx, cy, length, height,
              turn);
}

int RunScene(const layout::Scene& s, const Options& o, std::vector<std::string>* findings,
             std::vector<std::string>* fixed) {
  Settle(s);
  const float fade = ScreenFade;
  const float promptClock = PromptClock;
  const float introClock = IntroClock.load();
  g_trace = layout::FrameTrace();
  g_order = 0;
  g_hideGlyphs = false;
  TextBoxTrace = OnText;
  WidgetQuadTrace = OnQuad;
  DrawFrame();
  TextBoxTrace = nullptr;
  WidgetQuadTrace = nullptr;
  const Picture shown = ReadFrame(o.width, o.height);
  const layout::FrameTrace trace = g_trace;

  // The same frame again without the glyphs: the surface each text is read against.
  ScreenFade = fade;
  PromptClock = promptClock;
  IntroClock.store(introClock);
  g_trace = layout::FrameTrace();
  g_hideGlyphs = true;
  TextBoxTrace = OnText;
  DrawFrame();
  TextBoxTrace = nullptr;
  g_hideGlyphs = false;
  const Picture surface = ReadFrame(o.width, o.height);

  if (CurrentScreen.load() != s.screen) {
    findings->push_back(s.name + ": the screen left for " + std::to_string(CurrentScreen.load()));
    return 1;
  }
  layout::Bounds screen;
  screen.left = static_cast<float>(VirtualScreen.left);
  screen.right = static_cast<float>(VirtualScreen.right);
  screen.bottom = static_cast<float>(VirtualScreen.bottom);
  screen.top = static_cast<float>(VirtualScreen.top);
  std::vector<std::string> found = layout::CheckLayout(trace, AlphaAt, screen);
  const layout::Surface under{surface.width, surface.height, surface.rgba.data()};
  std::vector<std::string> fixedHere;
  for (const std::string& f : layout::CheckContrast(trace, under, screen, AlphaAt, &fixedHere)) found.push_back(f);
  for (const std::string& f : fixedHere) fixed->push_back(s.name + ": " + f);
  for (const std::string& f : found) findings->push_back(s.name + ": " + f);
  // What a reader of the picture should find on it, for the machine reading of the shots.
  if (o.texts)
    for (const layout::TextItem& t : trace.texts)
      if (t.alpha >= 0.3f) PrintShownText(s.name, t, screen, o);
  std::printf("%-26s %3zu texts %3zu quads %3zu findings\n", s.name.c_str(), trace.texts.size(), trace.quads.size(),
              found.size());
  if (!o.shots.empty() && !WritePng(o.shots + "/" + s.name + ".png", shown)) {
    findings->push_back(s.name + ": " + o.shots + "/" + s.name + ".png cannot be written");
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseOptions(argc, argv, &o)) {
    std::fprintf(stderr, "usage: layout_check [--check] [--shots DIR] [--size WxH] [--only NAME] [--texts]\n");
    return 2;
  }
  if (!OpenGame(o)) {
    std::fprintf(stderr, "layout_check: no %dx%d GL window with base/ (run from build/ under an X server)\n",
                 o.width, o.height);
    return 1;
  }
  std::vector<std::string> findings, fixed;
  int failed = 0, ran = 0;
  for (const layout::Scene& s : layout::Scenes()) {
    if (!o.only.empty() && s.name != o.only) continue;
    ++ran;
    failed |= RunScene(s, o, &findings, &fixed);
  }
  // The pages' own colour pairs are listed, not failed: no content of ours lies there.
  for (const std::string& f : fixed) std::printf("note: %s\n", f.c_str());
  for (const std::string& f : findings) std::printf("%s\n", f.c_str());
  std::printf("layout_check: %d scenes at %dx%d, %zu findings, %zu texts on the pages' own colours\n", ran,
              o.width, o.height, findings.size(), fixed.size());
  if (ran == 0) {
    std::fprintf(stderr, "layout_check: no scene named %s\n", o.only.c_str());
    return 1;
  }
  if (failed) return 1;
  return o.check && !findings.empty() ? 1 : 0;
}
