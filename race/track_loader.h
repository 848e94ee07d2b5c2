// Turning a race number into a loaded race, and back to the garage: the loader
// thread's two content switches (its GL context current).
#pragma once

#include <atomic>
#include <cstdint>

// Loads race K: its world's layers and textures, the roadside objects, the path, the
// world quadtree, the opponents' cars, the race state, the physics world and the race
// music. Between the cars and the race state it hands over to the main thread
// (WorldHandover 100) and waits until the main thread answers or the program ends.
// False, with the garage back in place and no simulator, when the race cannot be run:
// no usable path, no physics layer, or a world quadtree file that does not match.
bool LoadWorld(int raceNumber);

// Leaves the race: its sound stopped, the physics world gone, the track released, the
// garage scene and the menu music back.
void LoadGarage();

// The race tools' seed for a load's random draws (opponents, flyover, music); 0, as in
// the game, seeds from the clock. Two loads with the same seed draw the same race.
extern unsigned FixedTrackSeed;

// The music track a race plays, 1-4, drawn at the race load.
extern int RaceMusicTrack;
