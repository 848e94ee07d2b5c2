// A bar on a limited hinge, swung by gravity and driven against both limits.
#include <cmath>

#include "scene_world.h"
#include "scenes.h"

namespace {

// The bar's turn about the world z axis (the hinge axis).
float TurnAboutZ(const neRigidBody* b) {
  const neMatrix3x3 r = b->GetRotationMatrix();
  return std::atan2(r.col[0].y, r.col[0].x);
}

}  // namespace

SceneResult RunHingeLimit() {
  neSimulationSizes sizes;
  sizes.rigidBodiesCount = 1;
  sizes.geometriesCount = 1;
  sizes.animatedBodiesCount = 0;
  sizes.rigidParticleCount = 0;
  sizes.overlapPairsCount = 1;
  neSimulation* sim = MakeSimulation(sizes);
  neRigidBody* bar = AddSceneBox(sim, neV3(0.2f, 1.0f, 0.2f), 1.0f, neV3(0, 1.5f, 0), 0);
  neConstraint* c = sim->CreateConstraint(bar);
  c->SetType(neConstraint::kHinge);
  // The frame's second axis is the hinge axis: world z, at the bar's top.
  neTransform frame;
  frame.SetIdentity();
  frame.rot.col[0] = neV3(1, 0, 0);
  frame.rot.col[1] = neV3(0, 0, 1);
  frame.rot.col[2] = neV3(0, -1, 0);
  frame.pos = At(0, 2, 0);
  c->SetFrameWorld(frame);
  c->SetDamping(0.02f);
  const float lower = -0.3f * 3.14159265f, upper = 0.1f * 3.14159265f;
  c->SetLowerLimit(lower);
  c->SetUpperLimit(upper);
  c->EnableLimit(1);
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
