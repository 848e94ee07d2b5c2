#version 120
// The surroundings as the cars reflect them: 128-texel faces of nearby geometry, so no shadow
// and no fog, only the texture under a simple sun term (LightNow 1) or a flat light (0).

uniform float LightNow;
uniform sampler2D decal;  // unit 0: material texture

varying vec3 eyePosition;
varying vec3 eyeNormal;

void main() {
  vec4 base = texture2D(decal, gl_TexCoord[0].st);
  vec3 n = normalize(eyeNormal);
  if (!gl_FrontFacing) n = -n;
  vec3 l = normalize(gl_LightSource[0].position.xyz - eyePosition);
  float light = mix(0.85, 0.45 + 0.65 * max(dot(n, l), 0.0), LightNow);
  gl_FragColor = vec4(base.rgb * light, base.a);
}
