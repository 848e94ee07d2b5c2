// The race frame tool's command line: which race, the window's size, the graphics
// settings a player would choose, and what to do with the frames.
#pragma once

#include <string>
#include <vector>

struct RaceFrameOptions {
  int race = 1;  // 1..30
  int width = 1024;
  int height = 768;
  // The graphics settings; -1 keeps the game's default.
  int antiAliasing = -1;      // samples, 0 none
  int textureFiltering = -1;  // 0 or 1 (anisotropic)
  int sight = -1;             // view distance 300, 450 or 600
  int shadows = -1;           // shadow detail 0..3
  int reflections = -1;       // reflection quality 0..2
  int postEffect = -1;        // 0 or 1: the soft-focus composite
  int frames = 0;             // 0: the mode's own count
  std::string only;           // a world layer drawn alone
  std::vector<std::string> skip;
  // Folder for the PNGs; empty: none (a temporary one for --check). Alone, without
  // --frames, --check or --bench, it asks for the picture set (ShotSetRun).
  std::string shots;
  bool check = false;
  bool garage = false;  // with --check: the garage's view passes before the race
  bool bench = false;
  // The road and the land drawn from their maps unpacked, as a race whose maps cannot
  // be packed draws them (render/ground_maps.h).
  bool unpackedGround = false;
};

// False, with the reason, for anything the tool cannot run: an unknown flag, a value
// out of range, a pass name the renderer does not have, --check with --bench.
bool ParseRaceFrameArgs(int argc, const char* const* argv, RaceFrameOptions* options, std::string* error);

// A plain run given a folder and no frame count: the garage behind the main menu, race
// 1's grid under the countdown and race 2's water, each as the player would see it.
bool ShotSetRun(const RaceFrameOptions& options);

// The usage text.
const char* RaceFrameUsage();
