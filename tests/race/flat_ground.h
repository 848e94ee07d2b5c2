// A small race simulator for the race tests: gravity, the race's four materials and a
// flat square of ground at y = 0, two triangles of one material.
#pragma once

#include "physics/ne.h"

// Null when the engine refuses the sizes. The ground spans -half..half on x and z.
neSimulation* MakeFlatGroundSimulator(int bodies, int groundMaterial, float half = 500.0f);
