// Contour output: objects, classes, looks, labels, groups and undo; the
// smoothed curve's vertices and their bounds; contour spacing; the memory
// codes; the host's curve through control points; and smoothed contours of
// real terrain that do not cross (checked on the curve the host draws).
#include <cmath>
#include <numbers>

#include "ContourFixture.h"
#include "plugin/contour/ContourErrors.h"
#include "plugin/contour/ContourSpacing.h"
#include "plugin/host/KVESDK.h"
#include "plugin/output/Classes.h"
#include "plugin/triangulate/PointLocation.h"
#include "plugin/triangulate/VtxCollection.h"
#include "tinhost/core/Curves.h"

namespace {

using tinhost::DrawingObject;
using tinhost::ObjId;

class Output : public ContourTest {
 protected:
  void SetUp() override {
    ContourTest::SetUp();
    RegisterClasses(host.callbacks());
    host.beginCommand();
  }

  ObjId LayerNamed(const unsigned char* name) {
    for (ObjId l : host.document().layers())
      if (host.document().get(l).name == PView(name)) return l;
    return 0;
  }
  const DrawingObject& Obj(ObjId id) { return host.document().get(id); }
  std::vector<ObjId> Members(ObjId container) { return host.document().members(container); }

  // A cone 10000 high around the middle of an 11 x 11 grid: closed contours
  // near the top, open ones cut off at the corners below 5000.
  TTIN* Cone() {
    TTIN* tin = GridTIN(11, 11, 1000, 1, [](int i, int j) {
      return static_cast<std::int32_t>(10000 - 1000 * std::hypot(i - 5, j - 5));
    }, false);
    TraceMap(tin, 1000, 0, INT32_MIN, INT32_MAX, 3);  // index contours at 3000, 6000, 9000
    return tin;
  }

  // A map of hand-made polylines on `tin`.
  TTINContourMap* HandMap(TTIN* tin, const std::vector<std::pair<std::vector<Pt>, bool>>& lines,
                          std::int32_t z = 0) {
    delete tin->fContourMap;
    tin->fContourMap = new TTINContourMap();
    for (const auto& [pts, closed] : lines) {
      TTINContourPolyline* line = TTINContourPolyline::New(z, true);
      for (const Pt& p : pts) line->AddPoint({p.first, p.second});
      line->SetClosedFlag(closed);
      EXPECT_TRUE(tin->fContourMap->AppendPolyline(line));
    }
    return tin->fContourMap;
  }

