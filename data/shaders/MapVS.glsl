#version 120
// Opaque world layers (main map, add-on maps) and the garage models: normal, first texture
// coordinates and position per corner. The shadow map's texture matrix sits on unit 1 and
// takes eye-space points.

#include "layer_vertex.glsl"
