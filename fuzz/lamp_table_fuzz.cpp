// optica.ini (the lamp outlines) as the game reads it at start-up, from base/ beside
// the working directory.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz/scratch_files.h"
#include "race/lamp_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const InScratchDir here;
  std::memset(LampTable, 0, sizeof LampTable);
  WriteScratchFile("base/optica.ini", data, size);
  LoadOpticaTable();
  // Either the file was taken whole, and the writer gives its bytes back, or it was
  // refused (a wrong size or values no lorry has) and the table is as it was: all zero.
  uint8_t again[kOpticaFileSize];
  EncodeOpticaTable(LampTable, again);
  static const uint8_t kUntouched[kOpticaFileSize] = {};
  const bool refused = std::memcmp(again, kUntouched, kOpticaFileSize) == 0;
  const bool taken = size == kOpticaFileSize && std::memcmp(again, data, kOpticaFileSize) == 0;
  if (!refused && !taken) std::abort();
  return 0;
}
