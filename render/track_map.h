// The track-map texture: a race path drawn as dots into the 1024 x 1024 map texture,
// which the mini-map turns under the player's lorry and the race-selection screens show
// whole. One projection from world to map serves both.
#pragma once

#include <cstdint>

struct Waypoint;

// World (x, z) to map texture units: the whole game's landscapes fit one texture at
// this scale, with +x to the right and -z upwards.
constexpr float kMapOriginU = 0.546f;
constexpr float kMapOriginV = 0.324f;
constexpr float kMapUnitsPerWorldUnit = 0.00045f;
// The texture's edge in texels; the drawing works in these whatever size the texture
// was made with.
constexpr float kTrackMapTexels = 1024.0f;

inline float MapU(float x) { return kMapOriginU + kMapUnitsPerWorldUnit * x; }
inline float MapV(float z) { return kMapOriginV - kMapUnitsPerWorldUnit * z; }

// Written by RenderTrackMapTexture for the race-selection screens, which frame the
// path by them: the greatest distance in texels of a waypoint from the path's mean
// position, and (512 - mean) x 0.2636 along x and y. All 0 for an empty path.
extern float TrackMapScale;
extern float TrackMapOffset[2];

// Draws points 0..last of a path into Renderer.targets.MapTexture (through the shared
// pass framebuffer and MapDepthBuffer) and sets TrackMapScale and TrackMapOffset. A
// last index below 0 leaves the texture empty; one past the waypoint tables' capacity
// is taken as the capacity. The framebuffer binding and viewport are restored.
// Main thread.
void RenderTrackMapTexture(const Waypoint* table, int32_t last);
// The race's own path (WaypointTable), remembered as drawn for the race load that
// RaceStatus.RaceLoadCount names; drawing any other table forgets that.
void RenderTrackMapTexture();

// True when the map texture holds the path of the race load named by count.
bool TrackMapShowsRaceLoad(int32_t count);
