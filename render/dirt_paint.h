// Dirt painted into the cars' skins on the GPU: random splash sprites from the loaded
// scene's splash atlases (world06 colour, world07 normal) stamped through each car's dirt
// mask, every skin ping-ponged between its two textures (render/car_skins.h). One car's
// colour skin and normal skin are painted on consecutive steps with the same splashes.
// Main thread; never during a race: the race load's hand-over pre-paints, the garage
// paints its car every frame.
#pragma once

// Splashes one colour step may stamp.
constexpr int MaxSplashes = 50;

// Race-schedule steps taken since start (PaintCarDirt calls): what tells a tool that a
// frame ran the load's pre-paint, whenever in the frame the loader asked for it.
extern unsigned RaceDirtSteps;

// One step of the race's schedule: DirtPaintCounter (race/car_content.h) runs 0-7, the
// even steps paint car counter/2's colour skin, the odd ones its normal skin.
void PaintCarDirt();
// One step of the garage's schedule for one car slot: the counter runs 0, 1, 0, 1 ...,
// colour skin then normal skin.
void PaintCarDirtInGarage(int car);

// Splashes a dirt amount asks for: amount x 10 truncated, 0 for anything not above 0,
// never more than MaxSplashes.
int SplashCount(float amount);
