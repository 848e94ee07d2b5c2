// The display connection lost under the running game (the X server killed or gone).
// The windowing library's default answer ends the process on the spot, from whichever
// thread noticed, with the loader thread still running and nothing saved.
#pragma once

namespace platform {

// Called once, from the first thread to find the connection gone; it must not return
// (a return ends the process with status 1). Threads that find it gone afterwards wait
// for it. Install after the video subsystem has started.
using DisplayLostHandler = void (*)();
void OnDisplayLost(DisplayLostHandler handler);

}  // namespace platform
