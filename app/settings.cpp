#include "app/settings.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "app/controls.h"
#include "app/joystick.h"
#include "app/player_files.h"
#include "frontend/option_steps.h"
#include "frontend/screens.h"
#include "gfx/virtual_screen.h"
#include "platform/files.h"

GameSettings Settings;
float ViewDistance = 400.0f;

namespace {

constexpr const char* kFolder = "Kelvamor";
constexpr const char* kFileName = "menu.inf";
constexpr const char* kBaseCopy = "./base/menu.inf";

// No display is smaller or larger than this; anything outside is a damaged file.
constexpr int32_t kMinScreenSide = 200;
constexpr int32_t kMaxScreenSide = 16384;

// The last joystick code: hat 3 pushed left (joystick.h lists the codes).
constexpr int32_t kJoyCodeLastCode = kJoyCodeAxisCentreDown + 11;

int32_t ReadI32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

void WriteI32(uint8_t* p, int32_t v) {
  const uint32_t u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(u >> (8 * i));
}

// Field values in file order; the flags are bytes in memory, ints in the file.
void ToFields(const GameSettings& s, int32_t f[49]) {
  const int32_t head[17] = {s.displayMode, s.screenWidth, s.screenHeight, s.colourBits,
                            s.reflectionQuality, s.sound, s.music, s.eax, s.reserved9,
                            s.cityTraffic, s.postEffect, s.screenTextureMainPass,
                            s.compressedTextures, s.textureFiltering, s.shadowDetail,
                            s.sightRange, s.antiAliasing};
  std::memcpy(f, head, sizeof head);
  std::memcpy(f + 17, s.bindings.slot, sizeof s.bindings.slot);
  f[47] = s.transmission;
  f[48] = s.controlDevice;
}

uint8_t Flag(int32_t v) { return v != 0 ? 1 : 0; }

void FromFields(const int32_t f[49], GameSettings* s) {
  s->displayMode = f[0];
  s->screenWidth = f[1];
  s->screenHeight = f[2];
  s->colourBits = f[3];
  s->reflectionQuality = f[4];
  s->sound = Flag(f[5]);
  s->music = Flag(f[6]);
  s->eax = Flag(f[7]);
  s->reserved9 = f[8];
  s->cityTraffic = f[9];
  s->postEffect = f[10];
  s->screenTextureMainPass = f[11];
  // Compressed material maps are always used, whatever the file says.
  s->compressedTextures = 1;
  s->textureFiltering = f[13];
  s->shadowDetail = f[14];
  s->sightRange = f[15];
  s->antiAliasing = f[16];
  std::memcpy(s->bindings.slot, f + 17, sizeof s->bindings.slot);
  s->transmission = f[47];
  s->controlDevice = f[48];
}

bool TryLoadBase(GameSettings* s) {
  std::string bytes;
  if (platform::ReadWholeFile(kBaseCopy, kSettingsFileSize, &bytes, nullptr) != platform::FileRead::kRead)
    return false;
  return DecodeSettings(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), s);
}

// The player's resolution while the run uses another (see KeepPlayerScreenMode).
struct KeptScreenMode {
  bool kept = false;
  int32_t mode = 0, width = 0, height = 0;
  int32_t runWidth = 0, runHeight = 0;
};
KeptScreenMode g_kept;

// Sets *v to `to` unless it holds it already; true when it changed.
bool SetField(int32_t* v, int32_t to) {
  const bool changed = *v != to;
  *v = to;
  return changed;
}

// A value the game gives no meaning to takes the shipped value.
bool ShippedUnlessMeant(int32_t* v, bool meant, int32_t shipped) { return !meant && SetField(v, shipped); }

bool OneOf(int32_t v, std::initializer_list<int32_t> values) {
  for (int32_t x : values)
    if (v == x) return true;
  return false;
}

bool BindingUsable(int32_t code) {
  return code == -1 || (code >= 0 && code <= 255) || (code >= kJoyCodeAxisUp && code <= kJoyCodeLastCode);
}

}  // namespace

