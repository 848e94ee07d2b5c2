#include "render/pass_control.h"

#include <GL/gl.h>

#include <chrono>
#include <cstring>
#include <ctime>

PassControlState PassControl;

namespace {

const char* const kWorldLayers[] = {"main_road",         "main_landscape",   "main_map",
                                    "add_map",           "main_transparency", "add_transparency",
                                    "add_transparency2"};

const char* const kOtherPasses[] = {"sky",     "composite", "grass",    "trees",      "glare",      "cars",
                                    "objects", "smoke",     "trails",   "hud",        "gauges",     "minimap",
                                    "countdown", "cube_map", "shadow_map", "reflection", "water", "post"};

int g_current = -1;
// The pass between PassBegin and PassEnd, for the hook; names are string literals.
const char* g_currentName = "";
std::chrono::steady_clock::time_point g_start;
double g_cpuStart = 0.0;


}  // namespace

bool IsWorldLayer(const char* name) {
  for (const char* layer : kWorldLayers)
    if (std::strcmp(layer, name) == 0) return true;
  return false;
}

bool IsPassName(const char* name) {
  for (const char* pass : kOtherPasses)
    if (std::strcmp(pass, name) == 0) return true;
  return IsWorldLayer(name);
}

bool PassWanted(const char* name) {
  for (const auto& s : PassControl.skip)
    if (s[0] && std::strcmp(s, name) == 0) return false;
  if (PassControl.only[0] && IsWorldLayer(name)) return std::strcmp(PassControl.only, name) == 0;
  return true;
}

void PassBegin(const char* name) {
  g_currentName = name;
  if (!PassControl.timing) return;
  int slot = -1;
  for (int i = 0; i < PassControl.timedCount; ++i)
    if (std::strcmp(PassControl.timedName[i], name) == 0) slot = i;
  if (slot < 0 && PassControl.timedCount < kMaxTimedPasses) {
    slot = PassControl.timedCount++;
    std::strncpy(PassControl.timedName[slot], name, sizeof PassControl.timedName[slot] - 1);
  }
  if (slot < 0) return;
  glFinish();
  g_current = slot;
  g_cpuStart = ThreadCpuMilliseconds();
  g_start = std::chrono::steady_clock::now();
}

void PassEnd() {
  if (PassControl.timing && g_current >= 0) {
    glFinish();
    const std::chrono::duration<double, std::milli> ms = std::chrono::steady_clock::now() - g_start;
    PassControl.timedMs[g_current] += ms.count();
    PassControl.timedCpuMs[g_current] += ThreadCpuMilliseconds() - g_cpuStart;
    g_current = -1;
  }
  if (PassControl.passHook) PassControl.passHook(g_currentName);
}

void ResetPassTimes() {
  for (double& ms : PassControl.timedMs) ms = 0.0;
  for (double& ms : PassControl.timedCpuMs) ms = 0.0;
}

double ThreadCpuMilliseconds() {
  timespec t{};
  if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t) != 0) return 0.0;
  return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) * 1e-6;
}
