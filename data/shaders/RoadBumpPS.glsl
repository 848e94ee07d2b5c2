#version 120
// Roads with bumps: the road texture (unit 0) with its own normal map, blended by the
// material's alpha map into the ground beside it (two ground textures with their normal maps
// mixed by noise, tinted by the large-scale colour), so the road's edges run out into the
// terrain. Lit by the sun through the shadow map, fogged; alpha fades from 1 at T0 to 0 at T1.
//
// Two layouts of the same inputs. Usually the maps come packed (render/ground_maps.h): the
// material's alpha map in the road texture's own alpha, the ground's four maps in three, the
// noise blend from a plane of the smooth volume; each saves fetches on every road fragment.
// Built with GROUND_MAPS_UNPACKED, the program reads every map on its own unit, for a race
// whose maps cannot be packed without changing what they show.

#include "sunlit.glsl"
#include "bump.glsl"
// Packed, the ground beside the road reads landscape00, landscape01 and their normal maps
// at one place from three maps holding their twelve channels four to a map.
uniform sampler2D decal4;  // unit 3: landscape00 rgb, landscape01 r; unpacked: landscape00
uniform sampler2D decal5;  // unit 4: landscape01 gb, landscape00's normal xy; unpacked: landscape01
uniform sampler2D decal6;  // unit 5: normal map of landscape00 (read at the road's coordinates too)
uniform sampler2D decal7;  // unit 6: landscape00's normal z, landscape01's normal xyz;
                           // unpacked: normal map of landscape01
uniform sampler2D decal8;  // unit 7: the smooth noise's planes (alpha: r = 0.75); unpacked:
                           // the material's alpha map, 1 road, 0 ground
uniform sampler2D decal9;  // unit 8: large-scale colour (landscape02)

varying vec3 eyeTangent;
varying vec3 eyeBitangent;
varying vec3 eyeTangent2;
varying vec3 eyeBitangent2;
varying vec2 linearCoord;

void main() {
  vec2 uv = gl_TexCoord[0].st;
  vec2 groundUv = linearCoord * 8.0;
  vec4 road = texture2D(decal, uv);
#ifdef GROUND_MAPS_UNPACKED
  float onRoad = texture2D(decal8, uv).r;
  float blend = smoothstep(0.3, 0.7, texture3D(decal3, vec3(linearCoord * 6.0, 0.75)).r);
  vec3 ground = mix(texture2D(decal4, groundUv).rgb, texture2D(decal5, groundUv).rgb, blend);
  vec3 groundTexel = mix(texture2D(decal6, groundUv).xyz, texture2D(decal7, groundUv).xyz, blend);
#else
  float onRoad = road.a;  // the material's alpha map, 1 road, 0 ground
  float blend = smoothstep(0.3, 0.7, texture2D(decal8, linearCoord * 6.0).a);
  vec4 pack0 = texture2D(decal4, groundUv);
  vec4 pack1 = texture2D(decal5, groundUv);
  vec4 pack2 = texture2D(decal7, groundUv);
  vec3 ground = mix(pack0.rgb, vec3(pack0.a, pack1.rg), blend);
  vec3 groundTexel = mix(vec3(pack1.ba, pack2.r), pack2.gba, blend);
#endif
  ground = mix(ground, texture2D(decal9, linearCoord).rgb, 0.25);

  vec3 n0 = SafeNormalize(eyeNormal, vec3(0.0, 0.0, 1.0));
  if (!gl_FrontFacing) n0 = -n0;
  vec3 roadNormal = Bumped(texture2D(decal6, uv).xyz, eyeTangent, eyeBitangent, n0);
  vec3 groundNormal = Bumped(groundTexel, eyeTangent2, eyeBitangent2, n0);
  vec3 n = normalize(mix(groundNormal, roadNormal, onRoad));
  vec3 albedo = mix(ground, road.rgb, onRoad);

  vec3 colour = Fogged(SunLit(albedo, n, 20.0, onRoad));
  gl_FragColor = vec4(colour, DistanceFade(length(eyePosition)));
}
