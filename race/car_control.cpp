#include "race/car.h"

// Being written: the vehicle dynamics of one substep.
void CSampleCar::Control(neRigidBodyController* controller) {
  controller->SetForce(neV3(0.0f, 0.0f, 0.0f));
  controller->SetTorque(neV3(0.0f, 0.0f, 0.0f));
}