  std::vector<ObjId> CreatedSteps() {
    std::vector<ObjId> out;
    for (const tinhost::UndoStep& s : host.undoLog().pending()->steps)
      if (s.kind == tinhost::UndoStep::Kind::Created)
        for (ObjId id = s.id; id != s.id + s.count; ++id)
          if (Obj(id).type != kKVTypeLayer) out.push_back(id);
    return out;
  }
};

TEST_F(Output, ContoursGetTheirClassesLooksAndLabelsAndEachIsRegisteredForUndo) {
  TTIN* tin = Cone();
  const std::vector<const TTINContourPolyline*> lines = Polylines(tin->fContourMap);
  const ObjId current = host.document().currentLayer();
  ASSERT_EQ(tin->MakeGroupAndPolysForContourPolylines(kContourCorners, true, true, true, false), kNoErr);
  EXPECT_EQ(host.document().currentLayer(), current);

  const ObjId layer2D = LayerNamed(tin->fTINParams.layer2DName);
  const ObjId layer3D = LayerNamed(tin->fTINParams.layer3DName);
  ASSERT_NE(layer2D, 0u);
  ASSERT_NE(layer3D, 0u);
  std::vector<ObjId> polys2D, labels;
  for (ObjId id : Members(layer2D)) (Obj(id).type == kKVTypeText ? labels : polys2D).push_back(id);
  const std::vector<ObjId> polys3D = Members(layer3D);
  ASSERT_EQ(polys2D.size(), lines.size());
  ASSERT_EQ(polys3D.size(), lines.size());

  std::size_t openIndex = 0, closedIndex = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const TTINContourPolyline* line = lines[i];
    const DrawingObject& p2 = Obj(polys2D[i]);
    const DrawingObject& p3 = Obj(polys3D[i]);
    EXPECT_EQ(p2.type, kKVTypePoly2D);
    EXPECT_EQ(p2.objectClass, ClassID(line->IsMajor() ? kClass2DIndexContour : kClass2DContour));
    EXPECT_EQ(p3.objectClass, ClassID(line->IsMajor() ? kClass3DIndexContour : kClass3DContour));
    EXPECT_EQ(p2.color[2], 210);
    EXPECT_EQ(p3.color[2], 216);
    EXPECT_EQ(p2.lineWeight, line->IsMajor() ? 30 : 15);
    EXPECT_EQ(p3.lineWeight, line->IsMajor() ? 30 : 15);
    EXPECT_EQ(p2.fillPattern, 0);
    EXPECT_EQ(p2.closed, line->IsClosed());
    EXPECT_EQ(p3.closed, line->IsClosed());
    ASSERT_EQ(p2.vertices.size(), static_cast<std::size_t>(line->GetCount()));
    ASSERT_EQ(p3.vertices.size(), static_cast<std::size_t>(line->GetCount()));
    for (std::int32_t k = 0; k < line->GetCount(); ++k) {
      const TContourPt& q = line->GetPoint(k);
      EXPECT_EQ(p2.vertices[k], (tinhost::Vertex{q.x, q.y, 0, kKVVertexCorner}));
      EXPECT_EQ(p3.vertices[k], (tinhost::Vertex{q.x, q.y, line->GetElevation(), kKVVertexCorner}));
    }
    if (line->IsMajor()) ++(line->IsClosed() ? closedIndex : openIndex);
  }
  ASSERT_GT(openIndex, 0u);
  ASSERT_GT(closedIndex, 0u);

  // Two labels per open index contour, in order, same text, centred on its ends.
  ASSERT_EQ(labels.size(), 2 * openIndex);
  std::size_t next = 0;
  for (const TTINContourPolyline* line : lines) {
    if (!line->IsMajor() || line->IsClosed()) continue;
    Str255 text;
    KV_CoordToDimString(host.callbacks(), line->GetElevation(), text);
    for (const TContourPt& end : {line->GetPoint(0), line->GetPoint(line->GetCount() - 1)}) {
      const DrawingObject& block = Obj(labels[next++]);
      EXPECT_EQ(block.text, std::string(PView(text)));
      EXPECT_EQ(block.objectClass, ClassID(kClassContourLabel));
      const tinhost::Rect r = host.document().bounds(block.id);
      EXPECT_LE(std::abs((r.left + r.right) / 2 - end.x), 1);
      EXPECT_LE(std::abs((r.top + r.bottom) / 2 - end.y), 1);
    }
  }

  std::vector<ObjId> all = polys2D;
  all.insert(all.end(), labels.begin(), labels.end());
  all.insert(all.end(), polys3D.begin(), polys3D.end());
  std::vector<ObjId> created = CreatedSteps();
  std::sort(all.begin(), all.end());
  std::sort(created.begin(), created.end());
  EXPECT_EQ(created, all);
}

TEST_F(Output, WithGroupsOnlyTheGroupsAreRegisteredAndTheyHoldEverything) {
  TTIN* tin = Cone();
  const std::size_t n = Polylines(tin->fContourMap).size();
  ASSERT_EQ(tin->MakeGroupAndPolysForContourPolylines(kContourCorners, true, true, true, true), kNoErr);
  const std::vector<ObjId> groups2D = Members(LayerNamed(tin->fTINParams.layer2DName));
  const std::vector<ObjId> groups3D = Members(LayerNamed(tin->fTINParams.layer3DName));
  ASSERT_EQ(groups2D.size(), 1u);
  ASSERT_EQ(groups3D.size(), 1u);
  for (ObjId g : {groups2D[0], groups3D[0]}) {
    EXPECT_EQ(Obj(g).type, kKVTypeGroup);
    EXPECT_EQ(Obj(g).objectClass, ClassID(kClassGroup));
  }
  EXPECT_GT(Members(groups2D[0]).size(), n);  // contours and labels
  EXPECT_EQ(Members(groups3D[0]).size(), n);
  std::vector<ObjId> created = CreatedSteps();
  std::sort(created.begin(), created.end());
  EXPECT_EQ(created, (std::vector<ObjId>{groups2D[0], groups3D[0]}));
}

