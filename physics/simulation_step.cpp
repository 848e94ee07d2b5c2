// One sub-step in its fixed phase order, and the two ways to advance time.
#include <cmath>

#include "physics/substep_phases.h"
#include "physics/simulation.h"

namespace {

// A variable advance runs at most this many sub-steps per call; time beyond
// that is dropped rather than carried, so one long stall cannot make every
// later call try to catch up.
constexpr int32_t kMaxVariableSubSteps = 256;

void ClearMovedFlags(neSimulationRecord& sim) {
  for (neAnimatedBodyRecord* a = sim.activeAnimated.first; a; a = a->next) a->moved = 0;
}

void BeginTimings(neSimulationRecord& sim, neStepTimings* t) {
  sim.timings = t;
  if (!t) return;
  t->total = 0.0f;
  for (float& p : t->phases) p = 0.0f;
  sim.profiler->Reset();
}

void EndTimings(neSimulationRecord& sim) {
  neStepTimings* t = sim.timings;
  if (!t) return;
  const float total = sim.profiler->Total();
  if (t->mode == 1) {
    t->total = total;
  } else if (total < 100.0f) {
    // A total of 100 s or more is a stall, not a step: left out of the mean.
    t->count += 1;
    t->sum += total;
    t->total = t->sum / static_cast<float>(t->count);
  }
  sim.timings = nullptr;
}

void SetStepLength(neSimulationRecord& sim, float dt) {
  sim.dt = dt;
  // A zero-length step has no inverse: 0 keeps every derived rate finite.
  sim.invDt = (dt > 0.0f && neIsFinite(1.0f / dt)) ? 1.0f / dt : 0.0f;
}

template <class F>
void ForEachEnabledJoint(neSimulationRecord& sim, F f) {
  for (neConstraintSet* s = sim.constraintSetPool.UsedFirst(); s; s = s->next) {
    for (neConstraintRecord* c = s->joints.first; c; c = c->next) {
      if (c->enabled) f(*c);
    }
  }
}

}  // namespace

