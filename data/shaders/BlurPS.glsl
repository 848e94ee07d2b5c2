#version 120
#extension GL_ARB_texture_rectangle : enable
// The glow: a separable nine-tap Gaussian. The horizontal step (texOffset.y = 0) reads the full
// frame and keeps only what is brighter than the threshold, since the glow is added on top of
// the picture; the vertical step blurs what the first left. texOffset is the tap spacing in
// source pixels, intensity scales the result.

uniform vec2 texOffset;
uniform float intensity;
uniform sampler2DRect decal;

const float kThreshold = 0.6;
const float kGain = 1.6;

vec4 Tap(vec2 at, bool brightPass) {
  vec4 c = texture2DRect(decal, at);
  if (brightPass) c.rgb = max(c.rgb - vec3(kThreshold), vec3(0.0)) * kGain;
  return c;
}

void main() {
  float weight[5] = float[5](0.227027, 0.1945946, 0.1216216, 0.054054, 0.016216);
  bool brightPass = texOffset.y == 0.0;
  vec2 at = gl_TexCoord[0].st;
  vec4 sum = Tap(at, brightPass) * weight[0];
  for (int i = 1; i < 5; ++i) {
    vec2 step = texOffset * float(i);
    sum += (Tap(at + step, brightPass) + Tap(at - step, brightPass)) * weight[i];
  }
  gl_FragColor = vec4(sum.rgb * intensity, sum.a);
}
