// The race frame tool's three runs over an opened race: plain frames, the check and
// the bench. Each returns the process's exit code.
#pragma once

#include "tools/race_frame/frame_options.h"

// Draws the frames (60 unless --frames says otherwise) on the grid from the chase
// camera; with --shots, the last one goes into the folder as frame_NNNN.png.
int RunPlainFrames(const RaceFrameOptions& options, const char* self);
int RunFrameCheck(const RaceFrameOptions& options, const char* self);
int RunFrameBench(const RaceFrameOptions& options);

// The file a plain run writes its last frame to.
std::string PlainShotPath(const std::string& folder, int frames);
