// The ground programs' maps packed so that one fetch reads what two did: a software
// rasteriser pays for every texture read of every fragment of the road and the land,
// the frame's largest passes. Each packed map is made from the world's own maps, on the
// main thread, the first time a race frame needs it after a race load, level by level
// from the levels the sampler read (a compressed map decoded): the picture changes by
// rounding alone.
//
// - The landscape's two detail maps are only ever read for their luminance: the packed
//   map holds landscape03's in its luminance channel and landscape04's in its alpha.
// - The road's alpha map goes into its texture's alpha channel: each road level takes
//   the alpha map's level of its size, which the sampler read at the same level of
//   detail; the road's finer levels, where the alpha map was magnified, take its base
//   level read by the same linear filter.
// - The road's ground beside it reads two ground maps and their two normal maps at the
//   same place: their twelve channels packed four to a map, three fetches where four
//   were, the same bytes.
#pragma once

// The road's ground maps: landscape00, landscape01 and their normal maps, packed into
// three: (ground0.rgb, ground1.r), (ground1.gb, normal0.xy), (normal0.z, normal1.xyz).
constexpr int kGroundSources = 4;
constexpr int kGroundPacks = 3;

// Forgets the packed maps: the next race frame makes them again from the maps then
// loaded. Called at each race load (texture names may be handed out again).
void InvalidateGroundMaps();

// The packed detail luminance map of the two landscape maps named, made on first use;
// 0 when either is no texture or the driver refuses the new one.
unsigned DetailLuminanceMap(int detail0, int detail1);

// The road texture with the alpha map in its alpha channel, made on first use; 0 when
// either is no texture or the driver refuses the new one.
unsigned RoadMapWithAlpha(int texture, int alphaMap);

// The road's ground maps packed from the four named (ground 0, ground 1, normal 0,
// normal 1), made on first use; false (and out all 0) when any is no texture, their
// sizes differ or the driver refuses them.
bool RoadGroundMaps(const int sources[kGroundSources], unsigned out[kGroundPacks]);
