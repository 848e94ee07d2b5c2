// A bar on a limited hinge, swung by gravity and driven against both limits.
#include <cmath>

#include "scenes.h"

SceneResult RunHingeLimit() {
  neSimulation* sim = MakeSimulation(SceneSizes(1, 0, 1));
  neRigidBody* bar = AddSceneBox(sim, neV3(0.2f, 1.0f, 0.2f), 1.0f, At(0, 1.5f, 0));
  // Hinged about world z at the bar's top.
  neConstraint* c = AddHingeAlongZ(sim, bar, At(0, 2, 0));
  c->SetDamping(0.02f);
  const float lower = -0.3f * 3.14159265f, upper = 0.1f * 3.14159265f;
  SetJointLimits(c, lower, upper);
  c->Enable(true);

  float lo = 10.0f, hi = -10.0f, worstGap = 0.0f;
  bool reached = true;
  auto run = [&](float torque) {
    for (int i = 0; i < 600; ++i) {
      bar->SetTorque(neV3(0, 0, torque));
      sim->Step(kGameSubStep, 1);
      const float a = TurnAboutZ(bar);
      lo = std::fmin(lo, a);
      hi = std::fmax(hi, a);
      const neVector3 top = bar->GetTransform().TransformPoint(neV3(0, 0.5f, 0));
      worstGap = std::fmax(worstGap, (top - At(0, 2, 0)).Length());
    }
  };
  // Torques that overcome gravity end at the limit they drive to.
  const float torques[4] = {8.0f, -8.0f, 4.0f, -4.0f};
  for (float torque : torques) {
    run(torque);
    const float a = TurnAboutZ(bar);
    reached = reached && std::fabs(a - (torque > 0.0f ? upper : lower)) < 0.05f;
  }
  run(0.0f);  // free: it swings back inside the limits
  SceneResult r;
  r.pass = BodyFinite(bar) && lo >= lower - 0.05f && hi <= upper + 0.05f && reached &&
           worstGap < 0.1f;
  r.figures = Figures("lowest=%.4f (limit %.4f) highest=%.4f (limit %.4f) anchor-gap=%.4f", lo,
                      lower, hi, upper, worstGap);
  neSimulation::Destroy(sim);
  return r;
}
