// SEAM: empty passes until the race renderer is built (see render/seams.h).
#include "render/seams.h"

#include "render/cars_pass.h"

float FarDistance = 15000.0f;

void DrawPostPass(int, unsigned, unsigned, int) {}
