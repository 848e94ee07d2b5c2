// The check's look at the grass, the trees and the sun glare of the running race, from
// poses that show them: each pass must change the picture against the same frame drawn
// without it, and the glare must build facing the sun and fade looking away from it.
#pragma once

#include <string>

// Runs between frames of an open race run (tools/race_frame/race_run.h), after the
// check's own frames; prints its CHECK lines and puts its pictures into folder. False
// when any of its checks failed.
bool RunFoliageChecks(const std::string& folder);
