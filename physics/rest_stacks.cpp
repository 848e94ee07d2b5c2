// Stacks: the graph of bodies resting on one another. Every rigid body that
// touches a support holds a stack node; nodes of bodies that support each
// other share a stack header, the others lie in the loose list. Moving stacks
// are solved with the resting-contact rows of their bodies.
#include <cmath>

#include "physics/body.h"
#include "physics/rest.h"
#include "physics/simulation.h"
#include "physics/solver.h"
#include "physics/stack_record.h"

namespace {

// Invariant kept by everything below: a node in use is in exactly one of a
// header's node list (header set) or the simulator's loose list (header null).

void HeaderAppend(neStackHeader& h, neStackNode* n) {
  if (n->body) n->body->Stir();  // a body in a stack takes part in the stack passes
  n->prev = h.last;
  n->next = nullptr;
  if (h.last) h.last->next = n; else h.first = n;
  h.last = n;
  ++h.count;
  n->header = &h;
}

void HeaderRemove(neStackHeader& h, neStackNode* n) {
  if (n->prev) n->prev->next = n->next; else h.first = n->next;
  if (n->next) n->next->prev = n->prev; else h.last = n->prev;
  n->next = n->prev = nullptr;
  --h.count;
  n->header = nullptr;
}

void LooseAppend(neSimulationRecord& sim, neStackNode* n) {
  n->header = nullptr;
  sim.looseNodes.Append(n);
}

void Detach(neSimulationRecord& sim, neStackNode* n) {
  if (n->header) HeaderRemove(*n->header, n);
  else sim.looseNodes.Remove(n);
}

neStackNode* TakeNode(neSimulationRecord& sim, neRigidBodyRecord& body) {
  neStackNode* n = sim.stackNodePool.TakeUnlisted();
  if (!n) {
    sim.Log(kNeMsgStacking);
    return nullptr;
  }
  *n = neStackNode{};
  n->inUse = 1;
  n->body = &body;
  body.stackNode = n;
  return n;
}

// The node must already be out of every list.
void FreeNode(neSimulationRecord& sim, neStackNode* n) {
  if (n->body) n->body->stackNode = nullptr;
  n->body = nullptr;
  n->next = n->prev = nullptr;
  sim.stackNodePool.ReleaseUnlisted(n);
}

neStackHeader* NewHeader(neSimulationRecord& sim) {
  neStackHeader* h = sim.TakeStackHeader();
  if (!h) sim.Log(kNeMsgStacking);
  return h;
}

void FreeHeader(neSimulationRecord& sim, neStackHeader* h) { sim.stackHeaderPool.Release(h); }

// Every node of from moves into into; from goes back to its pool.
void MoveStack(neSimulationRecord& sim, neStackHeader& into, neStackHeader& from) {
  while (neStackNode* n = from.first) {
    HeaderRemove(from, n);
    HeaderAppend(into, n);
  }
  FreeHeader(sim, &from);
}

// Two nodes in one stack: n rests on s.
void LinkNodes(neSimulationRecord& sim, neStackNode* n, neStackNode* s) {
  const bool nLoose = !n->header, sLoose = !s->header;
  if (nLoose && sLoose) {
    neStackHeader* h = NewHeader(sim);
    if (!h) return;
    sim.looseNodes.Remove(n);
    sim.looseNodes.Remove(s);
    HeaderAppend(*h, n);
    HeaderAppend(*h, s);
  } else if (nLoose) {
    sim.looseNodes.Remove(n);
    HeaderAppend(*s->header, n);
  } else if (sLoose) {
    sim.looseNodes.Remove(s);
    HeaderAppend(*n->header, s);
  } else if (n->header != s->header) {
    MoveStack(sim, *n->header, *s->header);
  }
}

// A node for a supporting body that has none: marked ground (nothing found
// under it yet) and put into n's stack, which is made first when n is loose.
void AddSupportNode(neSimulationRecord& sim, neStackNode* n, neRigidBodyRecord& support) {
  if (!n->header) {
    neStackHeader* h = NewHeader(sim);
    if (!h) return;
    sim.looseNodes.Remove(n);
    HeaderAppend(*h, n);
  }
  neStackNode* s = TakeNode(sim, support);
  if (!s) return;
  s->ground = 1;
  HeaderAppend(*n->header, s);
}

void AddBodyToBuiltIn(neConstraintSet& set, neBody& b) {
  // A quiet body of a stack being solved takes part in this sub-step again.
  if (neRigidBodyRecord* r = b.AsRigid()) r->Stir();
  b.setPrev = set.bodyLast;
  b.setNext = nullptr;
  if (set.bodyLast) set.bodyLast->setNext = &b; else set.bodyFirst = &b;
  set.bodyLast = &b;
  ++set.bodyCount;
  b.constraintSet = &set;
}

// --- Re-split ---------------------------------------------------------------
// The nodes of one stack are regrouped into the connected pieces of the
// support graph that still holds. Union-find over the nodes' pool indices,
// kept in their stamp words while the stack is taken apart.
constexpr int32_t kInResplit = 1;   // visited word: taken from the old stack
constexpr int32_t kLinked = 2;      // ... and linked to another node

neStackNode* Find(neSimulationRecord& sim, neStackNode* n) {
  neStackNode* root = n;
  while (sim.stackNodePool.At(root->stamp) != root) root = sim.stackNodePool.At(root->stamp);
  while (n != root) {
    neStackNode* up = sim.stackNodePool.At(n->stamp);
    n->stamp = sim.stackNodePool.IndexOf(root);
    n = up;
  }
  return root;
}

void TakeIntoResplit(neSimulationRecord& sim, neList<neStackNode>& list, neStackNode* n) {
  list.Append(n);
  n->header = nullptr;
  n->visited = kInResplit;
  n->stamp = sim.stackNodePool.IndexOf(n);
}

void Resplit(neSimulationRecord& sim, neStackHeader* old) {
  const int32_t inHand = old->inHand;
  neList<neStackNode> nodes;
  nodes.Reset();
  while (neStackNode* n = old->first) {
    HeaderRemove(*old, n);
    TakeIntoResplit(sim, nodes, n);
  }
  FreeHeader(sim, old);

  for (neStackNode* n = nodes.first; n; n = n->next) {
    if (n->loose) continue;
    for (const neRestContact& slot : n->body->rest.slots) {
      if (!slot.inUse || !slot.other) continue;
      neRigidBodyRecord* support = slot.other->AsRigid();
      neStackNode* s = support ? support->stackNode : nullptr;
      if (!s || s == n) continue;
      if (s->visited != kInResplit && s->visited != kLinked) {
        // A support outside this stack: its whole stack (or the support
        // alone, from the loose list) is regrouped with this one.
        if (neStackHeader* h = s->header) {
          while (neStackNode* m = h->first) {
            HeaderRemove(*h, m);
            TakeIntoResplit(sim, nodes, m);
          }
          FreeHeader(sim, h);
        } else {
          sim.looseNodes.Remove(s);
          TakeIntoResplit(sim, nodes, s);
        }
      }
      neStackNode* rn = Find(sim, n);
      neStackNode* rs = Find(sim, s);
      if (rn != rs) rs->stamp = sim.stackNodePool.IndexOf(rn);
      n->visited = kLinked;
      s->visited = kLinked;
    }
  }

  // Each linked piece gets a header (the root's header word holds it until
  // the root itself is placed); a node linked to nothing leaves the stacks.
  // Full path compression first, so that every stamp names its root.
  for (neStackNode* n = nodes.first; n; n = n->next) {
    if (n->visited == kLinked) Find(sim, n);
  }
  for (neStackNode* n = nodes.first; n; n = n->next) {
    if (n->visited == kLinked && sim.stackNodePool.At(n->stamp) == n) {
      neStackHeader* h = NewHeader(sim);
      if (h) h->inHand = inHand;
      n->header = h;
    }
  }
  while (neStackNode* n = nodes.first) {
    neStackNode* root = n->visited == kLinked ? sim.stackNodePool.At(n->stamp) : nullptr;
    neStackHeader* h = root ? root->header : nullptr;
    nodes.Remove(n);
    n->visited = 0;
    n->stamp = 0;  // the visit stamps of gathering start afresh
    if (h) {
      HeaderAppend(*h, n);
      continue;
    }
    n->header = nullptr;
    neRigidBodyRecord* b = n->body;
    if (b) {
      for (int32_t i = 0; i < 3; ++i) b->UnlinkSupportSlot(i);
      b->rest.supportCount = 0;
    }
    FreeNode(sim, n);
  }
}

// --- Gathering ----------------------------------------------------------------

void Visit(neSimulationRecord& sim, neStackNode* n, int32_t stamp, bool bypass) {
  if (n->stamp == stamp) return;
  n->stamp = stamp;
  neRigidBodyRecord* b = n->body;
  for (const neRestContact& slot : b->rest.slots) {
    if (!slot.inUse || !slot.other) continue;
    neRigidBodyRecord* support = slot.other->AsRigid();
    if (!support) continue;
    if (!support->constraintSet) AddBodyToBuiltIn(sim.builtInSet, *support);
    if (support->stackNode) Visit(sim, support->stackNode, stamp, bypass);
  }
  if (!n->ground) neCollectRestingContacts(sim, *b, bypass);
}

template <class F>
void ForEachBuiltIn(neSimulationRecord& sim, F f) {
  for (neBody* b = sim.builtInSet.bodyFirst; b; b = b->setNext) {
    if (neRigidBodyRecord* r = b->AsRigid()) f(*r);
  }
}

void SolveLooseBodies(neSimulationRecord& sim) {
  // One resting solve of a loose body's own contacts: its reaction reaches
  // the supporter too.
  sim.lastIteration = 0;
  for (neStackNode* n = sim.looseNodes.first; n; n = n->next) {
    neRigidBodyRecord* b = n->body;
    if (!b || b->restState == kNeResting || !b->collectPending) continue;
    b->collectPending = 0;
    neCollectRestingContacts(sim, *b, false);
    for (int32_t i = 0; i < sim.contactRecords.Count(); ++i) {
      neSolverRecord& row = sim.contactRecords[i];
      neApplyCollisionImpulse(sim, row.bodyA, row.bodyB, row, kNeImpulseResting, 1.0f);
    }
    sim.contactRecords.Clear();
    // On an edge only after as many calm steps as the rest check asks: the
    // rule's any balance let a dropped cube stop for good on an edge.
    if (neMotionAtRest(*b) && neSupportsHold(*b) && neBalancedForRest(*b)) b->Rest();
  }
}

}  // namespace

