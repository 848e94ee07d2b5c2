#include "tests/race/flat_ground.h"

neSimulation* MakeFlatGroundSimulator(int bodies, int groundMaterial, float half) {
  neSimulationSizes sizes;
  sizes.rigidBodiesCount = bodies;
  sizes.geometriesCount = bodies;
  const neVector3 g = neV3(0.0f, -9.8f, 0.0f);
  neSimulation* sim = neSimulation::Create(&sizes, nullptr, &g);
  if (!sim) return nullptr;
  for (int m = 0; m < 4; ++m) sim->SetMaterial(m, 0.8f, 0.25f);
  neVector3 v[4] = {neV3(-half, 0, -half), neV3(half, 0, -half), neV3(half, 0, half), neV3(-half, 0, half)};
  neTerrainTriangle t[2];
  t[0].indices[0] = 0;
  t[0].indices[1] = 2;
  t[0].indices[2] = 1;
  t[1].indices[0] = 0;
  t[1].indices[1] = 3;
  t[1].indices[2] = 2;
  t[0].materialID = t[1].materialID = groundMaterial;
  neTerrainMesh mesh;
  mesh.vertices = v;
  mesh.vertexCount = 4;
  mesh.triangles = t;
  mesh.triangleCount = 2;
  sim->SetTerrain(&mesh);
  return sim;
}
