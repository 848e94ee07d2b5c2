// Runs the named physics scenes (all when none is named) and prints one line
// of figures per scene with its verdict. Each scene runs twice: at the origin
// and moved to (2000, 0, 2000), where the race tracks lie, since it must
// behave the same there. Exit code 1 when any run fails, 2 for an unknown name.
#include <cstdio>
#include <cstring>

#include "scenes.h"

namespace {

struct Scene {
  const char* name;
  SceneResult (*run)();
};

const Scene kScenes[] = {
    {"drop", RunDrop},
    {"slide", RunSlide},
    {"bounce", RunBounce},
    {"pile", RunPile},
    {"sphere_on_triangle", RunSphereOnTriangle},
    {"box_rest", RunBoxRest},
    {"stack3", RunStack3},
    {"slope_hold", RunSlopeHold},
    {"slope_slide", RunSlopeSlide},
    {"hinge_limit", RunHingeLimit},
    {"sensor_ground", RunSensorGround},
    {"car_box", RunCarBox},
    {"embed", RunEmbed},
    {"land", RunLand},
    {"slope_level", RunSlopeLevel},
    {"stack5", RunStack5},
    {"edge", RunEdge},
    {"pendulum", RunPendulum},
    {"sensor_rest", RunSensorRest},
    {"lorry_slope", RunLorrySlope},
    {"car_wall", RunCarWall},
};

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    bool known = false;
    for (const Scene& s : kScenes) known = known || std::strcmp(argv[i], s.name) == 0;
    if (!known) {
      std::fprintf(stderr, "no such scene: %s; scenes:", argv[i]);
      for (const Scene& s : kScenes) std::fprintf(stderr, " %s", s.name);
      std::fprintf(stderr, "\n");
      return 2;
    }
  }
  const neVector3 origins[2] = {neV3(0.0f, 0.0f, 0.0f), neV3(2000.0f, 0.0f, 2000.0f)};
  int failed = 0;
  for (const Scene& s : kScenes) {
    bool wanted = argc < 2;
    for (int i = 1; i < argc; ++i) wanted = wanted || std::strcmp(argv[i], s.name) == 0;
    if (!wanted) continue;
    for (const neVector3& origin : origins) {
      SetSceneOrigin(origin);
      const SceneResult r = s.run();
      const char* where = origin.x == 0.0f ? "" : "@2000,0,2000";
      char label[64];
      std::snprintf(label, sizeof label, "%s%s", s.name, where);
      std::printf("%-32s %s %s\n", label, r.figures.c_str(), r.pass ? "pass" : "FAIL");
      std::fflush(stdout);
      if (!r.pass) ++failed;
    }
  }
  return failed ? 1 : 0;
}