void neSimulationRecord::SubStep() {
  // Quiet bodies are out of these lists: every loop below would leave them
  // exactly as they are (neMayGoQuiet), so they cost nothing.
  neStepList* moving[2] = {&stepRigid, &stepParticles};

  // 1-2: sensor hits cleared, world boxes and end points refreshed.
  for (neAnimatedBodyRecord* a = activeAnimated.first; a; a = a->next) {
    if (a->sensorHead) a->ClearSensorHits();
  }
  for (neStepList* list : moving) {
    for (neRigidBodyRecord* r = list->first; r; r = r->stepNext) {
      if (r->sensorHead) r->ClearSensorHits();
    }
  }
  for (neStepList* list : moving) {
    for (neRigidBodyRecord* r = list->first; r; r = r->stepNext) {
      // A resting body that nothing has moved keeps its box and end points.
      if (!r->HasCollisionShape()) continue;
      if (r->restState == kNeResting && r->WorldBoxCurrent()) continue;
      r->RefreshWorldBox();
    }
  }
  for (neAnimatedBodyRecord* a = activeAnimated.first; a; a = a->next) {
    if (a->moved) a->RefreshWorldBox();
  }
  // 3: broad phase.
  region.Update();
  Charge(kNeSlotBroadPhase);
  // 4-5: contacts.
  neCollideBodyPairs(*this);
  Charge(kNeSlotBodyPairs);
  neCollideTerrain(*this);
  Charge(kNeSlotTerrain);
  // 6: force accumulators, joint damping, the stack passes' step counter.
  for (neStepList* list : moving) {
    for (neRigidBodyRecord* r = list->first; r; r = r->stepNext) {
      r->forceAccumulator = neV3(0.0f, 0.0f, 0.0f);
      r->torqueAccumulator = neV3(0.0f, 0.0f, 0.0f);
    }
  }
  ForEachEnabledJoint(*this, [](neConstraintRecord& c) { neConstraintApplyDamping(c); });
  stepCounter = 0;
  // 7: velocities. A quiet body's update would only count the step and the
  // resting body: both are counted for all of them at once.
  ++quietClock;
  stepCounter += quietCount;
  for (int32_t k = 0; k < 2; ++k) {
    velocityPassList = k;
    for (neRigidBodyRecord* r = moving[k]->first; r; r = r->stepNext) {
      velocityPassKey = r->stepKey;
      r->UpdateVelocity(dt);
    }
  }
  velocityPassList = -1;
  Charge(kNeSlotVelocity);
  // 8: stacks taken in hand last step are free again.
  for (neStackHeader* h = stackHeaderPool.UsedFirst(); h; h = h->next) h->inHand = 0;
  // 9: constraint sets, then stacks.
  neSolveConstraintSets(*this);
  neUpdateStacks(*this);
  neSolveStacks(*this);
  Charge(kNeSlotSolverB);
  // 10: positions, with the rest check for bodies outside constraint sets.
  for (neStepList* list : moving) {
    for (neRigidBodyRecord* r = list->first; r;) {
      r->collectPending = 1;
      if (r->restState != kNeResting && !r->constraintSet) neCheckRest(*r);
      if (r->restState != kNeResting) {
        if (r->bounceSteps > 0) r->SettleBounce(gravityLength * dt);
        r->UpdatePosition(dt);
      } else if (r->sensorHead && r->controllerHead) {
        r->ReadSensorsAtRest(dt);
      }
      // Taken after the body's own work: a body a controller stirred back in
      // just behind it is still visited, as the full list would visit it.
      neRigidBodyRecord* const following = r->stepNext;
      if (r->restState == kNeResting) r->GoQuiet();
      r = following;
    }
  }
  Charge(kNeSlotPosition);
  // 11: joint controllers.
  ForEachEnabledJoint(*this, [](neConstraintRecord& c) { neConstraintRunControllers(c); });
  Charge(kNeSlotJointPost);
}

void neSimulationRecord::Step(float seconds, int32_t count, neStepTimings* t) {
  BeginTimings(*this, t);
  // No sub-step for a count of 0 or less, or a time that is not a finite,
  // non-negative number; the advance is still counted.
  if (count > 0 && neIsFinite(seconds) && seconds >= 0.0f) {
    SetStepLength(*this, seconds / static_cast<float>(static_cast<uint32_t>(count)));
    for (int32_t i = 0; i < count; ++i) SubStep();
  }
  ClearMovedFlags(*this);
  EndTimings(*this);
  ++advanceCount;
}

void neSimulationRecord::StepVariable(float seconds, float shortest, float longest,
                                      neStepTimings* t) {
  // Non-positive or non-finite lengths would never finish (or step backwards).
  if (!(shortest > 0.0f) || !(longest > 0.0f) || !(seconds > 0.0f) || !neIsFinite(shortest) ||
      !neIsFinite(longest) || !neIsFinite(seconds)) {
    return;
  }
  BeginTimings(*this, t);
  float T = remainder + seconds;
  float h = longest;
  int32_t steps = 0;
  while (T >= shortest && steps < kMaxVariableSubSteps) {
    while (h <= T && steps < kMaxVariableSubSteps) {
      const float p = previousStep;
      // Keep neighbouring steps within 20 % of each other.
      if (p > 0.0f && neIsFinite(p) && std::fabs(h - p) / p > 0.2f) h = (h > p) ? 1.2f * p : 0.8f * p;
      SetStepLength(*this, h);
      SubStep();
      ++advanceCount;
      ++steps;
      T -= h;
      previousStep = h;
    }
    h = (T < longest) ? T : longest;
  }
  remainder = (steps >= kMaxVariableSubSteps) ? 0.0f : T;
  ClearMovedFlags(*this);
  EndTimings(*this);
}
