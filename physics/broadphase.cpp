// Sort-and-sweep broad phase over the three world axes.
//
// Ordering invariant of equal values: an end point never passes one of equal
// value, an entering lower end point goes after every node of equal value and
// an entering upper one before every such node. That is the order the strict
// overlap test implies (touching boxes do not overlap), so a later crossing in
// either direction is seen by the sort and exactly adjacent boxes that start
// to overlap always get their pair.
#include "physics/broadphase.h"

#include "physics/body.h"
#include "physics/simulation.h"

namespace {

bool BothParticles(const neBody* a, const neBody* b) { return a->IsParticle() && b->IsParticle(); }

}  // namespace

bool neRegion::Initialise(neSimulationRecord* sim, int32_t axisMask) {
  Release();
  sim_ = sim;
  allocator_ = sim->allocator;
  axisMask_ = axisMask & 7;
  rigidCount_ = sim->sizes.rigidBodiesCount;
  animatedCount_ = sim->sizes.animatedBodiesCount;
  particleCount_ = sim->sizes.rigidParticleCount;
  bodyCount_ = rigidCount_ + animatedCount_;
  const int32_t all = bodyCount_ + particleCount_;

  bool ok = true;
  const size_t n = static_cast<size_t>(bodyCount_);
  const size_t pairEntries = n * (n > 0 ? n - 1 : 0) / 2;
  const size_t particleEntries = n * static_cast<size_t>(particleCount_);
  int32_t bytes = 0;
  // Raw blocks, never cleared: an entry is written when the later of its two
  // bodies enters, so a big table's pages stay untouched until used.
  if (pairEntries > 0) {
    ok = neFitsAllocation(pairEntries, sizeof(nePairEntry), &bytes) &&
         (pairTable_ = static_cast<nePairEntry*>(allocator_->Alloc(bytes, 0))) != nullptr;
  }
  if (ok && particleEntries > 0) {
    ok = neFitsAllocation(particleEntries, sizeof(nePairEntry), &bytes) &&
         (particleTable_ = static_cast<nePairEntry*>(allocator_->Alloc(bytes, 0))) != nullptr;
  }
  ok = pending_.Init(all, allocator_, 0) && ok;
  ok = nodes_.Init(all, allocator_) && ok;
  ok = pairs_.Init(sim->sizes.overlapPairsCount, allocator_) && ok;
  for (int32_t i = 0; i < 3; ++i) {
    axes_[i].axis = i;
    axes_[i].bit = static_cast<uint8_t>(1 << i);
    axes_[i].head = axes_[i].tail = nullptr;
    if (axisMask_ & (1 << i)) ok = axes_[i].points.Init(2 * all, allocator_) && ok;
  }
  ok = relayout_.Init(2 * all, allocator_, 0) && ok;
  updates_ = 0;
  terrain_.SetNodeSizes(sim->sizes.terrainNodeCapacity, sim->sizes.terrainNodeGrowth);
  return ok;
}

void neRegion::Release() {
  terrain_.Release();
  for (neRegionAxis& a : axes_) {
    a.points.Free();
    a.head = a.tail = nullptr;
  }
  pairs_.Free();
  nodes_.Free();
  pending_.Free();
  relayout_.Free();
  if (allocator_) {
    if (pairTable_) allocator_->Free(pairTable_);
    if (particleTable_) allocator_->Free(particleTable_);
  }
  pairTable_ = particleTable_ = nullptr;
  axisMask_ = 0;
  rigidCount_ = animatedCount_ = bodyCount_ = particleCount_ = 0;
}

nePairEntry* neRegion::EntryOf(const neBody* a, const neBody* b) {
  size_t i = static_cast<size_t>(a->id), j = static_cast<size_t>(b->id);
  if (i > j) {
    const size_t t = i;
    i = j;
    j = t;
  }
  const size_t n = static_cast<size_t>(bodyCount_);
  if (j < n) return &pairTable_[i + j * (j - 1) / 2];
  return &particleTable_[(j - n) + i * static_cast<size_t>(particleCount_)];
}

const nePairEntry* neRegion::Entry(const neBody* a, const neBody* b) const {
  return const_cast<neRegion*>(this)->EntryOf(a, b);
}

bool neRegion::AddBody(neBody* body, neBody* hint) {
  if (body->regionNode) return true;
  nePendingJoin* join = pending_.Append();
  neRegionBodyNode* node = join ? nodes_.Take() : nullptr;
  // Capacity is one entry per body, and a body is pending at most once (a
  // leave drops its entry), so neither runs out while the counts hold.
  if (!node) {
    if (join) pending_.Clear();
    return false;
  }
  join->body = body;
  join->hint = hint;
  node->body = body;
  body->regionNode = node;
  body->inRegion = 1;
  body->joinState = kNeJoinPending;
  return true;
}

