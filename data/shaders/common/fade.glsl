uniform float T0;
uniform float T1;

// 1 up to T0, falling to 0 at T1: the far world fades out instead of ending at one line.
float DistanceFade(float distance) {
  return 1.0 - clamp((distance - T0) / max(T1 - T0, 0.001), 0.0, 1.0);
}
