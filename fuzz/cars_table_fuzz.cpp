// cars.ini as the game reads it (from base/ beside the working directory), then every
// preset taken as the live set-up and kept in the career, as the shop does.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz/scratch_files.h"
#include "race/car_setup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const InScratchDir here;
  // A short file leaves presets as they were: start each run from the same ones.
  std::memset(CarPresets, 0, sizeof CarPresets);
  WriteScratchFile("base/cars.ini", data, size);
  LoadCarsTable();
  for (int k = 0; k < kCarModels; ++k) {
    ApplyCarPreset(k);
    SaveCarSetupToCareer();
    LoadCarSetupFromCareer();
  }
  return 0;
}
