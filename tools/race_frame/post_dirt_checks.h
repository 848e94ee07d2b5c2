// The race frame check's look at the post passes and the dirt painting. Each prints
// its CHECK lines as the rest of the check does and returns false when one fails.
#pragma once

#include <string>

// Right after the race load: every loaded car's colour skin, as the pre-paint during
// the load's hand-over left it, differs from the car's car.tga in at least a fifth of
// its texels, and the car is drawn with it. Car 0's two skins go into the folder.
bool CheckDirtSkins(const std::string& folder);
// The bench's dirt figures: the pre-paint's hand-over frame, and the median of single
// steps run as the pre-paint runs them.
void BenchDirtSteps();
// After a frame drawn with the post effect: its soft-focus picture differs from the
// plain frame, and the glow texture holds some light without flooding the frame.
bool CheckPostEffect(const std::string& folder);
