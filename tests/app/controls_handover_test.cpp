// The driver's controls handed from the main loop to the race update: the update takes
// the latest published controls whole, never a mix of two passes, however often the
// main loop publishes while the update copies.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/controls.h"

namespace {

// Every field carries the pass number, so a mix of two passes shows.
DriverControlState PassControls(int pass) {
  DriverControlState c;
  c.steer = static_cast<float>(pass);
  c.accelerator = static_cast<float>(pass);
  c.brake = static_cast<float>(pass);
  c.handbrake = static_cast<float>(pass);
  c.clutch = static_cast<float>(pass);
  c.look = pass;
  c.cameraMode = pass;
  c.gearRequest = pass;
  return c;
}

void Publish(int pass) {
  DriverControls = PassControls(pass);
  PublishDriverControls();
}

// The pass the taken controls came from; -1 when their fields disagree.
int TakenPass() {
  const DriverControlState& c = RaceControls;
  const int pass = c.gearRequest;
  const float f = static_cast<float>(pass);
  const bool whole = c.steer == f && c.accelerator == f && c.brake == f && c.handbrake == f &&
                     c.clutch == f && c.look == pass && c.cameraMode == pass;
  return whole ? pass : -1;
}

TEST(ControlsHandover, TheLatestPublishWinsAndATakeWithoutOneKeepsTheLast) {
  Publish(1);
  TakeDriverControls();
  EXPECT_EQ(TakenPass(), 1);
  Publish(2);
  Publish(3);
  Publish(4);
  TakeDriverControls();
  EXPECT_EQ(TakenPass(), 4) << "several passes during one update: the last one counts";
  RaceControls = DriverControlState{};
  TakeDriverControls();
  EXPECT_EQ(TakenPass(), 4) << "nothing new published: the same controls again";
  Publish(5);
  TakeDriverControls();
  EXPECT_EQ(TakenPass(), 5);
}

// The main loop publishes far more often than the update takes (a busy loop against a
// slow update), and the two never wait for each other. A publish that writes into the
// copy the update is making is reported at once by the thread sanitizer lane; a plain
// build sees it only when a copy comes out torn.
TEST(ControlsHandover, AnUpdateNeverTakesAMixOfTwoPassesNorAnOlderOne) {
  constexpr int kPasses = 400000;
  Publish(0);
  TakeDriverControls();
  std::atomic<bool> done{false};
  int torn = 0, backwards = 0, takes = 0, last = 0;
  std::thread update([&] {
    while (!done.load()) {
      TakeDriverControls();
      const int pass = TakenPass();
      ++takes;
      if (pass < 0) ++torn;
      else if (pass < last) ++backwards;
      else last = pass;
    }
  });
  for (int pass = 1; pass <= kPasses; ++pass) Publish(pass);
  done.store(true);
  update.join();
  EXPECT_EQ(torn, 0) << "of " << takes << " takes";
  EXPECT_EQ(backwards, 0);
  TakeDriverControls();
  EXPECT_EQ(TakenPass(), kPasses) << "the last publish reaches the update";
}

}  // namespace