void ApplyDerivedValues(const GameSettings& s) {
  PendingGraphics.displayMode = s.displayMode;
  PendingGraphics.width = s.screenWidth;
  PendingGraphics.height = s.screenHeight;
  PendingGraphics.acceptedMode = s.displayMode;
  PendingGraphics.acceptedWidth = s.screenWidth;
  PendingGraphics.acceptedHeight = s.screenHeight;
  // The width was validated non-zero, so the division is safe.
  VirtualScreen.bottom = static_cast<int>(-0.5 * s.screenHeight * 800 / s.screenWidth);
  VirtualScreen.top = static_cast<int>(0.5 * s.screenHeight * 800 / s.screenWidth);
  switch (s.sightRange) {
    case 0: ViewDistance = 300.0f; break;
    case 1: ViewDistance = 450.0f; break;
    case 2: ViewDistance = 600.0f; break;
    default: break;  // an unknown range keeps the previous distance
  }
}

GameSettings DefaultSettings() {
  GameSettings s{};
  // A first start must give a race a player can drive on a machine without a graphics
  // card (Mesa's software rasteriser, 1024 x 768): trilinear filtering, no shadows, the
  // nearest sight range (300), reflections at 1 (three cube-map slices a frame, the
  // fewest) and no anti-aliasing. A player with a graphics card turns the rest on in the
  // graphics page.
  const int32_t f[49] = {
      0, 1024, 768, 32, 1, 1, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0,
      // Steering, pedals, shift, clutch/handbrake, camera and look keys, gears 1-6.
      37, 39, 38, 40, 16, 32, 67, 86, 90, 88, -1, 65, 83, 81, 87, 69, 82, 84, 89, 71,
      -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
      0, 0};
  FromFields(f, &s);
  return s;
}

void EncodeSettings(const GameSettings& s, uint8_t out[kSettingsFileSize]) {
  int32_t f[49];
  ToFields(s, f);
  for (int i = 0; i < 49; ++i) WriteI32(out + 4 * i, f[i]);
}

bool DecodeSettings(const uint8_t* data, size_t size, GameSettings* s, std::string* why) {
  if (!data || size != kSettingsFileSize) {
    if (why) *why = "holds " + std::to_string(data ? size : 0) + " bytes, not the 196 of a settings file";
    return false;
  }
  int32_t f[49];
  for (int i = 0; i < 49; ++i) f[i] = ReadI32(data + 4 * i);
  const int32_t w = f[1], h = f[2];
  if (w < kMinScreenSide || w > kMaxScreenSide || h < kMinScreenSide || h > kMaxScreenSide) {
    if (why) *why = "names a screen of " + std::to_string(w) + " x " + std::to_string(h) + " pixels, which no display has";
    return false;
  }
  FromFields(f, s);
  return true;
}

std::string ClampSettings(GameSettings* s) {
  const GameSettings shipped = DefaultSettings();
  std::string fixed;
  auto note = [&fixed](bool changed, const char* what) {
    if (!changed) return;
    if (!fixed.empty()) fixed += ", ";
    fixed += what;
  };
  note(ShippedUnlessMeant(&s->displayMode, s->displayMode >= 0 && s->displayMode < kDisplayModeCount,
                          shipped.displayMode),
       "display mode");
  note(ShippedUnlessMeant(&s->colourBits, OneOf(s->colourBits, {16, 24, 32}), shipped.colourBits), "colour bits");
  // Any reflection quality but 0-2 means one cube-map slice a frame: the value is kept
  // for the culling and the cube-map render to read as such.
  note(ShippedUnlessMeant(&s->cityTraffic, s->cityTraffic >= 0 && s->cityTraffic <= 2, shipped.cityTraffic),
       "city traffic");
  // The post effect runs only at exactly 1, the screen-texture pass whenever set,
  // anisotropic filtering only at exactly 1: each is stored as what it does.
  note(SetField(&s->postEffect, s->postEffect == 1 ? 1 : 0), "post effect");
  note(SetField(&s->screenTextureMainPass, s->screenTextureMainPass != 0 ? 1 : 0), "screen texture pass");
  note(SetField(&s->textureFiltering, s->textureFiltering == 1 ? 1 : 0), "texture filtering");
  // A shadow detail of no level keeps the 1024 map, which is level 1's.
  note(ShippedUnlessMeant(&s->shadowDetail, s->shadowDetail >= 0 && s->shadowDetail <= 3, 1), "shadow detail");
  // A sight range of no distance keeps the view's distance; 3 is the one such range
  // the graphics page steps from.
  note(ShippedUnlessMeant(&s->sightRange, s->sightRange >= 0 && s->sightRange <= 3, 3), "sight range");
  // Any level is a sample count for the driver, which the framebuffer caps at what the
  // driver has; only a negative one counts nothing.
  note(ShippedUnlessMeant(&s->antiAliasing, s->antiAliasing >= 0, shipped.antiAliasing), "anti-aliasing");
  note(ShippedUnlessMeant(&s->transmission, s->transmission == 0 || s->transmission == 1, shipped.transmission),
       "transmission");
  bool deviceFixed = ShippedUnlessMeant(
      &s->controlDevice, s->controlDevice == kControlDeviceKeyboard || s->controlDevice == kControlDeviceJoystick,
      shipped.controlDevice);

  bool unbound = false, undrivable = false;
  for (int slot = 0; slot < kBindingSlots; ++slot) {
    int32_t& code = s->bindings.slot[slot];
    if (BindingUsable(code)) continue;
    code = -1;
    unbound = true;
    undrivable |= slot < kDrivingSlots;
  }
  // Whether a joystick answers is not known yet: the joypad's bindings are judged as a
  // joystick would read them.
  if (undrivable) undrivable = !CheckDrivingBindings(s->bindings, s->controlDevice, true).Drivable();
  // Codes that name nothing only unbind their slots, unless that leaves the lorry
  // without steering, throttle or brake: then the shipped settings' device comes back
  // with its bindings, the only set a race is known to be drivable with (the joypad has
  // none of its own: the player binds it on the controls page).
  if (undrivable) {
    deviceFixed |= SetField(&s->controlDevice, shipped.controlDevice);
    s->bindings = shipped.bindings;
  }
  note(deviceFixed, "control device");
  note(unbound && !undrivable, "control bindings");
  note(undrivable, "control bindings (steering, throttle or brake left unbound: the keyboard's shipped bindings are back)");
  return fixed;
}

