// menu.inf as the game reads it at start-up: the decode, the values derived from it at
// once, and the key bindings it holds driven through the controls mapping both ways
// (keyboard and joystick, every key and button down), as every race frame does.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "app/controls.h"
#include "app/settings.h"

namespace {

void DriveBindings(const GameSettings& s) {
  uint8_t keys[256];
  std::memset(keys, 1, sizeof keys);
  JoyState joy;
  std::memset(&joy, 0, sizeof joy);
  std::memset(joy.buttons, 1, sizeof joy.buttons);
  for (int32_t& a : joy.axes) a = 32767;
  for (int device = 0; device < 2; ++device) {
    DriverControlState c{};
    uint8_t latches[kBindingSlots] = {};
    MapDriverControls(s.bindings, device, keys, &joy, 1.0f, &c, latches);
    MapDriverControls(s.bindings, device, keys, &joy, 1.0f, &c, latches);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  GameSettings s = DefaultSettings();
  if (!DecodeSettings(data, size, &s)) return 0;
  ApplyDerivedValues(s);
  DriveBindings(s);
  // An accepted file must survive the save the game makes at once: written and read
  // again it gives the same bytes.
  uint8_t once[kSettingsFileSize];
  EncodeSettings(s, once);
  GameSettings reread = DefaultSettings();
  if (!DecodeSettings(once, sizeof once, &reread)) std::abort();
  uint8_t twice[kSettingsFileSize];
  EncodeSettings(reread, twice);
  if (std::memcmp(once, twice, sizeof once) != 0) std::abort();
  return 0;
}
