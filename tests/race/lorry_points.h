// A lorry's points model for the race-load tests: one that reads but marks no wheel.
#pragma once

#include <string>

#include "tools/sbm/sbm_writer.h"

// Writes at `path` a points model whose wheels' group is there but empty, with one
// exhaust marker in the second group.
inline bool WriteWheellessPoints(const std::string& path, std::string* error) {
  sbm::Mesh exhaustOnly;
  exhaustOnly.AddGroup("wheels", -1);
  const int exhaust = exhaustOnly.AddGroup("exhaust", -1);
  sbm::Triangle t;
  for (int k = 0; k < 3; ++k) t.vertex[k] = exhaustOnly.AddVertex(0.1f * k, 1.0f, 1.0f + 0.1f * k);
  exhaustOnly.AddTriangle(exhaust, t);
  return sbm::Write(path, exhaustOnly, error);
}