// ---------------------------------------------------------------------------
// Smoothing.

// The 2D contour objects made from a hand-made map, smoothed.
std::vector<std::vector<tinhost::Vertex>> SmoothedVertices(TTIN* tin, tinhost::Host& host,
                                                           const unsigned char* layerName) {
  EXPECT_EQ(tin->MakeGroupAndPolysForContourPolylines(kContourSmoothed, true, false, true, false), kNoErr);
  std::vector<std::vector<tinhost::Vertex>> out;
  for (ObjId l : host.document().layers())
    if (host.document().get(l).name == PView(layerName))
      for (ObjId id : host.document().members(l))
        if (const auto& o = host.document().get(id); o.type == kKVTypePoly2D)
          out.emplace_back(o.vertices.begin(), o.vertices.end());
  return out;
}

TEST_F(Output, SmoothedStraightPolylinesKeepCornerVerticesOnly) {
  TTIN* tin = GridTIN(6, 6, 1000, 1, [](int i, int) { return 10 * i; }, false);
  HandMap(tin, {{{{100, 100}, {4000, 3000}}, false}, {{{100, 100}, {1100, 600}, {3100, 1600}}, false}});
  const auto polys = SmoothedVertices(tin, host, tin->fTINParams.layer2DName);
  ASSERT_EQ(polys.size(), 2u);
  EXPECT_EQ(polys[0], (std::vector<tinhost::Vertex>{{100, 100, 0, 0}, {4000, 3000, 0, 0}}));
  EXPECT_EQ(polys[1], (std::vector<tinhost::Vertex>{{100, 100, 0, 0}, {1100, 600, 0, 0}, {3100, 1600, 0, 0}}));
}

TEST_F(Output, SmoothedBendsGetMirroredControlPointsWithinAThirdAndTheSpacing) {
  // A plane rising 10 per 1000 in x: with interval 10 contours lie 1000 apart.
  TTIN* tin = GridTIN(11, 11, 1000, 1, [](int i, int) { return 10 * i; }, false);
  tin->fTINParams.contourInterval = 10;
  const std::vector<Pt> open{{500, 500}, {1400, 800}, {6000, 6000}, {9500, 2000}};
  const std::vector<Pt> closed{{2000, 2000}, {8000, 2500}, {5000, 9000}};
  HandMap(tin, {{open, false}, {closed, true}});
  const auto polys = SmoothedVertices(tin, host, tin->fTINParams.layer2DName);
  ASSERT_EQ(polys.size(), 2u);
  EXPECT_DOUBLE_EQ(tin->fMinDistToNextCont, 1000.0);

  // Open: corner, (B, F) for each interior point, corner.
  const std::vector<tinhost::Vertex>& v = polys[0];
  ASSERT_EQ(v.size(), 6u);
  EXPECT_EQ(v.front(), (tinhost::Vertex{500, 500, 0, 0}));
  EXPECT_EQ(v.back(), (tinhost::Vertex{9500, 2000, 0, 0}));
  auto check = [](const std::vector<Pt>& pts, std::size_t i, const tinhost::Vertex& b,
                  const tinhost::Vertex& f) {
    const Pt p = pts[i % pts.size()], prev = pts[(i + pts.size() - 1) % pts.size()], nxt = pts[(i + 1) % pts.size()];
    EXPECT_EQ(b.kind, kKVVertexControl);
    EXPECT_EQ(f.kind, kKVVertexControl);
    EXPECT_EQ(b.x + f.x, 2 * p.first);  // mirrored exactly about the point
    EXPECT_EQ(b.y + f.y, 2 * p.second);
    const double c = std::hypot(f.x - p.first, f.y - p.second);
    const double lin = std::hypot(p.first - prev.first, p.second - prev.second);
    const double lout = std::hypot(nxt.first - p.first, nxt.second - p.second);
    const double want = std::min({lin / 3, lout / 3, 1000.0});
    EXPECT_NEAR(c, want, 1.5) << i;
    // F lies on the bisecting tangent: as far from the incoming line as from the outgoing one.
    auto side = [&](Pt a, Pt b2) {
      return std::abs((b2.first - a.first) * double(f.y - a.second) - (b2.second - a.second) * double(f.x - a.first)) /
             std::hypot(b2.first - a.first, b2.second - a.second);
    };
    EXPECT_NEAR(side(prev, p), side(p, nxt), 2.0) << i;
  };
  check(open, 1, v[1], v[2]);
  check(open, 2, v[3], v[4]);

  // Closed: a pair for points 1, 2, then 0; no corners, no labels.
  const std::vector<tinhost::Vertex>& w = polys[1];
  ASSERT_EQ(w.size(), 6u);
  check(closed, 1, w[0], w[1]);
  check(closed, 2, w[2], w[3]);
  check(closed, 0, w[4], w[5]);
  for (ObjId id : Members(LayerNamed(tin->fTINParams.layer2DName))) {
    if (Obj(id).type != kKVTypeText) continue;
    // Only the open index contour is labelled, at its two ends.
    const tinhost::Rect r = host.document().bounds(id);
    const Pt centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    EXPECT_TRUE(std::abs(centre.first - 500) <= 1 || std::abs(centre.first - 9500) <= 1);
  }
}

