// The default allocator and the size check every pool and array goes through.
#include "physics/allocator.h"

#include <cstdlib>

void* neDefaultAllocator::Alloc(int32_t bytes, int32_t /*flag*/) {
  if (bytes < 0) return nullptr;
  // The total is a running count of bytes handed out; it never shrinks and
  // saturates rather than overflow.
  total_ = (total_ > INT32_MAX - bytes) ? INT32_MAX : total_ + bytes;
  return std::malloc(bytes > 0 ? static_cast<size_t>(bytes) : 1);
}

void neDefaultAllocator::Free(void* block) { std::free(block); }

bool neFitsAllocation(size_t count, size_t entryBytes, int32_t* bytesOut) {
  if (entryBytes != 0 && count > static_cast<size_t>(INT32_MAX) / entryBytes) return false;
  *bytesOut = static_cast<int32_t>(count * entryBytes);
  return true;
}
