// The screens the layout check visits: each a screen of the real machine and the state
// that gives its texts their longest form.
#pragma once

#include <string>
#include <vector>

namespace layout {

struct Scene {
  std::string name;  // also the picture's file name
  int screen;
  void (*setup)();   // the game's state for the page; runs before the screen is settled
};

// Every screen a player reaches, in the order a player meets them.
const std::vector<Scene>& Scenes();

// State every scene starts from: a new career, the default settings, the menu content
// loaded, nothing pressed and the pointer off the widgets.
void ResetGameState();

}  // namespace layout
