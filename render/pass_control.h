// The race tools' hold on the race passes: a pass can be left out, the world can be
// drawn one layer alone, each pass can be timed, and a tool can look at the GL state
// after each pass. In the game nothing is set, every pass is wanted and timing and the
// hook cost a branch each.
//
// Pass names: the world layers by their file names ("main_road", "main_landscape",
// "main_map", "add_map", "main_transparency", "add_transparency", "add_transparency2"),
// and "sky", "composite", "grass", "trees", "glare", "cars", "objects", "smoke", "trails",
// "hud", "gauges", "minimap", "countdown", the view passes "cube_map", "shadow_map",
// "reflection" and "water", and "post" (the glow and soft-focus chain).
#pragma once

constexpr int kMaxSkippedPasses = 8;
constexpr int kMaxTimedPasses = 32;

struct PassControlState {
  bool timing = false;        // PassBegin/PassEnd measure (with glFinish around them)
  char only[32] = {};         // a world layer drawn alone; empty: every layer
  char skip[kMaxSkippedPasses][32] = {};
  // Milliseconds of each timed pass in the last frame, by first use.
  int timedCount = 0;
  char timedName[kMaxTimedPasses][32] = {};
  double timedMs[kMaxTimedPasses] = {};
  // The same passes' processor time on the calling thread, in milliseconds. With the
  // software rasteriser's own threads turned off (LP_NUM_THREADS=0) that thread draws
  // every fragment itself, and this figure is the pass's whole cost, which other work on
  // a shared machine moves far less than the wall-clock one.
  double timedCpuMs[kMaxTimedPasses] = {};
  // Called at every PassEnd with the pass's name, after its timing stops (so what the
  // hook does is not counted): the race tools read glGetError or pixels there. May be
  // null, as it is in the game.
  void (*passHook)(const char* name) = nullptr;
};
extern PassControlState PassControl;

// The names above: a world layer's, and any pass's (the tools refuse others, which
// would leave nothing out).
bool IsWorldLayer(const char* name);
bool IsPassName(const char* name);

// False for a skipped pass, and for a world layer other than the one drawn alone.
bool PassWanted(const char* name);
// Times the pass between the two calls when timing is on, and hands its name to the
// hook at its end (nesting is not supported).
void PassBegin(const char* name);
void PassEnd();
// Clears the last frame's times.
void ResetPassTimes();
// The calling thread's processor time so far, in milliseconds (0 where the system
// keeps none).
double ThreadCpuMilliseconds();