void KeepPlayerScreenMode(int32_t runWidth, int32_t runHeight) {
  g_kept.kept = true;
  g_kept.mode = Settings.displayMode;
  g_kept.width = Settings.screenWidth;
  g_kept.height = Settings.screenHeight;
  g_kept.runWidth = runWidth;
  g_kept.runHeight = runHeight;
}

std::string UserFilePath(const char* name, bool create) {
  const std::string docs = platform::DocumentsFolder();
  if (docs.empty()) return "";
  const std::string folder = docs + "/" + kFolder;
  if (create) platform::MakeDirectories(folder);
  return folder + "/" + name;
}

bool LoadSettings() {
  g_kept.kept = false;
  GameSettings s{};
  const std::string user = UserFilePath(kFileName, false);
  std::string bytes, why;
  bool read = !user.empty() && ReadPlayerFile(kFileName, user, kSettingsFileSize, &bytes);
  if (read && bytes.size() != kSettingsFileSize) why = WrongSizeReason(bytes.size(), kSettingsFileSize, "a settings file");
  if (read && !DecodeSettings(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &s, why.empty() ? &why : nullptr)) {
    SetAsideDamaged(kFileName, user, why, "the shipped settings are used");
    read = false;
  }
  if (!read && !TryLoadBase(&s)) {
    std::printf("menu.inf: %s is missing or damaged too; the built-in settings are used\n", kBaseCopy);
    s = DefaultSettings();
  }
  const std::string clamped = ClampSettings(&s);
  if (!clamped.empty()) std::printf("menu.inf: out-of-range values brought into range: %s\n", clamped.c_str());
  std::fflush(stdout);
  Settings = s;
  ApplyDerivedValues(Settings);
  return SaveSettings();
}

bool SaveSettings() {
  if (PendingGraphics.apply) {
    Settings.displayMode = PendingGraphics.acceptedMode;
    Settings.screenWidth = PendingGraphics.acceptedWidth;
    Settings.screenHeight = PendingGraphics.acceptedHeight;
    Settings.antiAliasing = PendingGraphics.antiAliasing;
  }
  GameSettings out = Settings;
  if (g_kept.kept && out.screenWidth == g_kept.runWidth && out.screenHeight == g_kept.runHeight) {
    out.displayMode = g_kept.mode;
    out.screenWidth = g_kept.width;
    out.screenHeight = g_kept.height;
  } else {
    g_kept.kept = false;  // another resolution was accepted: it is the player's now
  }
  uint8_t bytes[kSettingsFileSize];
  EncodeSettings(out, bytes);
  return SavePlayerFile(kFileName, bytes, sizeof bytes);
}
