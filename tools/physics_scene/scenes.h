// Named test scenes over the engine's public interface: each builds a small
// world, runs it and judges the outcome against the expected physics. Every
// scene places its world at SceneOrigin(): every scene also runs far from
// the origin, where single precision is coarser.
#ifndef KELVAMOR_TOOLS_PHYSICS_SCENE_SCENES_H
#define KELVAMOR_TOOLS_PHYSICS_SCENE_SCENES_H

#include <string>

#include "scene_world.h"

// Offset added to every position a scene places; scenes measure relative to it.
void SetSceneOrigin(const neVector3& origin);
neVector3 SceneOrigin();
// A local position moved to the scene's origin.
neVector3 At(float x, float y, float z);

// Lays the scene's ground at its origin: a grid of side 2 x half rising by
// slope per metre of x, with the rippled hills on it when bumpy.
void LaySceneGround(neSimulation* sim, SceneTerrain& ground, float half, int cells, int material,
                    float slope, bool bumpy);

std::string Figures(const char* fmt, double a, double b = 0, double c = 0, double d = 0,
                    double e = 0);

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
SceneResult RunEmbed();
SceneResult RunLand();
SceneResult RunSlopeLevel();
SceneResult RunStack5();
SceneResult RunEdge();
SceneResult RunPendulum();
SceneResult RunSensorRest();
SceneResult RunLorrySlope();
SceneResult RunCarWall();

#endif  // KELVAMOR_TOOLS_PHYSICS_SCENE_SCENES_H
