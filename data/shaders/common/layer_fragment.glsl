#include "lit.glsl"
#include "shadow.glsl"
#include "fade.glsl"

// What every shadowed world layer's fragment program starts from: its own texture on unit 0,
// the sun's shadow map on unit 1 and the smooth noise that jitters the shadow taps on unit 2.
uniform sampler2D decal;         // unit 0: the layer's texture
uniform sampler2DShadow decal2;  // unit 1: sun shadow map
uniform sampler3D decal3;        // unit 2: smooth noise

varying vec3 eyePosition;
varying vec3 eyeNormal;
varying vec4 shadowCoord;

// The interpolated normal turned towards the viewer: layers are seen from both sides.
vec3 FacingNormal() {
  vec3 n = normalize(eyeNormal);
  return gl_FrontFacing ? n : -n;
}
