// The cars and objects passes as the main race pass calls them: DrawCars(0) the opaque
// first pass into layer A, DrawCars(1) glass and skid marks into layer B, DrawCars(2)
// the blended pass into the frame; DrawDust the wheel dust into the dust texture.
#pragma once

void DrawCars(int pass);
void DrawDust();
