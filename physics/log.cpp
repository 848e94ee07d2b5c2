#include "physics/log.h"

#include <cstdarg>
#include <cstdio>

namespace {
// Engine-wide, like the contact records: one simulator logs at a time.
char gLogText[256];
}  // namespace

char* neLogBuffer() { return gLogText; }

void neLogMessage(neLogCallback callback, int32_t level, const char* format, ...) {
  if (!callback || level < kNeLogLevelMessage) return;
  va_list args;
  va_start(args, format);
  std::vsnprintf(gLogText, sizeof gLogText, format, args);
  va_end(args);
  callback(gLogText);
}