void neJoinBuiltInSet(neSimulationRecord& sim, neBody& body) {
  if (!body.constraintSet) AddBodyToBuiltIn(sim.builtInSet, body);
}

void neEmptyBuiltInSet(neSimulationRecord& sim) {
  neConstraintSet& set = sim.builtInSet;
  for (neBody* b = set.bodyFirst; b;) {
    neBody* n = b->setNext;
    b->setNext = b->setPrev = nullptr;
    if (b->constraintSet == &set) b->constraintSet = nullptr;
    b = n;
  }
  set.bodyFirst = set.bodyLast = nullptr;
  set.bodyCount = 0;
}

void neRecordSupport(neSimulationRecord& sim, neRigidBodyRecord& body, neBody* support,
                     const neVector3& pointOnBody, const neVector3& pointOnSupport,
                     const neVector3& normal, float depth, int32_t materialBody,
                     int32_t materialSupport) {
  neRestContact c = neRestContact{};
  const neTransform tb = body.Transform();
  c.pointInThis = tb.rot.TransposeMultiply(pointOnBody - tb.pos);
  if (support) {
    const neTransform ts = support->Transform();
    c.pointInOther = ts.rot.TransposeMultiply(pointOnSupport - ts.pos);
    c.normalInOther = ts.rot.TransposeMultiply(normal);
  } else {
    c.pointInOther = pointOnSupport;
    c.normalInOther = normal;
  }
  c.worldThis = pointOnBody;
  c.worldOther = pointOnSupport;
  c.worldDiff = pointOnBody - pointOnSupport;
  c.normalWorld = normal;
  c.depth = depth;
  c.materialThis = materialBody;
  c.materialOther = materialSupport;
  c.other = support;
  neRigidBodyRecord* rigidSupport = support ? support->AsRigid() : nullptr;

  neStackNode* n = body.stackNode;
  if (!n) {
    n = TakeNode(sim, body);
    if (!n) return;
    body.AddSupportContact(c);
    LooseAppend(sim, n);
    if (rigidSupport) {
      if (!rigidSupport->stackNode) AddSupportNode(sim, n, *rigidSupport);
      else LinkNodes(sim, n, rigidSupport->stackNode);
      if (!rigidSupport->constraintSet) rigidSupport->Wake();
    }
    return;
  }
  n->ground = 0;
  body.AddSupportContact(c);
  if (!rigidSupport) return;
  if (!rigidSupport->stackNode) AddSupportNode(sim, n, *rigidSupport);
  else if (rigidSupport->stackNode != n) LinkNodes(sim, n, rigidSupport->stackNode);
}