TEST_F(Output, SpacingOfTrianglesAndSegments) {
  const TTINVtx a(0, 0, 0), b(0, 1000, 0), c(1000, 0, 100), d(1000, 1000, 100), e(0, 500, 50);
  TTINTriangle t;
  const TTINVtx* corners[3] = {&a, &b, &c};  // low and mid level: D = 1000, slope 0.1
  for (int k = 0; k < 3; ++k) t.fVertices[k] = const_cast<TTINVtx*>(corners[k]);
  EXPECT_DOUBLE_EQ(ComputeTriDistToNextCont(&t, 10), 100.0);
  t.fVertices[1] = const_cast<TTINVtx*>(&d);  // mid and high level: D from a to line c-d
  EXPECT_DOUBLE_EQ(ComputeTriDistToNextCont(&t, 10), 100.0);
  // General: the level line through e (z 50) meets a-c at (500, 0); D from c
  // to the line x + y = 500 is 500/sqrt(2); slope (100 - 0) / D.
  t.fVertices[1] = const_cast<TTINVtx*>(&e);
  EXPECT_NEAR(ComputeTriDistToNextCont(&t, 10), 10 * (500 / std::sqrt(2.0)) / 100, 1e-9);
  t.fVertices[1] = const_cast<TTINVtx*>(&a);
  t.fVertices[2] = const_cast<TTINVtx*>(&b);
  const TTINVtx f(7, 7, 0);
  t.fVertices[0] = const_cast<TTINVtx*>(&f);
  EXPECT_EQ(ComputeTriDistToNextCont(&t, 10), 0.0);  // horizontal

  // Along a TIN: z = i * i * 10 makes the spacing shrink eastwards.
  TTIN* tin = GridTIN(6, 3, 1000, 1, [](int i, int) { return 10 * i * i; }, false);
  double minimum = 1e300;
  for (TTINTriangle* tri : Triangles(tin)) minimum = std::min(minimum, ComputeTriDistToNextCont(tri, 10));
  tin->fMinDistToNextCont = minimum;
  tin->fSpacingInterval = 10;
  std::int16_t edge = -1;
  const TTINTriangle* west = GetTriangleInWhichXYFalls(tin, KVPoint2D{600, 400}, &edge);
  ASSERT_NE(west, nullptr);
  EXPECT_DOUBLE_EQ(GetDistToNextCont(tin, {300, 500}, {500, 700}, nullptr), ComputeTriDistToNextCont(west, 10));
  // Both ends vertices: the smaller spacing of the two triangles of that edge.
  const TTINVtx *p = GetVtxAtXY(tin, 2000, 0), *q = GetVtxAtXY(tin, 2000, 1000);
  double expect = 1e300;
  for (const TTINTriangle* tri : Triangles(tin))
    if (tri->IndexOfVertex(p) >= 0 && tri->IndexOfVertex(q) >= 0) expect = std::min(expect, ComputeTriDistToNextCont(tri, 10));
  EXPECT_DOUBLE_EQ(GetDistToNextCont(tin, {2000, 1000}, {2000, 0}, nullptr), expect);
  TVtxXYIndex index;
  ASSERT_TRUE(index.Build(tin));
  EXPECT_DOUBLE_EQ(GetDistToNextCont(tin, {2000, 1000}, {2000, 0}, &index), expect);
  EXPECT_EQ(index.Find(2000, 1000), GetVtxAtXY(tin, 2000, 1000));
  EXPECT_EQ(index.Find(2001, 1000), nullptr);
  // Outside the TIN no spacing is known: the TIN's smallest.
  EXPECT_DOUBLE_EQ(GetDistToNextCont(tin, {-5000, -5000}, {-4000, -5000}, nullptr), minimum);
}

