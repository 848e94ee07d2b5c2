// The player's options, saved as menu.inf: 49 little-endian 32-bit integers, 196
// bytes, no header. Field numbers in the comments are the file's order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr int kBindingSlots = 30;   // 20 used: 10 rows of two columns
constexpr size_t kSettingsFileSize = 196;

// Every binding is a virtual-key code (0..255) or a joystick code (1000 and above);
// -1 is unbound.
struct ControlBindings {
  int32_t slot[kBindingSlots];
};

struct GameSettings {
  int32_t displayMode;             // 1: index into the graphics page's resolution list
  int32_t screenWidth;             // 2
  int32_t screenHeight;            // 3
  int32_t colourBits;              // 4: used when the mode is set again on activation
  int32_t reflectionQuality;       // 5: 0 -> 6 slices per frame, 1 -> 3, 2 -> 6
  uint8_t sound;                   // 6: "Sound", stored as 0/1
  uint8_t music;                   // 7: "Music"
  uint8_t eax;                     // 8: "EAX effects"
  int32_t reserved9;               // 9: saved and loaded only
  int32_t cityTraffic;             // 10: CityCarCount is twice this
  int32_t postEffect;              // 11: extra blur-and-composite passes
  int32_t screenTextureMainPass;   // 12: main race pass into a screen-size texture
  uint8_t compressedTextures;      // 13: always 1 after a load
  int32_t textureFiltering;        // 14: 1 = anisotropic
  int32_t shadowDetail;            // 15: 0..3 -> ShadowMapSize 16 (off), 1024, 4096, 8192
  int32_t sightRange;              // 16: 0/1/2 -> view distance 300/450/600
  int32_t antiAliasing;            // 17: 0 none; above 0 the multisampled target exists
  ControlBindings bindings;        // 18-47
  int32_t transmission;            // 48: 0 automatic, 1 manual
  int32_t controlDevice;           // 49: 0 keyboard, 1 joypad
};

extern GameSettings Settings;

// Far plane of the race view, set from "Sight Range" (400 until a valid range is read).
extern float ViewDistance;

// The values the shipped base/menu.inf holds and that stand when no file is usable.
GameSettings DefaultSettings();

// The 196 file bytes of a settings record (the pending graphics values not applied).
void EncodeSettings(const GameSettings& s, uint8_t out[kSettingsFileSize]);
// Decodes a file image, with the reader's normalisation (flags to 0/1, field 13 = 1).
// False, leaving *s alone, when the image is not a usable settings file (wrong size,
// or a width or height no display has), with the reason in `why` when given.
bool DecodeSettings(const uint8_t* data, size_t size, GameSettings* s, std::string* why = nullptr);

// Gives every field with a known meaning a value the game reads as it will read this
// one: shadow detail outside 0-3 becomes 1 (its 1024 map), a sight range outside 0-3
// becomes 3 (no distance of its own), the post effect and anisotropic filtering 1 only
// at exactly 1, the screen-texture pass 1 whenever set; a reflection quality outside 0-2
// stays (one slice a frame). A field whose value means nothing takes the shipped value
// (DefaultSettings). A binding no key or joystick control has becomes unbound; when that
// leaves steering, throttle or brake unbound on the device, the keyboard and its shipped
// bindings come back. The width, height, flags and field 9 are left alone. Returns the
// names of the settings changed, comma-separated, or "" when none was.
std::string ClampSettings(GameSettings* s);

// What the reader derives from the fields it has read: the pending graphics values,
// the VirtualScreen frame and the view distance. The race tools, which never read the
// user's file, apply their own settings with it.
void ApplyDerivedValues(const GameSettings& s);

// Reads the user's menu.inf (else "./base/menu.inf", else the defaults; a user's file
// that cannot be used is kept beside as menu.inf.damaged), clamps it, derives the
// VirtualScreen frame, the pending graphics values and the view distance, and writes
// the file back at once. Returns what SaveSettings returns.
bool LoadSettings();
// Writes menu.inf into the user's folder (applying the graphics page's pending values
// when its apply flag is set). False when nothing could be written.
bool SaveSettings();

// This run uses `runWidth` x `runHeight` because the display does not offer the
// settings' resolution: menu.inf keeps the player's choice (the settings' mode, width
// and height as they are now) for as long as the run's mode stands, and drops it once
// another resolution is accepted.
void KeepPlayerScreenMode(int32_t runWidth, int32_t runHeight);

// Documents/Kelvamor/<name>; the folder is created when create is set.
std::string UserFilePath(const char* name, bool create);