void neLeaveStack(neRigidBodyRecord& body) {
  neStackNode* n = body.stackNode;
  if (!n || !body.sim) return;
  Detach(*body.sim, n);
  FreeNode(*body.sim, n);
}

void neHandStackToSets(neSimulationRecord& sim, neRigidBodyRecord& body) {
  neStackNode* n = body.stackNode;
  if (!n) return;
  if (neStackHeader* h = n->header) {
    if (!h->inHand) {
      h->inHand = 1;
      sim.stacksInHand.Push(h);
    }
  } else if (body.collectPending) {
    body.collectPending = 0;
    neCollectRestingContacts(sim, body, true);
  }
}

void neGatherStack(neSimulationRecord& sim, neStackHeader& stack, bool bypass) {
  const int32_t stamp = ++sim.visitStamp;
  for (neStackNode* n = stack.first; n; n = n->next) {
    if (n->body && !n->body->constraintSet) AddBodyToBuiltIn(sim.builtInSet, *n->body);
  }
  for (neStackNode* n = stack.first; n; n = n->next) {
    if (!n->ground && n->body) Visit(sim, n, stamp, bypass);
  }
}

void neUpdateStacks(neSimulationRecord& sim) {
  for (neStackHeader* h = sim.stackHeaderPool.UsedFirst(); h; h = h->next) {
    h->allResting = 1;
    for (neStackNode* n = h->first; n; n = n->next) {
      if (n->body->restState != kNeResting || n->body->stackCheck) h->allResting = 0;
    }
  }

  neStepList* lists[2] = {&sim.stepRigid, &sim.stepParticles};
  for (neStepList* list : lists) {
    for (neRigidBodyRecord* r = list->first; r; r = r->stepNext) {
      neStackNode* n = r->stackNode;
      if (!n || n->ground) continue;
      const int32_t supports = neCountSupports(*r);
      r->stackCheck = 0;
      if (supports == 0 && !n->header) {
        sim.looseNodes.Remove(n);
        FreeNode(sim, n);
      }
      if (supports > 1) continue;
      if (r->restState == kNeResting && !r->constraintSet) r->Wake();
    }
  }

  // Moving stacks are re-split in turns of five. The stacks in hand array is
  // free again at this point of the step and holds the turn's stacks; one
  // re-split may merge a later stack away (it is then not in use) or reuse
  // its header for a new piece, which is harmless to re-split again.
  sim.stacksInHand.Clear();
  const int32_t turn = static_cast<int32_t>(sim.advanceCount % 5);
  int32_t index = 0;
  for (neStackHeader* h = sim.stackHeaderPool.UsedFirst(); h; h = h->next) {
    if (h->allResting) continue;
    if (index % 5 == turn) sim.stacksInHand.Push(h);
    ++index;
  }
  for (int32_t i = 0; i < sim.stacksInHand.Count(); ++i) {
    neStackHeader* h = sim.stacksInHand[i];
    if (h->inUse) Resplit(sim, h);
  }
  sim.stacksInHand.Clear();

  for (neStackHeader* h = sim.stackHeaderPool.UsedFirst(); h;) {
    neStackHeader* next = h->next;
    if (h->count <= 0) FreeHeader(sim, h);
    h = next;
  }
}

