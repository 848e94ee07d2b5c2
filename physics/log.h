// The engine's log: one text buffer shared by every simulator, handed to the
// host's log callback when one is set and the simulator's level allows.
#ifndef KELVAMOR_PHYSICS_LOG_H
#define KELVAMOR_PHYSICS_LOG_H

#include <cstdint>

#include "physics/ne.h"

// Every engine message is logged at this level.
constexpr int32_t kNeLogLevelMessage = 1;

// Formats printf-style into the shared buffer and passes it on when callback
// is set and level >= kNeLogLevelMessage. The format must be a literal.
void neLogMessage(neLogCallback callback, int32_t level, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// The shared buffer (for tests and for messages built in place).
char* neLogBuffer();

#endif  // KELVAMOR_PHYSICS_LOG_H
