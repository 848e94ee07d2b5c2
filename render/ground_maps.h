// The ground programs' maps packed so that one fetch reads what two did: a software
// rasteriser pays for every texture read of every fragment of the road and the land,
// the frame's largest passes. Each packed map is made from the world's own maps at the
// race load, level by level from the levels the sampler reads (a compressed map
// decoded): the picture changes by rounding alone.
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
//
// Maps that cannot be packed that way (the two details, or the four ground maps, of
// different sizes or filters; an alpha map of another shape than its road texture; a road
// material without one) are not resampled: that pass reads every map on its own unit,
// through its program built with GROUND_MAPS_UNPACKED, and draws what the maps hold.
#pragma once

// The road's ground maps: landscape00, landscape01 and their normal maps, packed into
// three: (ground0.rgb, ground1.r), (ground1.gb, normal0.xy), (normal0.z, normal1.xyz).
constexpr int kGroundSources = 4;
constexpr int kGroundPacks = 3;

enum class GroundPacking {
  kWhereExact,  // the game's: every pass whose maps pack without changing a texel read
  kNone,        // every pass reads the maps themselves (to compare the two layouts)
};

// At the race load, with the world's layers and landscape maps loaded, on a context
// that shares objects with the drawing one (the loader's; its step's glFinish hands
// the maps over): forgets the last race's packs, packs this race's maps, and chooses
// each pass's layout, putting the program that reads it into the renderer's table
// (the unpacked programs are built the first time a race needs them, then kept).
void BuildGroundMaps(GroundPacking packing = GroundPacking::kWhereExact);

// Deletes the packs, at the unload: texture names are handed out again. The layouts
// stay as they were until the next race load chooses them.
void ForgetGroundMaps();

// The layout the race loaded draws by: true when the pass reads the packs below.
bool RoadMapsPacked();
bool LandMapsPacked();

// The packs of the race loaded (0, or false with out all 0, where there are none).
unsigned DetailLuminanceMap();
bool RoadGroundMaps(unsigned out[kGroundPacks]);
// The road texture with that alpha map in its alpha channel.
unsigned RoadMapWithAlpha(int texture, int alphaMap);
