#include "lit.glsl"
#include "shadow.glsl"
#include "bump.glsl"

// The models drawn with a tangent frame and a reflection (car skins, glass, tyre marks).
uniform float matSpecular;

varying vec3 eyePosition;
varying vec3 eyeNormal;
varying vec3 eyeTangent;
varying vec3 eyeBitangent;
varying vec4 shadowCoord;

// The normal map texel in eye space by the corner's frame around n0.
vec3 FrameBumped(vec3 texel, vec3 n0) {
  return Bumped(texel, eyeTangent, eyeBitangent, n0);
}

// The way to the viewer; a fragment at the eye itself looks along -z.
vec3 ToViewer() {
  return SafeNormalize(-eyePosition, vec3(0.0, 0.0, 1.0));
}

// How much of the environment a glossy surface mirrors: a fifth head-on, all of it at grazing.
float Fresnel(vec3 n, vec3 v) {
  return 0.2 + 0.8 * pow(1.0 - max(dot(n, v), 0.0), 3.0);
}
