// The curves that shape the tyre forces and the engine torque, each looked up by
// linear interpolation over an input in 0..1: drive grip against wheel slip, lateral
// grip against sideways speed (both read from base/fpoints.ini at start-up) and the
// fixed engine torque curve against engine speed.
#pragma once

#include <cstddef>

constexpr int kGripCurvePoints = 100;
constexpr int kTorqueCurvePoints = 17;

// Zero until LoadFPoints fills them; kept for the whole run.
extern float DriveGripTable[kGripCurvePoints];
extern float LateralGripTable[kGripCurvePoints];
extern const float kEngineTorqueTable[kTorqueCurvePoints];

// x raised to lo, then lowered to hi (so lo > hi gives hi).
float ClampFloat(float x, float lo, float hi);

// The grip curves clamp x to 0..1 first; the torque curve expects a value in 0..1.
float DriveGripCurve(float x);
float LateralGripCurve(float x);
float EngineTorqueCurve(float x);

// The reading of fpoints.ini text: within the first 3000 bytes every '.' that has a
// character before it marks a number of seven characters starting there (one digit,
// the point, five more); the n-th goes to drive[n] (n < 100), then lateral[n - 100].
// A number cut short by the end of the text is read as far as it goes; one of 10 or
// more either way (only an exponent reaches that) reads as 0. Returns how many numbers
// were found (later ones are not stored).
int DecodeFPoints(const char* text, size_t size, float drive[kGripCurvePoints],
                  float lateral[kGripCurvePoints]);
// Reads the file into the two grip tables; a file that does not open leaves them.
void LoadFPoints(const char* path);
