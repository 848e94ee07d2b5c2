#version 120
// Trees: every instance arrives as four corners at its foot. Unit 0 carries (side 0 or 1,
// bottom 0 or top 1, the atlas column edge of this corner, scale); the vertex colour carries the
// instance's anchor point and size, unclamped. Right and Up (already swayed by the wind for
// this batch) spread the corners into a quad facing the camera; the top also flutters a little
// on its own phase so that neighbours do not move in step.

#include "billboard_vertex.glsl"
uniform vec3 CamPos;

varying float cameraDistance;
varying float heightAlong;
varying vec3 anchorPoint;

void main() {
  vec4 corner = gl_MultiTexCoord0;
  vec4 anchor = gl_Color;
  vec3 foot = gl_Vertex.xyz;
  float phase = dot(anchor.xyz, vec3(0.13, 0.0, 0.17));
  float flutter = sin(Time * 1.7 + phase) * 0.04 * clamp(anchor.w, 0.0, 2.0) * corner.t;
  vec3 p = foot + Right * ((corner.s * 2.0 - 1.0 + flutter) * corner.q) + Up * (corner.t * 2.0 * corner.q);

  cameraDistance = distance(foot, CamPos);
  heightAlong = corner.t;
  anchorPoint = anchor.xyz;
  PlaceBillboardCorner(p, corner);
}
