#version 120
#extension GL_ARB_texture_rectangle : enable
// The wheel dust: a wide separable Gaussian over a layer that is mostly empty (alpha 0). Colours
// are averaged weighted by their alpha, so the dust keeps its colour instead of darkening
// towards the empty black around it; the alpha spreads into a soft cloud. texOffset is the tap
// spacing in source pixels, intensity scales the cloud's opacity.

uniform vec2 texOffset;
uniform float intensity;
uniform sampler2DRect decal;

void main() {
  float weight[7] = float[7](0.1553, 0.1442, 0.1155, 0.0798, 0.0476, 0.0244, 0.0108);
  vec2 at = gl_TexCoord[0].st;
  vec4 c = texture2DRect(decal, at);
  vec3 colour = c.rgb * c.a * weight[0];
  float alpha = c.a * weight[0];
  for (int i = 1; i < 7; ++i) {
    vec2 step = texOffset * (float(i) * 1.5);
    vec4 a = texture2DRect(decal, at + step);
    vec4 b = texture2DRect(decal, at - step);
    colour += (a.rgb * a.a + b.rgb * b.a) * weight[i];
    alpha += (a.a + b.a) * weight[i];
  }
  vec3 straight = alpha > 1.0e-4 ? colour / alpha : vec3(0.0);
  gl_FragColor = vec4(straight, clamp(alpha * intensity, 0.0, 1.0));
}
