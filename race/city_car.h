// The city traffic car: an ambient traffic scene that no screen, load or race step
// starts. Its four records stand as constructed for the whole run; the race update
// still asks for the first ones' draw matrices when the traffic setting is on, and
// gets the identity, since no traffic car ever gets a body.
#pragma once

#include <cstdint>

#include "gfx/math3d.h"
#include "physics/ne.h"

constexpr int kCityCarCount = 4;

class CityCar {
 public:
  CityCar() = default;
  virtual ~CityCar() { modelIndex = -1; }
  CityCar(const CityCar&) = delete;
  CityCar& operator=(const CityCar&) = delete;

  neRigidBody* body = nullptr;  // never made
  int32_t modelIndex = -1;      // which of the four traffic models; -1 none
  float steer = 0.0f;
  int32_t waypoint = 0;         // the path point it drives for
  int32_t variant = 0;          // 0 long, 1 short body
  uint8_t backwards = 0;        // 1 drives the path backwards
  float stuckTime = 0.0f;
  uint8_t reversing = 0;
  uint8_t respawn = 0;          // asks to be placed again near the player
};

// Defined with the game's other global objects (app/globals.cpp), after the roadside
// objects.
extern CityCar CityCars[kCityCarCount];

// The body lengths and wheel bases of the two traffic variants, and the lamp points
// of their models: tables only the traffic scene would read.
extern const float kCityCarVariantSizes[2][2];
extern const float kCityCarLampPoints[8][3];

// The draw matrix of traffic car k: its body's transform, or the identity for a car
// without a body (every one) or an index outside the four.
void CityCarDrawMatrix(int car, Matrix4* out);
