// How the main thread and the loader thread coordinate. Both poll these in busy loops,
// so every one of them is atomic: a plain byte read in a spin is undefined behaviour.
#pragma once

#include <atomic>
#include <cstdint>

enum LoaderStageValue : int {
  kStageNothing = 0,      // nothing loaded (or a car reload wanted)
  kStageMenuLoaded = 1,   // menu content loaded
  kStageLoadTrack = 10,   // the front end wants the track
  kStageTrackLoaded = 11,
  kStageUnloadTrack = 20, // the front end wants the track gone
  kStageUnloaded = 21,
};

struct LoaderHandshakeState {
  std::atomic<uint8_t> AppDone{0};       // set once; both loops stop on it
  std::atomic<int> LoaderStage{kStageNothing};
  // The loader runs a race update only while the two are equal, the main thread
  // renders only while they differ.
  std::atomic<uint8_t> UpdateToggle{0};
  std::atomic<uint8_t> RenderToggle{0};
  // 100 while the world loader waits for the main thread's GL work, then 0.
  std::atomic<int> WorldHandover{0};
  std::atomic<uint8_t> QuitRequest{0};   // set by the quit confirmation
  std::atomic<uint8_t> LoaderRunning{0}; // the loader thread is inside its loop
};

extern LoaderHandshakeState Handshake;
