uniform float Time;
uniform vec3 Right;
uniform vec3 Up;

varying vec3 eyePosition;

// Finishes a camera-facing corner the program has spread to world point p: its eye position
// and fog distance, the atlas coordinates (column from unit 0's p, height from its t) and the
// clip position.
void PlaceBillboardCorner(vec3 p, vec4 corner) {
  vec4 eye = gl_ModelViewMatrix * vec4(p, 1.0);
  eyePosition = eye.xyz;
  gl_TexCoord[0] = vec4(corner.p, corner.t, 0.0, 1.0);
  gl_FogFragCoord = length(eye.xyz);
  gl_Position = gl_ProjectionMatrix * eye;
}
