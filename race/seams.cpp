// SEAM: stand-ins until the race world is built (see race/seams.h).
#include "race/seams.h"

#include "gfx/math3d.h"

uint8_t CubeMapEnabled = 0;

void LoadWorld(int) {}
void LoadGarage() {}

void CityCarDrawMatrix(int, Matrix4* out) { out->SetIdentity(); }
