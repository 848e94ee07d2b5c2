// The GL-free part of a race load: the race path, the physics layer, the roadside
// objects, the cars' points and the physics world. The track loader runs these pieces
// among its GL layers; the race simulation tools run them alone.
#pragma once

// Draws the opponents' car models as the track loader does: slot s = 1..3 takes a
// random model (0..17) that no slot below it has; slot 0 keeps RaceCars[0].modelIndex.
void ChooseOpponentModels();

// Race K's path into the waypoint table, refused (false, with the reason on stderr)
// when there is no readable file or the path cannot carry a race.
bool LoadCheckedRacePath(int raceNumber);

// Loads race K for the physics: world from K, path K (refused unless usable), the
// world's physic.sbm, the race's objects layer and its roadside objects, each car's
// points.sbm by RaceCars[s].modelIndex, the race state reset and InitPhysicsWorld.
// False, with no simulator, when the race cannot be run: among others when a lorry's
// points.sbm does not read or marks no wheel, named on stderr.
bool LoadRacePhysics(int raceNumber);
