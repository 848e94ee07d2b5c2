#include "platform/joystick_device.h"

#include <SDL2/SDL.h>

#include <cstring>
#include <new>

namespace platform {

struct JoystickDevice {
  SDL_Joystick* joystick = nullptr;  // null while lost
  SDL_JoystickGUID guid{};
};

namespace {

// The subsystem is reference-counted by SDL; each open device holds one reference so
// the video layer's own init and quit do not pull it away underneath us.
bool StartJoystickSubsystem() {
  // Polled, not evented: the state is read once per loop pass, and no joystick event
  // should reach the window-message queue.
  if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return false;
  SDL_JoystickEventState(SDL_IGNORE);
  return true;
}

SDL_Joystick* OpenByGuid(const SDL_JoystickGUID& guid) {
  const int n = SDL_NumJoysticks();
  for (int i = 0; i < n; ++i) {
    const SDL_JoystickGUID g = SDL_JoystickGetDeviceGUID(i);
    if (std::memcmp(&g, &guid, sizeof g) != 0) continue;
    if (SDL_Joystick* j = SDL_JoystickOpen(i)) return j;
  }
  return nullptr;
}

}  // namespace

int32_t HatAngleFromBits(unsigned bits) {
  switch (bits) {
    case SDL_HAT_UP: return 0;
    case SDL_HAT_RIGHTUP: return 4500;
    case SDL_HAT_RIGHT: return 9000;
    case SDL_HAT_RIGHTDOWN: return 13500;
    case SDL_HAT_DOWN: return 18000;
    case SDL_HAT_LEFTDOWN: return 22500;
    case SDL_HAT_LEFT: return 27000;
    case SDL_HAT_LEFTUP: return 31500;
    default: return -1;  // centred, or opposite directions at once
  }
}

JoystickDevice* OpenJoystick(char* name, size_t nameSize) {
  if (!StartJoystickSubsystem()) return nullptr;
  SDL_JoystickUpdate();  // let freshly attached devices register
  const int n = SDL_NumJoysticks();
  for (int i = 0; i < n; ++i) {
    SDL_Joystick* j = SDL_JoystickOpen(i);
    if (!j) continue;
    JoystickDevice* d = new (std::nothrow) JoystickDevice;
    if (!d) {
      SDL_JoystickClose(j);
      break;
    }
    d->joystick = j;
    d->guid = SDL_JoystickGetGUID(j);
    if (name && nameSize > 0) {
      const char* productName = SDL_JoystickName(j);
      std::strncpy(name, productName ? productName : "", nameSize - 1);
      name[nameSize - 1] = '\0';
    }
    return d;
  }
  SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
  return nullptr;
}

bool ReadJoystick(JoystickDevice* device, JoystickReading* out) {
  if (!device || !device->joystick) return false;
  SDL_JoystickUpdate();
  SDL_Joystick* j = device->joystick;
  if (!SDL_JoystickGetAttached(j)) {
    SDL_JoystickClose(j);
    device->joystick = nullptr;
    return false;
  }
  const int axes = SDL_JoystickNumAxes(j);
  for (int k = 0; k < kJoystickAxes; ++k)
    out->axes[k] = k < axes ? static_cast<int32_t>(SDL_JoystickGetAxis(j, k)) + 32768 : 0;
  const int hats = SDL_JoystickNumHats(j);
  for (int p = 0; p < kJoystickHats; ++p)
    out->hats[p] = p < hats ? HatAngleFromBits(SDL_JoystickGetHat(j, p)) : -1;
  const int buttons = SDL_JoystickNumButtons(j);
  for (int b = 0; b < kJoystickButtons; ++b)
    out->buttons[b] = (b < buttons && SDL_JoystickGetButton(j, b)) ? 0x80 : 0;
  return true;
}

bool ReacquireJoystick(JoystickDevice* device) {
  if (!device) return false;
  if (device->joystick) return SDL_JoystickGetAttached(device->joystick) == SDL_TRUE;
  SDL_JoystickUpdate();
  device->joystick = OpenByGuid(device->guid);
  return device->joystick != nullptr;
}

void CloseJoystick(JoystickDevice* device) {
  if (!device) return;
  if (device->joystick) SDL_JoystickClose(device->joystick);
  delete device;
  SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

}  // namespace platform
