#include "platform/joystick_device.h"

#include <SDL2/SDL.h>

#include <cstring>
#include <new>

namespace platform {

struct JoystickDevice {
  SDL_Joystick* joystick = nullptr;  // null while lost
  SDL_JoystickGUID guid{};
  SDL_JoystickID instance = -1;      // of the open joystick; -1 while lost
  // Buttons that went down since the last read: a press let go before the next read
  // still reads as down once, as a key does between two frames.
  bool pressed[kJoystickButtons] = {};
};

namespace {

// The subsystem is reference-counted by SDL; each open device holds one reference so
// the video layer's own init and quit do not pull it away underneath us.
bool StartJoystickSubsystem() {
  // The state is polled once per loop pass, but the button events are on: SDL reads
  // all of the driver's input at once, so a press and its release between two polls
  // would leave no trace in the state. They never become window messages.
  if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return false;
  SDL_JoystickEventState(SDL_ENABLE);
  return true;
}

// Called by SDL for every event it queues, on the thread that reads the devices (the
// main thread: the loop's message pump and the poll).
int NotePress(void* userdata, SDL_Event* e) {
  JoystickDevice* d = static_cast<JoystickDevice*>(userdata);
  if (e->type == SDL_JOYBUTTONDOWN && d->joystick && e->jbutton.which == d->instance &&
      e->jbutton.button < kJoystickButtons)
    d->pressed[e->jbutton.button] = true;
  return 1;
}

void Adopt(JoystickDevice* d, SDL_Joystick* j) {
  d->joystick = j;
  d->instance = j ? SDL_JoystickInstanceID(j) : -1;
  for (bool& p : d->pressed) p = false;
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
    Adopt(d, j);
    d->guid = SDL_JoystickGetGUID(j);
    SDL_AddEventWatch(NotePress, d);
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
    Adopt(device, nullptr);
    return false;
  }
  const int axes = SDL_JoystickNumAxes(j);
  for (int k = 0; k < kJoystickAxes; ++k)
    out->axes[k] = k < axes ? static_cast<int32_t>(SDL_JoystickGetAxis(j, k)) + 32768 : 0;
  const int hats = SDL_JoystickNumHats(j);
  for (int p = 0; p < kJoystickHats; ++p)
    out->hats[p] = p < hats ? HatAngleFromBits(SDL_JoystickGetHat(j, p)) : -1;
  const int buttons = SDL_JoystickNumButtons(j);
  for (int b = 0; b < kJoystickButtons; ++b) {
    const bool down = b < buttons && SDL_JoystickGetButton(j, b);
    out->buttons[b] = (down || device->pressed[b]) ? 0x80 : 0;
    device->pressed[b] = false;
  }
  // Seen by the watch; nothing else reads them, and a game that pumps no messages (the
  // race tools) would otherwise fill SDL's queue with them.
  SDL_FlushEvents(SDL_JOYAXISMOTION, SDL_JOYBUTTONUP);
  return true;
}

bool ReacquireJoystick(JoystickDevice* device) {
  if (!device) return false;
  if (device->joystick) return SDL_JoystickGetAttached(device->joystick) == SDL_TRUE;
  SDL_JoystickUpdate();
  Adopt(device, OpenByGuid(device->guid));
  return device->joystick != nullptr;
}

void CloseJoystick(JoystickDevice* device) {
  if (!device) return;
  SDL_DelEventWatch(NotePress, device);
  if (device->joystick) SDL_JoystickClose(device->joystick);
  delete device;
  SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

}  // namespace platform
