// The material constants every lit program gets (matSpecular only where the program has
// a highlight), safe normals, the way to the sun, and the fog over the finished colour.
uniform float matAmbient;
uniform vec3 matDiffuse;
uniform float emissive;
uniform float shininess;
uniform float MinFogFactor;

// Zero-length normals and tangents (degenerate corners, blank normal maps) give the
// fallback rather than NaN.
vec3 SafeNormalize(vec3 v, vec3 fallback) {
  float l = dot(v, v);
  return l > 1.0e-12 ? v * inversesqrt(l) : fallback;
}

// Light 0 is the sun, placed through the modelview matrix, so eye space.
vec3 ToSun(vec3 eyePoint) {
  return normalize(gl_LightSource[0].position.xyz - eyePoint);
}

// Squared-exponential fog by the vertex's eye distance, never thinner than MinFogFactor.
vec3 Fogged(vec3 colour) {
  float fog = clamp(exp(-pow(gl_Fog.density * gl_FogFragCoord, 2.0)), MinFogFactor, 1.0);
  return mix(gl_Fog.color.rgb, colour, fog);
}
