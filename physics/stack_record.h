// Stack records: the graph of bodies resting on one another. The simulator
// owns the pools; resting and stacking (rest.*) does everything with them.
#ifndef KELVAMOR_PHYSICS_STACK_RECORD_H
#define KELVAMOR_PHYSICS_STACK_RECORD_H

#include <cstdint>

struct neRigidBodyRecord;
struct neStackHeader;

struct neStackNode {
  int32_t visited = 0;
  int32_t ground = 0;  // no rigid support: on terrain, an animated body or nothing yet
  int32_t loose = 0;   // the last support count found no valid support
  neStackHeader* header = nullptr;  // null while on the loose list
  neRigidBodyRecord* body = nullptr;
  int32_t stamp = 0;

  neStackNode* next = nullptr;  // same stack (or the loose list)
  neStackNode* prev = nullptr;
  uint8_t inUse = 0;
};

struct neStackHeader {
  neStackNode* first = nullptr;
  neStackNode* last = nullptr;
  int32_t count = 0;
  int32_t allResting = 0;
  int32_t inHand = 0;  // taken by the constraint-set pass this step

  neStackHeader* next = nullptr;  // the simulator's stack list
  neStackHeader* prev = nullptr;
  uint8_t inUse = 0;
};

#endif  // KELVAMOR_PHYSICS_STACK_RECORD_H
