#version 120
// Car bodies, car glass and roadside objects. Tangent frames arrive on texture units 1 (tangent)
// and 2 (bitangent); the shadow map's texture matrix sits on unit 3 and takes eye-space points.

#include "tangent_vertex.glsl"
