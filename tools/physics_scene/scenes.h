// Named test scenes over the engine's public interface: each builds a small
// world, runs it and judges the outcome against the expected physics. Every
// scene places its world at SceneOrigin() (scene_world.h).
#ifndef KELVAMOR_TOOLS_PHYSICS_SCENE_SCENES_H
#define KELVAMOR_TOOLS_PHYSICS_SCENE_SCENES_H

#include <string>

struct SceneResult {
  bool pass = false;
  std::string figures;  // one line of measured values
};

SceneResult RunDrop();
SceneResult RunSlide();
SceneResult RunBounce();
SceneResult RunPile();
SceneResult RunSphereOnTriangle();
SceneResult RunBoxRest();
SceneResult RunStack3();
SceneResult RunSlopeHold();
SceneResult RunSlopeSlide();
SceneResult RunHingeLimit();
SceneResult RunSensorGround();
SceneResult RunCarBox();

#endif  // KELVAMOR_TOOLS_PHYSICS_SCENE_SCENES_H
