#version 120
// Tyre marks: per corner (s, t, strength) on unit 0, the mark's tangent on unit 1 and bitangent
// on unit 2, normal and position. The shadow map's texture matrix sits on unit 3 and takes
// eye-space points.

#include "tangent_vertex.glsl"
