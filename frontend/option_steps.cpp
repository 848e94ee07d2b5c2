#include "frontend/option_steps.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>

#include "app/settings.h"
#include "app/sound.h"
#include "app/window.h"
#include "frontend/screens.h"
#include "gfx/gl_ext.h"

const DisplayModeSize kDisplayModes[kDisplayModeCount] = {
    {1024, 768}, {1280, 768}, {1280, 960},  {1280, 1024}, {1600, 900},
    {1600, 1000}, {1600, 1200}, {1680, 1050}, {1920, 1080}, {1920, 1200}};

namespace {

// Sight range by setting; the race takes its far plane from it at the next race.
constexpr float kSightDistances[3] = {300.0f, 450.0f, 600.0f};

int Wrap(int v, int count) { return ((v % count) + count) % count; }

void StepDisplayMode(int step) {
  const int mode = NextDisplayMode(PendingGraphics.displayMode, step, IsDisplayModeAvailable);
  if (mode == PendingGraphics.displayMode) return;
  PendingGraphics.displayMode = mode;
  PendingGraphics.width = kDisplayModes[mode].width;
  PendingGraphics.height = kDisplayModes[mode].height;
  GraphicsChanged = 1;
}

// Only the steps 0-2-4-8 move, and never past what the device offers; any other level
// (16 or 32, or a 3 from the file) stays as it is, since the renderer draws it as set.
void StepAntiAliasing(int step) {
  const int most = MaxSamples;
  int& aa = PendingGraphics.antiAliasing;
  if (step < 0) {
    if (aa == 8) aa = std::min(most, 4);
    else if (aa == 4) aa = std::min(most, 2);
    else if (aa == 2) aa = 0;
  } else {
    if (aa == 0) aa = std::min(most, 2);
    else if (aa == 2) aa = std::min(most, 4);
    else if (aa == 4) aa = std::min(most, 8);
  }
  PendingGraphics.apply = 1;
}

void StepSightRange(int step) {
  Settings.sightRange = Wrap(std::min(std::max(Settings.sightRange, 0), 2) + step, 3);
  ViewDistance = kSightDistances[Settings.sightRange];
}

// The page cycles 0-2; a 3 from the settings file leaves the cycle at its first step.
void StepShadowDetail(int step) {
  int& s = Settings.shadowDetail;
  // A value from the file beyond the names is brought to the nearest one first.
  s = std::min(std::max(s, 0), 3);
  if (step < 0)
    s = (s <= 0 || s >= 3) ? 2 : s - 1;
  else
    s = s >= 2 ? 0 : s + 1;
  GraphicsChanged = 1;
}

// Applied at once to whatever texture is bound, as the page always did; switched off it
// goes back to 1, the lowest anisotropy GL accepts.
void ToggleTextureFiltering() {
  Settings.textureFiltering = Settings.textureFiltering ? 0 : 1;
  if (MaxAnisotropy <= 0) return;
  const float a = Settings.textureFiltering ? static_cast<float>(AnisotropyBelowMaximum(MaxAnisotropy)) : 1.0f;
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, a);
}

void ToggleMusic() {
  Settings.music = Settings.music ? 0 : 1;
  if (Settings.music)
    MusicSource.Play();
  else
    MusicSource.Stop();
}

}  // namespace

int NextDisplayMode(int from, int step, bool (*available)(int width, int height)) {
  const int dir = step < 0 ? -1 : 1;
  const int start = Wrap(from, kDisplayModeCount);
  for (int i = 1; i < kDisplayModeCount; ++i) {
    const int mode = Wrap(start + dir * i, kDisplayModeCount);
    if (available(kDisplayModes[mode].width, kDisplayModes[mode].height)) return mode;
  }
  return from;
}

void StepOptionRow(int screen, int row, int side) {
  const int step = side == 0 ? -1 : 1;
  if (screen == kScreenGraphics) {
    switch (row) {
      case 0: StepDisplayMode(step); break;
      case 1: StepAntiAliasing(step); break;
      case 2: StepSightRange(step); break;
      case 3: StepShadowDetail(step); break;
      case 4: ToggleTextureFiltering(); break;
      default: break;
    }
  } else if (screen == kScreenAudio) {
    switch (row) {
      case 0: Settings.sound = Settings.sound ? 0 : 1; break;
      case 1: ToggleMusic(); break;
      case 2:
        Settings.eax = Settings.eax ? 0 : 1;
        PendingGraphics.apply = 1;
        break;
      default: break;
    }
  }
}