// ---------------------------------------------------------------------------
// Memory.

std::int32_t gFreeMemCalls = 0;
std::int32_t gFreeMemGoodCalls = 0;

TEST_F(Output, MemoryShortBeforeOrAfterAPolylineStopsTheOutput) {
  TTIN* tin = Cone();
  host.memory().overridePurgeSpace(0, 0);
  KVHostBlock block = *host.callbacks();
  block.FreeMem = [](KVCallback) -> std::int32_t {
    return gFreeMemCalls++ < gFreeMemGoodCalls ? 0x100000 : 0x20000;
  };
  gKVCallback = &block;

  gFreeMemCalls = 0;
  gFreeMemGoodCalls = 0;  // short from the start
  EXPECT_EQ(tin->MakeGroupAndPolysForContourPolylines(kContourCorners, true, false, false, false),
            kErrContourOutputMemBefore);
  EXPECT_TRUE(CreatedSteps().empty());

  gFreeMemCalls = 0;
  gFreeMemGoodCalls = 1;  // enough before the first polyline, short after it
  EXPECT_EQ(tin->MakeGroupAndPolysForContourPolylines(kContourCorners, true, false, false, false),
            kErrContourOutputMemAfter);
  EXPECT_EQ(CreatedSteps().size(), 1u);
  gKVCallback = host.callbacks();
}

// ---------------------------------------------------------------------------
// The host's curve.

TEST(HostCurve, CornersAreOnTheCurveAndMirroredControlPointsPassThroughTheirCentre) {
  using tinhost::Vertex;
  const std::vector<Vertex> corners{{0, 0, 0, 0}, {10, 0, 0, 0}, {10, 10, 0, 0}};
  const auto line = tinhost::EvaluatePolyshapeCurve(corners, false);
  ASSERT_EQ(line.size(), 3u);
  EXPECT_EQ(line[2].x, 10.0);
  EXPECT_EQ(line[2].y, 10.0);

  // Corner, B, F about (50, 50), corner: the curve passes through (50, 50).
  const std::vector<Vertex> bend{{0, 0, 0, 0}, {40, 60, 0, 1}, {60, 40, 0, 1}, {100, 0, 0, 0}};
  const auto curve = tinhost::EvaluatePolyshapeCurve(bend, false, 4);
  ASSERT_EQ(curve.size(), 1u + 2 * 4);  // two arcs meeting at the implied point
  EXPECT_EQ(curve[4].x, 50.0);
  EXPECT_EQ(curve[4].y, 50.0);
  EXPECT_EQ(curve.back().x, 100.0);
  EXPECT_EQ(curve.back().y, 0.0);
  // Each arc stays within its control triangle: nothing above y = 60 or left of x = 0.
  for (const auto& p : curve) EXPECT_TRUE(p.y <= 60.0 && p.x >= 0.0);

  // A closed curve of control points only closes on itself through the midpoints.
  const std::vector<Vertex> ring{{0, 0, 0, 1}, {10, 0, 0, 1}, {10, 10, 0, 1}, {0, 10, 0, 1}};
  const auto loop = tinhost::EvaluatePolyshapeCurve(ring, true, 2);
  ASSERT_EQ(loop.size(), 1u + 4 * 2);
  EXPECT_EQ(loop.front().x, loop.back().x);
  EXPECT_EQ(loop.front().y, loop.back().y);
  EXPECT_EQ(loop[2].x, 10.0);  // the midpoint of (10, 0) and (10, 10)
  EXPECT_EQ(loop[2].y, 5.0);
}

