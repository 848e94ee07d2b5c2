#include "race/city_car.h"

const float kCityCarVariantSizes[2][2] = {{8.767f, 6.255f}, {6.98f, 5.0f}};
const float kCityCarLampPoints[8][3] = {{6.9f, 0.22f, 1.29f},   {-6.8f, 0.52f, 1.35f}, {6.9f, 0.63f, 1.068f},
                                        {-6.8f, 0.52f, 1.35f},  {4.35f, 0.69f, 1.12f}, {-4.49f, -0.04f, 1.1f},
                                        {4.43f, -0.04f, 1.25f}, {-4.49f, -0.04f, 1.42f}};

void CityCarDrawMatrix(int car, Matrix4* out) {
  out->SetIdentity();
  if (car < 0 || car >= kCityCarCount || !CityCars[car].body) return;
  const neTransform t = CityCars[car].body->GetTransform();
  for (int c = 0; c < 3; ++c) {
    out->m[4 * c + 0] = t.rot.col[c].x;
    out->m[4 * c + 1] = t.rot.col[c].y;
    out->m[4 * c + 2] = t.rot.col[c].z;
  }
  out->m[12] = t.pos.x;
  out->m[13] = t.pos.y;
  out->m[14] = t.pos.z;
}
