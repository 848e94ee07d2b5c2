// The one game controller, read by polling: eight axes as 0..65535 (X, Y, Z, X, Y and
// Z rotation, slider 0, slider 1; an axis the device lacks reads 0), four hats in
// hundredths of a degree clockwise from up (0, 4500, ... 31500; -1 centred or absent)
// and 32 buttons (0x80 down, 0 up). The game's Joystick (app/joystick.h) builds on this.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

constexpr int kJoystickAxes = 8;
constexpr int kJoystickHats = 4;
constexpr int kJoystickButtons = 32;

// 80 bytes, in the order the game's state record keeps them.
struct JoystickReading {
  int32_t axes[kJoystickAxes];
  int32_t hats[kJoystickHats];
  uint8_t buttons[kJoystickButtons];
};
static_assert(sizeof(JoystickReading) == 80, "the joystick state is 80 bytes");

struct JoystickDevice;  // opaque; one per opened controller

// Opens the first attached controller that opens and copies its product name into
// name (NUL-terminated, cut to nameSize - 1). Null when there is none; name is then
// left as it was.
JoystickDevice* OpenJoystick(char* name, size_t nameSize);

// Refreshes the device and reads its state. A button pressed since the last read reads
// as down even when it was let go again meanwhile. False when the device has gone
// (unplugged): out is left as it was and the caller tries ReacquireJoystick.
bool ReadJoystick(JoystickDevice* device, JoystickReading* out);

// After a loss: opens the same controller again when it is back. True when usable.
bool ReacquireJoystick(JoystickDevice* device);

void CloseJoystick(JoystickDevice* device);

// SDL's hat bits as hundredths of a degree (-1 centred); exposed for the tests.
int32_t HatAngleFromBits(unsigned bits);

}  // namespace platform