// ---------------------------------------------------------------------------
// Smoothed contours of real terrain do not cross.

struct Segment2 {
  tinhost::CurvePoint a, b;
  std::int32_t z;
};

// Proper crossings between pieces of different elevations, found through a
// uniform grid of cells.
std::size_t CountCrossings(const std::vector<Segment2>& segs, double cell) {
  std::map<std::pair<long, long>, std::vector<std::size_t>> grid;
  for (std::size_t i = 0; i < segs.size(); ++i) {
    const auto& s = segs[i];
    const long x0 = std::lround(std::floor(std::min(s.a.x, s.b.x) / cell)), x1 = std::lround(std::floor(std::max(s.a.x, s.b.x) / cell));
    const long y0 = std::lround(std::floor(std::min(s.a.y, s.b.y) / cell)), y1 = std::lround(std::floor(std::max(s.a.y, s.b.y) / cell));
    for (long x = x0; x <= x1; ++x)
      for (long y = y0; y <= y1; ++y) grid[{x, y}].push_back(i);
  }
  auto orient = [](const tinhost::CurvePoint& p, const tinhost::CurvePoint& q, const tinhost::CurvePoint& r) {
    const double v = (q.x - p.x) * (r.y - p.y) - (q.y - p.y) * (r.x - p.x);
    return v > 1e-6 ? 1 : (v < -1e-6 ? -1 : 0);
  };
  std::set<std::pair<std::size_t, std::size_t>> found;
  for (const auto& [key, ids] : grid)
    for (std::size_t i = 0; i < ids.size(); ++i)
      for (std::size_t j = i + 1; j < ids.size(); ++j) {
        const Segment2 &s = segs[ids[i]], &t = segs[ids[j]];
        if (s.z == t.z) continue;
        if (orient(s.a, s.b, t.a) * orient(s.a, s.b, t.b) < 0 && orient(t.a, t.b, s.a) * orient(t.a, t.b, s.b) < 0)
          found.insert({ids[i], ids[j]});
      }
  return found.size();
}

TEST_F(Output, SmoothedContoursOfRealTerrainDoNotCross) {
  const std::vector<XYZ> pts = ReadPointsCSV("volcano/volcano_points.csv", 2);
  ASSERT_FALSE(pts.empty());
  TErr err = -1;
  TTIN* tin = BuiltTIN(pts, &err);
  ASSERT_EQ(err, kNoErr);
  const std::vector<const TTINContourPolyline*> lines = Polylines(TraceMap(tin, 100, 0));
  ASSERT_GT(lines.size(), 100u);
  ASSERT_EQ(tin->MakeGroupAndPolysForContourPolylines(kContourSmoothed, true, false, false, false), kNoErr);
  const std::vector<ObjId> polys = Members(LayerNamed(tin->fTINParams.layer2DName));
  ASSERT_EQ(polys.size(), lines.size());

  std::vector<Segment2> curves, raw;
  std::size_t controls = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const DrawingObject& o = Obj(polys[i]);
    for (const tinhost::Vertex& v : o.vertices) controls += v.kind == kKVVertexControl;
    const auto curve = tinhost::EvaluatePolyshapeCurve(o.vertices, o.closed, 6);
    for (std::size_t k = 0; k + 1 < curve.size(); ++k) curves.push_back({curve[k], curve[k + 1], lines[i]->GetElevation()});
    const std::vector<Pt> p = PointsOf(lines[i]);
    for (std::size_t k = 0; k < p.size(); ++k) {
      if (k + 1 == p.size() && !lines[i]->IsClosed()) break;
      const Pt q = p[(k + 1) % p.size()];
      raw.push_back({{double(p[k].first), double(p[k].second)}, {double(q.first), double(q.second)}, lines[i]->GetElevation()});
    }
  }
  EXPECT_GT(controls, 1000u);  // the curves do bend
  EXPECT_EQ(CountCrossings(raw, 500.0), 0u);
  EXPECT_EQ(CountCrossings(curves, 500.0), 0u);
}

}  // namespace
