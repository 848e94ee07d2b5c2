// fpoints.ini (the two tyre-grip curves) as the game reads it, then looked up over
// the whole input range as the tyre forces do every step: whatever the file held, the
// grip is a number.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/scratch_files.h"
#include "race/tyre_curves.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // As at start-up: the tables are zero until the file fills them, so a run does not
  // depend on the inputs before it.
  std::fill(DriveGripTable, DriveGripTable + kGripCurvePoints, 0.0f);
  std::fill(LateralGripTable, LateralGripTable + kGripCurvePoints, 0.0f);
  const std::string path = WriteScratchFile("fpoints.ini", data, size);
  LoadFPoints(path.c_str());
  for (int i = -2; i <= 2 * kGripCurvePoints + 2; ++i) {
    const float x = static_cast<float>(i) / (2.0f * kGripCurvePoints);
    if (!std::isfinite(DriveGripCurve(x)) || !std::isfinite(LateralGripCurve(x))) std::abort();
  }
  return 0;
}