void neRegion::RemoveBody(neBody* body) {
  if (!body->regionNode) return;
  if (body->joinState == kNeJoinPending) {
    // Drop its pending entry, keeping the order of the others; a body that
    // enters again before the update is then joined exactly once.
    int32_t w = 0;
    for (int32_t r = 0; r < pending_.Count(); ++r) {
      if (pending_[r].body != body) pending_[w++] = pending_[r];
    }
    pending_.Truncate(w);
    body->joinState = kNeJoinCancelled;
  }
  for (neRegionAxis& a : axes_) {
    const int32_t i = a.axis;
    if (body->upper[i]) {
      Unlink(a, body->upper[i]);
      a.points.ReleaseUnlisted(body->upper[i]);
    }
    if (body->lower[i]) {
      Unlink(a, body->lower[i]);
      a.points.ReleaseUnlisted(body->lower[i]);
    }
    body->upper[i] = body->lower[i] = nullptr;
  }
  nodes_.Release(body->regionNode);
  body->regionNode = nullptr;
  body->inRegion = 0;
  for (neOverlapPair* p = pairs_.UsedFirst(); p;) {
    neOverlapPair* next = p->next;
    if (p->bodyA == body || p->bodyB == body) pairs_.Release(p);
    p = next;
  }
}

void neRegion::Unlink(neRegionAxis& a, neEndPoint* p) {
  if (p->prev) p->prev->next = p->next; else a.head = p->next;
  if (p->next) p->next->prev = p->prev; else a.tail = p->prev;
  p->next = p->prev = nullptr;
}

void neRegion::LinkAfter(neRegionAxis& a, neEndPoint* at, neEndPoint* p) {
  if (!at) {
    p->prev = nullptr;
    p->next = a.head;
    if (a.head) a.head->prev = p; else a.tail = p;
    a.head = p;
    return;
  }
  p->prev = at;
  p->next = at->next;
  if (at->next) at->next->prev = p; else a.tail = p;
  at->next = p;
}

void neRegion::LinkBefore(neRegionAxis& a, neEndPoint* at, neEndPoint* p) {
  if (!at) {
    LinkAfter(a, a.tail, p);
    return;
  }
  LinkAfter(a, at->prev, p);
}

void neRegion::LogPairsFull() { sim_->Log(kNeMsgOverlapPairs); }

neOverlapPair* neRegion::TakePair(neBody* a, neBody* b) {
  neOverlapPair* p = pairs_.Take();
  if (!p) {
    LogPairsFull();
    return nullptr;
  }
  p->bodyA = a;
  p->bodyB = b;
  return p;
}

void neRegion::Toggle(neBody* passed, neBody* moving, uint8_t bit) {
  if (BothParticles(passed, moving)) return;
  nePairEntry* e = EntryOf(passed, moving);
  const uint8_t old = e->bits;
  const uint8_t now = static_cast<uint8_t>(old ^ bit);
  e->bits = now;
  if (old == axisMask_) {
    if (e->pair) pairs_.Release(e->pair);
    e->pair = nullptr;
  }
  if (now == axisMask_) {
    e->pair = nullptr;
    if (sim_->responses.Lookup(passed->collisionId, moving->collisionId) != 0)
      e->pair = TakePair(passed, moving);
  }
}

void neRegion::SortAxis(neRegionAxis& a, bool flip) {
  if (!a.head) return;
  for (neEndPoint* c = a.head->next; c;) {
    neEndPoint* const following = c->next;
    neEndPoint* d = c->prev;
    if (c->kind == kNeEndUpper) {
      while (d && d->body != c->body && d->value > c->value) {
        if (flip && d->kind == kNeEndLower) Toggle(d->body, c->body, a.bit);
        d = d->prev;
      }
    } else {
      while (d) {
        if (d->body == c->body) {
          d = d->prev;
          continue;
        }
        if (d->value <= c->value) break;
        if (flip && d->kind == kNeEndUpper) Toggle(d->body, c->body, a.bit);
        d = d->prev;
      }
    }
    if (d != c->prev) {
      Unlink(a, c);
      LinkAfter(a, d, c);
    }
    c = following;
  }
}

uint8_t neRegion::OverlapBits(const neBody* u, const neBody* v) const {
  uint8_t bits = 0;
  for (int32_t i = 0; i < 3; ++i) {
    if (!(axisMask_ & (1 << i))) continue;
    if (!u->lower[i] || !v->lower[i]) continue;
    if (v->upper[i]->value > u->lower[i]->value && v->lower[i]->value < u->upper[i]->value)
      bits = static_cast<uint8_t>(bits | (1 << i));
  }
  return bits;
}

void neRegion::ComputeOverlap(neBody* u, neBody* v) {
  nePairEntry* e = EntryOf(u, v);
  e->bits = OverlapBits(u, v);
  e->pair = nullptr;  // whatever it held was written for an earlier stay
  if (e->bits != axisMask_) return;
  neBody* a = u;
  neBody* b = v;
  if (u->kind == kNeBodyAnimated) {
    a = v;
    b = u;
  } else if (u->IsParticle() && v->kind == kNeBodyRigid) {
    a = v;
    b = u;
  }
  e->pair = TakePair(a, b);
}

