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

// A bar hung from a hinge and let go 5 degrees from its lowest point: nothing
// but the hinge holds it, so it must go on swinging.
SceneResult RunPendulum() {
  neSimulation* sim = MakeSimulation(SceneSizes(1, 0, 1));
  const float start = 5.0f * 3.14159265f / 180.0f;
  const neVector3 pivot = At(0, 2, 0);
  neRigidBody* bar = AddSceneBox(sim, neV3(0.2f, 1.0f, 0.2f), 1.0f,
                                 pivot + neV3(0.5f * std::sin(start), -0.5f * std::cos(start), 0));
  bar->SetRotation(RotationAboutZ(start));
  neConstraint* c = AddHingeAlongZ(sim, bar, pivot);
  c->Enable(true);
  const int steps = static_cast<int>(10.0f / kGameSubStep);
  const int lastSecond = steps - static_cast<int>(1.0f / kGameSubStep);
  float lateSwing = 0.0f;
  int idleSteps = 0;
  for (int i = 0; i < steps; ++i) {
    sim->Step(kGameSubStep, 1);
    if (bar->IsIdle()) ++idleSteps;
    if (i >= lastSecond) lateSwing = std::fmax(lateSwing, std::fabs(TurnAboutZ(bar)));
  }
  const float deg = 180.0f / 3.14159265f;
  SceneResult r;
  r.pass = BodyFinite(bar) && idleSteps == 0 && lateSwing >= 0.6f * start &&
           lateSwing <= 1.1f * start;
  r.figures = Figures("swing-in-last-second=%.3fdeg (released at %.1f) idle-sub-steps=%.0f",
                      lateSwing * deg, start * deg, idleSteps);
  neSimulation::Destroy(sim);
  return r;
}
