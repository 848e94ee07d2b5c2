// The race frame tool's runs over an opened race: plain frames, the check, the bench
// and the picture set. Each returns the process's exit code.
#pragma once

#include <string>
#include <vector>

#include "tools/race_frame/frame_options.h"

struct Picture;

// Draws the frames (60 unless --frames says otherwise) on the grid from the chase
// camera; with --shots and --frames, the last one goes into the folder as
// frame_NNNN.png (--shots alone is the picture set).
int RunPlainFrames(const RaceFrameOptions& options, const char* self);
int RunFrameCheck(const RaceFrameOptions& options, const char* self);
int RunFrameBench(const RaceFrameOptions& options);
// The picture set (ShotSetRun) into the --shots folder.
int RunShotSet(const RaceFrameOptions& options);

// The file a plain run writes its last frame to.
std::string PlainShotPath(const std::string& folder, int frames);

// A second plain run of this tool with the options of `o` plus `extra`, in a child
// process with its output silenced, drawing `frames` frames; its last frame is read
// from `folder` (which must exist) into `out`. False with the reason in `why`.
bool RunPlainSecond(const RaceFrameOptions& o, const std::vector<std::string>& extra, int frames,
                    const std::string& folder, Picture* out, std::string* why);
