// SEAM: what the shell, the graphics foundation and the renderer need of the race
// world before the race world itself is built. Each declaration names the real
// function; race/seams.cpp holds the least behaviour the shell needs. Replace them
// here one by one as the race world lands, and delete this file when it is empty.
#pragma once

#include <atomic>
#include <cstdint>

// The car type whose models are loaded in each of the four car slots, -1 for none.
extern int LoadedCarType[4];
// Set once the player's car has finished.
extern std::atomic<uint8_t> PlayerFinished;
// Twice settings field 10: the city cars the race world adds to the simulation.
extern int CityCarCount;
// Set by the world loader when the track wants the environment cube map.
extern uint8_t CubeMapEnabled;

void LoadOpticaTable();
void LoadTextures();
void LoadObjects();
void LoadCar(int slot);
void RequestCarReload();
void LoadWorld(int raceNumber);
void LoadGarage();
void FreeTextures();
void LoadFPoints(const char* path);
void StepSimulation();
void WakeDisturbedObjects();

// The race clocks the update advances: per-kind cool-downs of the score bonuses and
// the queue of bonuses on show. The queue has a tenth slot, which the shift writes.
struct BonusQueueState {
  float cooldown[6];
  float speedClock;  // advances only while the player is faster than 10
  float clocks[3];
  int kind[10];
  float amount[10];
  int head;          // index of the last queued entry, -1 when none is shown
  float headTime;    // seconds the shown entry has left
};
extern BonusQueueState BonusQueue;

// What the race update reads of the cars and the world quadtree.
struct Frustum;
struct Matrix4;
struct Vector3;
float PlayerCarSpeed();
Vector3 RaceCarPosition(int car);
void RaceCarDrawMatrix(int car, Matrix4* out);
void CityCarDrawMatrix(int car, Matrix4* out);
// Worker rows of each car record to its published rows, and published to render rows.
void PublishCarRows();
void TakeCarRowsForRender();
// Appends the visible leaves (the caller sets *count to 0 first); never beyond max.
void CollectVisibleLeaves(const Frustum& f, int* leaves, int* count, int max);
void CollectShadowVisibleLeaves(const Frustum& f, int* leaves, int* count, int max);
// The leaf keeps its squared horizontal distance from eye (its draw order).
void StoreLeafDistance(int leaf, const Vector3& eye);
