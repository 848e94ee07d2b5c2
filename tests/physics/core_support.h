// Shared helpers of the core physics tests.
#ifndef KELVAMOR_TESTS_PHYSICS_CORE_SUPPORT_H
#define KELVAMOR_TESTS_PHYSICS_CORE_SUPPORT_H

#include <string>
#include <vector>

#include "physics/ne.h"

// Messages handed to the log callback since the last CoreLogClear().
std::vector<std::string>& CoreLogLines();
void CoreLogClear();
void CoreLogCapture(char* text);

// A simulator with the given sizes (defaults otherwise), logging captured.
neSimulation* CoreMakeSimulation(const neSimulationSizes& sizes, const neVector3* gravity);

// A rigid box of the given full size and mass at a position, bounds updated,
// with the engine's own box inertia.
neRigidBody* CoreAddBox(neSimulation* sim, const neVector3& size, float mass,
                        const neVector3& position);

// Every float of a rigid body's pose and motion is finite.
bool CoreBodyIsFinite(const neRigidBody* body);

#endif  // KELVAMOR_TESTS_PHYSICS_CORE_SUPPORT_H
