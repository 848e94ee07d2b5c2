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
  // A file at least a table long fills it from its first bytes; the writer gives those
  // bytes back.
  if (size >= kOpticaFileSize) {
    uint8_t again[kOpticaFileSize];
    EncodeOpticaTable(LampTable, again);
    if (std::memcmp(again, data, kOpticaFileSize) != 0) std::abort();
  }
  return 0;
}
