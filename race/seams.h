// SEAM: what the shell, the graphics foundation and the renderer need of the race
// world before the race world itself is built. Each declaration names the real
// function; race/seams.cpp holds the least behaviour the shell needs. Replace them
// here one by one as the race world lands, and delete this file when it is empty.
#pragma once

#include <cstdint>

// Set by the world loader when the track wants the environment cube map.
extern uint8_t CubeMapEnabled;

void LoadWorld(int raceNumber);
void LoadGarage();

// What the race update reads of the city cars and the world quadtree.
struct Frustum;
struct Matrix4;
struct Vector3;
void CityCarDrawMatrix(int car, Matrix4* out);
