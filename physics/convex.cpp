// Polytope topology (hull blocks and the fixed box and triangle tables), the
// hull check, support points, the plane score and the climbing face and edge
// searches shared by every convex test.
#include "physics/convex.h"

#include <cmath>
#include <cstring>

namespace {

constexpr int32_t kFaceRecordBytes = 12;
constexpr int32_t kVertexRecordBytes = 4;
constexpr int32_t kEdgeRecordBytes = 4;
constexpr int32_t kVectorBytes = 16;
// A hull block larger than this is taken for garbage.
constexpr int32_t kHullMaxBytes = 1 << 24;
constexpr float kScoreStart = -1000000.0f;
// Climbing and edge walks strictly improve a score, so they end on their own;
// these bounds only make that plain.
constexpr int32_t kMaxClimbSteps = 1024;
constexpr int32_t kMaxEdgePops = 4096;
constexpr float kTriangleArcTilt = 0.01f;
constexpr float kFar = 1.0e30f;

int32_t ReadWord(const uint8_t* p) {
  int32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

neVector3 ReadVector(const uint8_t* p) {
  float f[4];
  std::memcpy(f, p, sizeof f);
  return neV3(f[0], f[1], f[2]);
}

// The fixed topology of a box and of a triangle, laid out like a hull block.
struct TopologySource {
  int32_t faces, vertices, edges, perFace;
  const uint8_t (*neighbours)[4];
  const uint8_t (*faceVertices)[4];
  const uint8_t (*faceEdges)[4];
  const uint8_t (*vertexEdges)[4];  // ended by kNeListEnd
  const uint8_t (*edgeRecords)[4];  // face, face, vertex, vertex
};

constexpr uint8_t kBoxNeighbours[6][4] = {{2, 3, 4, 5}, {2, 3, 4, 5}, {0, 1, 4, 5},
                                          {0, 1, 4, 5}, {0, 1, 2, 3}, {0, 1, 2, 3}};
constexpr uint8_t kBoxFaceVertices[6][4] = {{2, 3, 6, 7}, {0, 1, 4, 5}, {4, 5, 6, 7},
                                            {0, 1, 2, 3}, {1, 3, 5, 7}, {0, 2, 4, 6}};
constexpr uint8_t kBoxFaceEdges[6][4] = {{0, 1, 2, 3},   {4, 5, 6, 7},  {0, 4, 8, 9},
                                         {1, 5, 10, 11}, {2, 8, 6, 10}, {3, 7, 9, 11}};
constexpr uint8_t kBoxVertexEdges[8][4] = {{5, 7, 11, 255}, {5, 6, 10, 255}, {1, 3, 11, 255},
                                           {1, 2, 10, 255}, {4, 7, 9, 255},  {4, 6, 8, 255},
                                           {0, 3, 9, 255},  {0, 2, 8, 255}};
constexpr uint8_t kBoxEdges[12][4] = {{0, 2, 6, 7}, {0, 3, 2, 3}, {0, 4, 3, 7}, {0, 5, 2, 6},
                                      {1, 2, 4, 5}, {1, 3, 0, 1}, {1, 4, 1, 5}, {1, 5, 0, 4},
                                      {2, 4, 5, 7}, {2, 5, 4, 6}, {3, 4, 1, 3}, {3, 5, 0, 2}};
// Face normals +y, -y, +x, -x, +z, -z as 16-byte records.
constexpr float kBoxNormals[6][4] = {{0, 1, 0, 0},  {0, -1, 0, 0}, {1, 0, 0, 0},
                                     {-1, 0, 0, 0}, {0, 0, 1, 0},  {0, 0, -1, 0}};
// Vertex i takes the signs (x, y, z) of bits 2, 1, 0 of i.
constexpr float kBoxSigns[8][3] = {{-1, -1, -1}, {-1, -1, 1}, {-1, 1, -1}, {-1, 1, 1},
                                   {1, -1, -1},  {1, -1, 1},  {1, 1, -1},  {1, 1, 1}};

constexpr uint8_t kTriNeighbours[2][4] = {{1, 1, 1, 0}, {0, 0, 0, 0}};
constexpr uint8_t kTriFaceVertices[2][4] = {{0, 1, 2, 0}, {0, 1, 2, 0}};
constexpr uint8_t kTriFaceEdges[2][4] = {{0, 1, 2, 0}, {0, 1, 2, 0}};
constexpr uint8_t kTriVertexEdges[3][4] = {{0, 2, 255, 0}, {0, 1, 255, 0}, {1, 2, 255, 0}};
constexpr uint8_t kTriEdges[3][4] = {{0, 1, 0, 1}, {0, 1, 1, 2}, {0, 1, 2, 0}};

int32_t TopologyBytes(const TopologySource& s) {
  return kNeHullHeaderBytes + kVectorBytes * (s.faces + s.vertices) + kFaceRecordBytes * s.faces +
         kVertexRecordBytes * s.vertices + kEdgeRecordBytes * s.edges + 3 * s.perFace * s.faces +
         4 * s.vertices;
}

void WriteWord(uint8_t* p, int32_t v) { std::memcpy(p, &v, sizeof v); }

// Lays the tables out as a hull block (planes and vertices left zero: the
// views supply their own).
void BuildTopology(const TopologySource& s, uint8_t* out) {
  const int32_t total = TopologyBytes(s);
  std::memset(out, 0, static_cast<size_t>(total));
  WriteWord(out, s.faces);
  WriteWord(out + 4, s.vertices);
  WriteWord(out + 8, s.edges);
  WriteWord(out + 12, total);
  const int32_t faceRecords = kNeHullHeaderBytes + kVectorBytes * (s.faces + s.vertices);
  const int32_t vertexRecords = faceRecords + kFaceRecordBytes * s.faces;
  const int32_t edgeRecords = vertexRecords + kVertexRecordBytes * s.vertices;
  int32_t lists = edgeRecords + kEdgeRecordBytes * s.edges;
  for (int32_t f = 0; f < s.faces; ++f) {
    const uint8_t* sources[3] = {s.neighbours[f], s.faceVertices[f], s.faceEdges[f]};
    for (int k = 0; k < 3; ++k) {
      WriteWord(out + faceRecords + kFaceRecordBytes * f + 4 * k, lists);
      std::memcpy(out + lists, sources[k], static_cast<size_t>(s.perFace));
      lists += s.perFace;
    }
  }
  for (int32_t v = 0; v < s.vertices; ++v) {
    WriteWord(out + vertexRecords + kVertexRecordBytes * v, lists);
    std::memcpy(out + lists, s.vertexEdges[v], 4);
    lists += 4;
  }
  for (int32_t e = 0; e < s.edges; ++e) {
    std::memcpy(out + edgeRecords + kEdgeRecordBytes * e, s.edgeRecords[e], 4);
  }
}

const uint8_t* BoxTopology() {
  static uint8_t block[512];
  static const bool built = [] {
    const TopologySource s{
        6, 8, 12, 4, kBoxNeighbours, kBoxFaceVertices, kBoxFaceEdges, kBoxVertexEdges, kBoxEdges};
    BuildTopology(s, block);
    return true;
  }();
  (void)built;
  return block;
}

const uint8_t* TriangleTopology() {
  static uint8_t block[256];
  static const bool built = [] {
    const TopologySource s{
        2, 3, 3, 3, kTriNeighbours, kTriFaceVertices, kTriFaceEdges, kTriVertexEdges, kTriEdges};
    BuildTopology(s, block);
    return true;
  }();
  (void)built;
  return block;
}

// A byte list inside the block: offset and length in range.
bool ListInside(int32_t offset, int32_t length, int32_t size) {
  return offset >= 0 && length >= 0 && offset <= size - length;
}

// p . (q x r)
float Triple(const neVector3& p, const neVector3& q, const neVector3& r) {
  return p.Dot(q.Cross(r));
}

}  // namespace

bool neConvexBlobIsUsable(const uint8_t* blob) {
  if (!blob) return false;
  const int32_t f = ReadWord(blob), v = ReadWord(blob + 4), e = ReadWord(blob + 8);
  const int32_t size = ReadWord(blob + 12);
  // Indices are bytes and 255 ends a list; the face marks hold 101 faces.
  if (f < 4 || f > kNeConvexMaxFaces || v < 4 || v > 254 || e < 6 || e > 254) return false;
  if (size < kNeHullHeaderBytes || size > kHullMaxBytes) return false;
  const int32_t faceRecords = kNeHullHeaderBytes + kVectorBytes * (f + v);
  const int32_t vertexRecords = faceRecords + kFaceRecordBytes * f;
  const int32_t edgeRecords = vertexRecords + kVertexRecordBytes * v;
  if (edgeRecords + kEdgeRecordBytes * e > size) return false;

  for (int32_t i = 0; i < f; ++i) {
    const neVector3 n = ReadVector(blob + kNeHullHeaderBytes + kVectorBytes * i);
    float offset;
    std::memcpy(&offset, blob + kNeHullHeaderBytes + kVectorBytes * i + 12, sizeof offset);
    if (!n.IsFinite() || !neIsFinite(offset)) return false;
    if (std::fabs(std::sqrt(n.LengthSquared()) - 1.0f) > 1.0e-3f) return false;
  }
  for (int32_t i = 0; i < v; ++i) {
    if (!ReadVector(blob + kNeHullHeaderBytes + kVectorBytes * (f + i)).IsFinite()) return false;
  }
  const int32_t limits[3] = {f, v, e};
  for (int32_t i = 0; i < f; ++i) {
    for (int k = 0; k < 3; ++k) {
      const int32_t at = ReadWord(blob + faceRecords + kFaceRecordBytes * i + 4 * k);
      if (!ListInside(at, 3, size)) return false;
      for (int j = 0; j < 3; ++j) {
        if (blob[at + j] >= limits[k]) return false;
      }
    }
  }
  for (int32_t i = 0; i < v; ++i) {
    const int32_t at = ReadWord(blob + vertexRecords + kVertexRecordBytes * i);
    if (at < 0 || at >= size) return false;
    int32_t n = 0;
    while (true) {
      if (at + n >= size || n > e) return false;
      const uint8_t edge = blob[at + n];
      if (edge == kNeListEnd) break;
      if (edge >= e) return false;
      const uint8_t* rec = blob + edgeRecords + kEdgeRecordBytes * edge;
      if (rec[2] != i && rec[3] != i) return false;  // not incident to this vertex
      ++n;
    }
    if (n == 0) return false;
  }
  for (int32_t i = 0; i < e; ++i) {
    const uint8_t* rec = blob + edgeRecords + kEdgeRecordBytes * i;
    if (rec[0] >= f || rec[1] >= f || rec[2] >= v || rec[3] >= v || rec[2] == rec[3]) return false;
  }
  return true;
}

bool neHullView::Set(const uint8_t* block) {
  if (!neConvexBlobIsUsable(block)) return false;
  blob = block;
  faceCount = ReadWord(block);
  vertexCount = ReadWord(block + 4);
  edgeCount = ReadWord(block + 8);
  return true;
}

neVector3 neHullView::Plane(int32_t f) const {
  float p[4];
  std::memcpy(p, blob + kNeHullHeaderBytes + kVectorBytes * f, sizeof p);
  return neVector3{p[0], p[1], p[2], p[3]};
}

neVector3 neHullView::Vertex(int32_t v) const {
  return ReadVector(blob + kNeHullHeaderBytes + kVectorBytes * (faceCount + v));
}

const uint8_t* neHullView::FaceNeighbours(int32_t f) const {
  const int32_t at = kNeHullHeaderBytes + kVectorBytes * (faceCount + vertexCount);
  return blob + ReadWord(blob + at + kFaceRecordBytes * f);
}

const uint8_t* neHullView::FaceVertices(int32_t f) const {
  const int32_t at = kNeHullHeaderBytes + kVectorBytes * (faceCount + vertexCount);
  return blob + ReadWord(blob + at + kFaceRecordBytes * f + 4);
}

const uint8_t* neHullView::FaceEdges(int32_t f) const {
  const int32_t at = kNeHullHeaderBytes + kVectorBytes * (faceCount + vertexCount);
  return blob + ReadWord(blob + at + kFaceRecordBytes * f + 8);
}

const uint8_t* neHullView::VertexEdges(int32_t v) const {
  const int32_t at =
      kNeHullHeaderBytes + kVectorBytes * (faceCount + vertexCount) + kFaceRecordBytes * faceCount;
  return blob + ReadWord(blob + at + kVertexRecordBytes * v);
}

const uint8_t* neHullView::Edge(int32_t e) const {
  const int32_t at = kNeHullHeaderBytes + kVectorBytes * (faceCount + vertexCount) +
                     kFaceRecordBytes * faceCount + kVertexRecordBytes * vertexCount;
  return blob + at + kEdgeRecordBytes * e;
}

void nePolytopeView::SetBox(const neVector3& h, neVector3* vertexStore, const neTransform& t) {
  isBox = true;
  topo.blob = BoxTopology();
  topo.faceCount = 6;
  topo.vertexCount = 8;
  topo.edgeCount = 12;
  vertsPerFace = 4;
  for (int i = 0; i < 8; ++i) {
    vertexStore[i] =
        neVector3{h.x * kBoxSigns[i][0], h.y * kBoxSigns[i][1], h.z * kBoxSigns[i][2], 0.0f};
  }
  normals = reinterpret_cast<const uint8_t*>(kBoxNormals);
  vertices = reinterpret_cast<const uint8_t*>(vertexStore);
  transform = t;
}

bool nePolytopeView::SetHull(const uint8_t* blob, const neTransform& t) {
  if (!topo.Set(blob)) return false;
  isBox = false;
  vertsPerFace = 3;
  normals = blob + kNeHullHeaderBytes;
  vertices = blob + kNeHullHeaderBytes + kVectorBytes * topo.faceCount;
  transform = t;
  return true;
}

void nePolytopeView::SetTriangle(const neVector3* worldVertices, const neVector3* faceNormals) {
  isBox = false;
  topo.blob = TriangleTopology();
  topo.faceCount = 2;
  topo.vertexCount = 3;
  topo.edgeCount = 3;
  vertsPerFace = 3;
  normals = reinterpret_cast<const uint8_t*>(faceNormals);
  vertices = reinterpret_cast<const uint8_t*>(worldVertices);
  transform.SetIdentity();
}

neVector3 nePolytopeView::LocalVertex(int32_t v) const {
  return ReadVector(vertices + kVectorBytes * v);
}
neVector3 nePolytopeView::LocalNormal(int32_t f) const {
  return ReadVector(normals + kVectorBytes * f);
}

int32_t nePolytopeView::Support(const neVector3& d) const {
  const neVector3 c = -transform.rot.TransposeMultiply(d);
  if (isBox) return 4 * (c.x >= 0.0f) + 2 * (c.y >= 0.0f) + (c.z > 0.0f);
  int32_t current = 0;
  float best = kScoreStart;
  for (int32_t step = 0; step < kMaxClimbSteps; ++step) {
    const uint8_t* list = topo.VertexEdges(current);
    bool moved = false;
    for (int32_t k = 0; list[k] != kNeListEnd; ++k) {
      const uint8_t* e = topo.Edge(list[k]);
      const int32_t other = e[2] == current ? e[3] : e[2];
      const float value = LocalVertex(other).Dot(c);
      if (value > best) {
        best = value;
        current = other;
        moved = true;
        break;
      }
    }
    if (!moved) break;
  }
  return current;
}

int32_t neVertexEdgeCount(const nePolytopeView& view, int32_t vertex) {
  const uint8_t* list = view.topo.VertexEdges(vertex);
  int32_t n = 0;
  while (list[n] != kNeListEnd) ++n;
  return n;
}

void neSeparationHint::Set(const neVector3& v) {
  h = v;
  length = v.Length();
  if (length == 0.0f) {
    // Centres 0.1 apart on every axis in just this way: any fixed hint keeps
    // the scores finite.
    h = neV3(-0.1f, -0.1f, -0.1f);
    length = h.Length();
  }
}

float neSeparationScore(const neSeparationHint& hint, const neVector3& m, float o) {
  neVector3 mm = m;
  float oo = o;
  if (o < 0.0f) {
    mm = -m;
    oo = -o;
  }
  return -oo / ((oo - hint.h.Dot(mm)) * hint.length);
}

bool neSeparationPair::EvaluateFace(int32_t face, bool& improved) {
  improved = false;
  marks[face] = true;
  const neVector3 m = x->WorldNormal(face);
  const neVector3 firstVertex = x->WorldVertex(x->topo.FaceVertices(face)[0]);
  const float dw = m.Dot(firstVertex);
  const int32_t s = y->Support(m);
  const float o = dw - m.Dot(y->WorldVertex(s));
  const float score = neSeparationScore(*hint, m, o);
  if (score >= 0.0f) return false;
  // The first face is always recorded, so that a best face exists whatever
  // its score; NaN never counts as an improvement.
  if (found == 0 || score > bestScore) {
    if (score > bestScore) bestScore = score;
    found = 1;
    xIndex = face;
    yIndex = s;
    plane = m;
    offset = o;
    improved = true;
  }
  return true;
}

bool neSeparationPair::FaceSearch(int32_t startFace) {
  const int32_t faces = x->FaceCount();
  for (int32_t i = 0; i < faces; ++i) marks[i] = false;
  bool improved = false;
  if (!EvaluateFace(startFace, improved)) return false;
  for (int32_t round = 0; round < faces; ++round) {
    const uint8_t* around = x->topo.FaceNeighbours(xIndex);
    bool any = false;
    for (int32_t k = 0; k < x->vertsPerFace; ++k) {
      const int32_t f = around[k];
      if (marks[f]) continue;
      if (!EvaluateFace(f, improved)) return false;
      any = any || improved;
    }
    if (!any) break;
  }
  return true;
}

bool neSeparationPair::EdgeSearch(const uint8_t* xEdges, int32_t xCount, const uint8_t* yEdges,
                                  int32_t yCount) {
  uint8_t work[kNeConvexMaxEdgePairs][2];
  int32_t count = 0;
  // A full list drops further pairs: the search then stops earlier, never
  // overruns.
  auto add = [&](uint8_t xe, uint8_t ye) {
    for (int32_t i = 0; i < count; ++i) {
      if (work[i][0] == xe && work[i][1] == ye) return;
    }
    if (count < kNeConvexMaxEdgePairs) {
      work[count][0] = xe;
      work[count][1] = ye;
      ++count;
    }
  };
  for (int32_t i = 0; i < xCount; ++i) {
    for (int32_t j = 0; j < yCount; ++j) add(xEdges[i], yEdges[j]);
  }

  for (int32_t pops = 0; count > 0 && pops < kMaxEdgePops; ++pops) {
    --count;
    const uint8_t xe = work[count][0], ye = work[count][1];
    const uint8_t* xr = x->topo.Edge(xe);
    const uint8_t* yr = y->topo.Edge(ye);
    const neVector3 a1 = x->WorldNormal(xr[0]);
    const neVector3 a2 = x->WorldNormal(xr[1]);
    neVector3 b1 = -y->WorldNormal(yr[0]);
    neVector3 b2 = -y->WorldNormal(yr[1]);
    if (triangleEdgeNormals) {
      // A triangle's two faces are exactly opposite, so its arcs are tilted
      // toward the edge's in-plane normal to give them a side.
      b1 = b1 + triangleEdgeNormals[ye] * kTriangleArcTilt;
      b2 = b2 + triangleEdgeNormals[ye] * kTriangleArcTilt;
      b1.Normalize();
      b2.Normalize();
    }
    const float cba = Triple(a1, a2, b1), dba = Triple(a1, a2, b2);
    const float adc = Triple(b1, b2, a1), bdc = Triple(b1, b2, a2);
    if (!(cba * dba < 0.0f && adc * bdc <= 0.0f && cba * bdc > 0.0f)) continue;

    const neVector3 xa = x->WorldVertex(xr[2]), xb = x->WorldVertex(xr[3]);
    const neVector3 ya = y->WorldVertex(yr[2]), yb = y->WorldVertex(yr[3]);
    neVector3 axis = (yb - ya).Cross(xa - xb);
    const float len = axis.Length();
    if (len < kNeZero) continue;
    axis *= 1.0f / len;
    const float o = axis.Dot(xa - ya);
    const float score = neSeparationScore(*hint, axis, o);
    if (score >= 0.0f) return false;
    if (!(score > bestScore)) continue;
    bestScore = score;
    plane = axis;
    offset = o;
    xIndex = xe;
    yIndex = ye;
    found = 2;
    for (int end = 2; end < 4; ++end) {
      const uint8_t* around = y->topo.VertexEdges(yr[end]);
      for (int32_t k = 0; around[k] != kNeListEnd; ++k) {
        if (around[k] != ye) add(xe, around[k]);
      }
    }
    for (int end = 2; end < 4; ++end) {
      const uint8_t* around = x->topo.VertexEdges(xr[end]);
      for (int32_t k = 0; around[k] != kNeListEnd; ++k) {
        if (around[k] != xe) add(around[k], ye);
      }
    }
  }
  return true;
}

bool neSegmentClosestPointsInside(const neVector3& a0, const neVector3& a1, const neVector3& b0,
                                  const neVector3& b1, neVector3& onA, neVector3& onB) {
  const neVector3 d1 = a1 - a0, d2 = b1 - b0;
  if (d1.IsZero() || d2.IsZero()) return false;
  const float aa = d1.LengthSquared(), bb = d2.LengthSquared(), ab = d1.Dot(d2);
  const float det = aa * bb - ab * ab;
  if (std::fabs(det) < kNeZero) return false;
  const neVector3 w = a0 - b0;
  const float t1 = (ab * d2.Dot(w) - bb * d1.Dot(w)) / det;
  const float t2 = (d2.Dot(w) + ab * t1) / bb;
  if (!(t1 >= 0.0f && t1 <= 1.0f && t2 >= 0.0f && t2 <= 1.0f)) return false;
  onA = a0 + d1 * t1;
  onB = b0 + d2 * t2;
  return true;
}

neVector3 nePolytopeCentre(const nePolytopeView& view) {
  neVector3 sum = neV3(0.0f, 0.0f, 0.0f);
  for (int32_t v = 0; v < view.topo.vertexCount; ++v) sum += view.WorldVertex(v);
  return sum * (1.0f / static_cast<float>(view.topo.vertexCount));
}

float nePolytopeInnerReach(const nePolytopeView& view, const neVector3& centre) {
  float reach = kFar;
  for (int32_t f = 0; f < view.topo.faceCount; ++f) {
    const neVector3 m = view.WorldNormal(f);
    const neVector3 onFace = view.WorldVertex(view.topo.FaceVertices(f)[0]);
    reach = neMin(reach, m.Dot(onFace - centre));
  }
  return reach > 0.0f ? reach : 0.0f;
}

neVector3 neInsideHint(const neVector3& centreA, float reachA, const neVector3& centreB,
                       float reachB) {
  const neVector3 h = centreA - centreB;
  if (!h.IsZero()) return h;
  // Coincident centres: the fixed nudge of the engine, shortened to stay
  // well inside both shapes.
  const float room = 0.5f * (reachA + reachB);
  const float nudge = neMin(0.1f, room * 0.57735026f);
  return neV3(-nudge, -nudge, -nudge);
}

bool neConvexSeparated(const nePolytopeView& a, const nePolytopeView& b) {
  const nePolytopeView* sides[2][2] = {{&a, &b}, {&b, &a}};
  for (const auto& side : sides) {
    const nePolytopeView& x = *side[0];
    const nePolytopeView& y = *side[1];
    for (int32_t f = 0; f < x.topo.faceCount; ++f) {
      const neVector3 m = x.WorldNormal(f);
      const float top = m.Dot(x.WorldVertex(x.topo.FaceVertices(f)[0]));
      if (top - m.Dot(y.WorldVertex(y.Support(m))) < 0.0f) return true;
    }
  }
  for (int32_t ea = 0; ea < a.topo.edgeCount; ++ea) {
    const uint8_t* xr = a.topo.Edge(ea);
    const neVector3 a1 = a.WorldNormal(xr[0]), a2 = a.WorldNormal(xr[1]);
    const neVector3 xa = a.WorldVertex(xr[2]), xb = a.WorldVertex(xr[3]);
    for (int32_t eb = 0; eb < b.topo.edgeCount; ++eb) {
      const uint8_t* yr = b.topo.Edge(eb);
      const neVector3 b1 = -b.WorldNormal(yr[0]), b2 = -b.WorldNormal(yr[1]);
      const float cba = Triple(a1, a2, b1), dba = Triple(a1, a2, b2);
      const float adc = Triple(b1, b2, a1), bdc = Triple(b1, b2, a2);
      if (!(cba * dba < 0.0f && adc * bdc < 0.0f && cba * bdc > 0.0f)) continue;
      const neVector3 ya = b.WorldVertex(yr[2]), yb = b.WorldVertex(yr[3]);
      neVector3 axis = (xb - xa).Cross(yb - ya);
      const float len = std::sqrt(axis.LengthSquared());
      if (!(len > 0.0f)) continue;
      axis *= 1.0f / len;
      // Outward from the difference: on the side of A's two faces.
      if (axis.Dot(a1 + a2) < 0.0f) axis = -axis;
      if (axis.Dot(xa - ya) < 0.0f) return true;
    }
  }
  return false;
}
