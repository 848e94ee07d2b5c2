// The check's look at the view passes: the sun's shadow map on the grid, the
// environment cube map's faces by reflection quality, the water's reflection and
// surface where the track has water, and with --garage the garage's cube map and
// shadow map before the race loads. The check's run calls these at its fixed points;
// every verdict goes out through the check's own line.
#pragma once

#include <functional>
#include <string>

#include "tools/race_frame/frame_options.h"

using CheckLine = std::function<void(const std::string& name, bool ok, const std::string& detail)>;

// Before the race opens: with --garage, the garage frames run once the menu content is
// loaded (race_run's hook).
void ViewChecksBegin(const RaceFrameOptions& options, const std::string& folder, const CheckLine& line);
// From the pass hook, with the pass that just ended.
void ViewChecksPassEnd(const char* pass, int frame);
// Around each race frame drawn: before it, and once it is drawn (the back buffer
// still holds it).
void ViewChecksBeforeFrame(int frame);
void ViewChecksAfterFrame(int frame);
// After the scripted frames, before the run closes: where the track has water, a pose
// over a lake drawn with the water and again without it.
void ViewChecksAfterRun();
// After the run has closed: the comparisons with second runs, and the verdicts.
void ViewChecksEnd();