void neRegion::InsertEndPoints(neBody* body, neBody* hint) {
  for (neRegionAxis& a : axes_) {
    if (!(axisMask_ & a.bit)) continue;
    neEndPoint* lo = a.points.TakeUnlisted();
    neEndPoint* hi = a.points.TakeUnlisted();
    lo->kind = kNeEndLower;
    hi->kind = kNeEndUpper;
    lo->body = hi->body = body;
    body->lower[a.axis] = lo;
    body->upper[a.axis] = hi;
  }
  body->RefreshWorldBox();
  // A hint helps only when it is placed on the axes itself.
  const bool hintUsable = hint && hint != body && hint->regionNode &&
                          hint->joinState == kNeJoinNone && hint->sim == body->sim;
  for (neRegionAxis& a : axes_) {
    if (!(axisMask_ & a.bit)) continue;
    neEndPoint* lo = body->lower[a.axis];
    neEndPoint* hi = body->upper[a.axis];
    if (!a.tail || a.tail->value <= lo->value) {
      LinkAfter(a, a.tail, lo);
      LinkAfter(a, lo, hi);
      continue;
    }
    neEndPoint* h = hintUsable ? hint->lower[a.axis] : nullptr;
    if (h && h->value <= lo->value) {
      neEndPoint* d = h;
      while (d && d->value <= lo->value) d = d->next;
      LinkBefore(a, d, lo);
      // Upper: before the first node not below it.
      neEndPoint* u = lo->next;
      while (u && u->value < hi->value) u = u->next;
      LinkBefore(a, u, hi);
      continue;
    }
    neEndPoint* d = h ? h : a.tail;
    while (d && d->value > lo->value) d = d->prev;
    LinkAfter(a, d, lo);
    if (h) {
      neEndPoint* u = lo->next;
      while (u && u->value < hi->value) u = u->next;
      LinkBefore(a, u, hi);
    } else {
      neEndPoint* u = a.tail;
      while (u != lo && u->value >= hi->value) u = u->prev;
      LinkAfter(a, u, hi);
    }
  }
}

// Sub-steps between two relayouts of the end points: the sort moves few of
// them per step, so the list order drifts from the slot order slowly.
constexpr int32_t kRelayoutPeriod = 64;

void neRegion::Relayout(neRegionAxis& a) {
  const int32_t n = a.points.UsedCount();
  if (n <= 1 || n > relayout_.Capacity()) return;
  relayout_.Clear();
  for (neEndPoint* p = a.head; p; p = p->next) {
    if (!relayout_.Push(*p)) return;
  }
  // Every end point in use is in the list; anything else leaves it alone.
  if (relayout_.Count() != n) return;
  neEndPoint* previous = nullptr;
  int32_t k = 0;
  for (int32_t i = 0; i < a.points.Capacity() && k < n; ++i) {
    neEndPoint* slot = a.points.At(i);
    if (!slot->inUse) continue;
    *slot = relayout_[k++];
    slot->prev = previous;
    slot->next = nullptr;
    if (previous) previous->next = slot; else a.head = slot;
    previous = slot;
    (slot->kind == kNeEndLower ? slot->body->lower : slot->body->upper)[a.axis] = slot;
  }
  a.tail = previous;
}

void neRegion::Update() {
  for (neRegionAxis& a : axes_) {
    if (axisMask_ & a.bit) SortAxis(a, true);
  }
  if (++updates_ >= kRelayoutPeriod) {
    updates_ = 0;
    for (neRegionAxis& a : axes_) {
      if (axisMask_ & a.bit) Relayout(a);
    }
  }
  for (int32_t k = 0; k < pending_.Count(); ++k) {
    neBody* body = pending_[k].body;
    if (body->joinState != kNeJoinPending || !body->regionNode) continue;
    body->joinState = kNeJoinNone;
    InsertEndPoints(body, pending_[k].hint);
    for (neRegionBodyNode* n = nodes_.UsedFirst(); n; n = n->next) {
      neBody* x = n->body;
      if (x == body || x->joinState != kNeJoinNone) continue;
      if (BothParticles(body, x)) continue;
      ComputeOverlap(body, x);
    }
  }
  pending_.Clear();
}

void neRegion::Rebuild() {
  for (neRegionAxis& a : axes_) {
    if (axisMask_ & a.bit) SortAxis(a, false);
  }
  while (neOverlapPair* p = pairs_.UsedFirst()) pairs_.Release(p);
  for (neRegionBodyNode* n = nodes_.UsedFirst(); n; n = n->next) {
    if (n->body->joinState != kNeJoinNone) continue;
    for (neRegionBodyNode* m = n->next; m; m = m->next) {
      if (m->body->joinState != kNeJoinNone || BothParticles(n->body, m->body)) continue;
      ComputeOverlap(n->body, m->body);
    }
  }
}

size_t neRegion::MemoryBytes() const {
  const size_t n = static_cast<size_t>(bodyCount_);
  size_t bytes = (n * (n > 0 ? n - 1 : 0) / 2 + n * static_cast<size_t>(particleCount_)) *
                 sizeof(nePairEntry);
  bytes += pending_.Bytes() + nodes_.Bytes() + pairs_.Bytes() + relayout_.Bytes();
  for (const neRegionAxis& a : axes_) bytes += a.points.Bytes();
  bytes += static_cast<size_t>(terrain_.MemoryUsed());
  return bytes;
}