void neSolveStacks(neSimulationRecord& sim) {
  sim.contactRecords.Clear();
  sim.secondPass = 1;
  SolveLooseBodies(sim);

  // A stack of one is no stack.
  for (neStackHeader* h = sim.stackHeaderPool.UsedFirst(); h;) {
    neStackHeader* next = h->next;
    if (h->count <= 1) {
      if (neStackNode* n = h->first) {
        HeaderRemove(*h, n);
        if (n->ground) FreeNode(sim, n);
        else LooseAppend(sim, n);
      }
      FreeHeader(sim, h);
    }
    h = next;
  }

  for (neStackHeader* h = sim.stackHeaderPool.UsedFirst(); h; h = h->next) {
    if (h->allResting || h->inHand) continue;
    sim.contactRecords.Clear();
    sim.constraintRecords.Clear();
    sim.islandList.Clear();
    neEmptyBuiltInSet(sim);
    neGatherStack(sim, *h, false);
    sim.Charge(kNeSlotSolverB);
    neSolveRecords(sim, -1.0f, 2);
    sim.Charge(kNeSlotSolverA);
    bool still = true;
    ForEachBuiltIn(sim, [&still](neRigidBodyRecord& r) { still = neMotionAtRest(r) && still; });
    if (still) {
      ForEachBuiltIn(sim, [](neRigidBodyRecord& r) {
        if (neSupportsHold(r)) r.Rest();
      });
    }
    neEmptyBuiltInSet(sim);
  }
  sim.contactRecords.Clear();
}
