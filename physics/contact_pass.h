// The two contact passes of every sub-step: overlapping body pairs and each
// moving body against the terrain. Each contact gets the response its pair's
// response-table entry asks for (impulse and support bookkeeping) and, when
// asked, a report to the host's contact callback.
#ifndef KELVAMOR_PHYSICS_CONTACT_PASS_H
#define KELVAMOR_PHYSICS_CONTACT_PASS_H

#include "physics/narrowphase.h"

struct neBody;
struct neSimulationRecord;

void neCollideBodyPairs(neSimulationRecord& sim);
void neCollideTerrain(neSimulationRecord& sim);

// Impulse, separation and support records for one contact of A and B (B may
// be the terrain body). True when the contact got a response, which also
// filled result.relativeVelocity.
bool neRespondToContact(neSimulationRecord& sim, neBody& a, neBody& b, neCollisionResult& result);

// A contact normal the response can use: finite, and not zero in every
// component.
bool neNormalIsUsable(const neVector3& normal);

#endif  // KELVAMOR_PHYSICS_CONTACT_PASS_H
