#version 120
// Opaque world layers: the material texture lit by the sun through the shadow map, with a soft
// highlight, fogged. LightNow 1 lights by the sun; 0 gives a flat light with no shadow.
// Alpha runs from the texture's own at T0 to 0 at T1, so the far world fades into the
// sky the layers are composed over. Unit 0 holds the material texture.

#include "sunlit.glsl"
uniform sampler2D decal4;        // unit 3: not bound by the world passes, unused

void main() {
  vec4 base = texture2D(decal, gl_TexCoord[0].st);
  vec3 colour = Fogged(SunLit(base.rgb, FacingNormal(), 16.0, 1.0));
  gl_FragColor = vec4(colour, base.a * DistanceFade(length(eyePosition)));
}
