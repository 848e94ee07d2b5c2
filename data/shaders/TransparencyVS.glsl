#version 120
// Alpha-tested foliage layers (main and add-on transparency) and the garage's see-through
// models: normal, first texture coordinates and position per corner. The shadow map's texture
// matrix sits on unit 1 and takes eye-space points.

#include "layer_vertex.glsl"
