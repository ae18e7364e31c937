// The TIN graphics through the in-process host: hull outline, report text and
// triangle polygons, their layers, groups, classes, colours, undo
// registration, and the stops when memory runs low.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "plugin/host/KVESDK.h"
#include "plugin/host/Str255.h"
#include "plugin/output/Classes.h"
#include "plugin/output/TINGraphics.h"
#include "tests/support/HandBuiltTIN.h"
#include "tinhost/core/Host.h"

namespace {

using tinhost::DrawingObject;
using tinhost::ObjId;
using tinhost::UndoStep;

// A copy of the host's callback block whose memory level and object reset
// the test controls and watches; everything else goes to the host.
struct BlockSpy {
  KVHostBlock block{};
  const KVHostBlock* real = nullptr;
  std::function<bool()> memoryLow;  // true: FreeMem and PurgeSpace report nothing free
  std::vector<KVObj> resets;
  int createPolyCalls = 0;
  int refusePolyCall = 0;  // the n-th 2D polygon the host refuses (0: none)
};
BlockSpy* gSpy = nullptr;

class GraphicsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    spy.real = host.callbacks();
    spy.block = *host.callbacks();
    spy.block.FreeMem = [](KVCallback cb) -> std::int32_t {
      return gSpy->memoryLow && gSpy->memoryLow() ? 0 : gSpy->real->FreeMem(cb);
    };
    spy.block.PurgeSpace = [](KVCallback cb, std::int32_t* total, std::int32_t* contiguous) {
      gSpy->real->PurgeSpace(cb, total, contiguous);
      if (gSpy->memoryLow && gSpy->memoryLow()) *total = *contiguous = 0;
    };
    spy.block.ResetObject = [](KVCallback cb, KVObj obj) {
      gSpy->resets.push_back(obj);
      gSpy->real->ResetObject(cb, obj);
    };
    spy.block.CreatePolyshape = [](KVCallback cb) -> KVObj {
      return ++gSpy->createPolyCalls == gSpy->refusePolyCall ? 0 : gSpy->real->CreatePolyshape(cb);
    };
    gSpy = &spy;
    gKVCallback = &spy.block;
    RegisterClasses(gKVCallback);

    tin = new TTIN(nullptr);
    ASSERT_NE(tin, nullptr);
    tin->InitVars(gKVCallback);
    ASSERT_TRUE(BuildSquareTIN(tin, 1000, 2000, 400, 10, 40, &made));
    host.beginCommand();
  }
  void TearDown() override {
    delete tin;
    host.endCommand();
    EXPECT_TRUE(host.diagnostics().empty()) << host.diagnostics().front();
    EXPECT_EQ(host.memory().stats().pluginBlocks, 0u);
    gKVCallback = nullptr;
    gSpy = nullptr;
  }

  const tinhost::Document& doc() const { return host.document(); }
  ObjId LayerNamed(const std::string& name) const {
    for (ObjId layer : doc().layers())
      if (doc().get(layer).name == name) return layer;
    return 0;
  }
  std::string Name2D() const { return std::string(PView(tin->fTINParams.layer2DName)); }
  std::string Name3D() const { return std::string(PView(tin->fTINParams.layer3DName)); }
  // Objects registered for undo as created, layers (which the host
  // registers itself) left out.
  std::vector<ObjId> UndoCreated() const {
    std::vector<ObjId> ids;
    for (const UndoStep& s : host.undoLog().pending()->steps)
      if (s.kind == UndoStep::Kind::Created)
        for (ObjId id = s.id; id != s.id + s.count; ++id)
          if (doc().get(id).type != kKVTypeLayer) ids.push_back(id);
    return ids;
  }
  // The polygons expected for triangle i, in corner order.
  void ExpectTrianglePoly(const DrawingObject& poly, int i, bool want3D) const {
    SCOPED_TRACE(testing::Message() << "triangle " << i << (want3D ? " 3D" : " 2D"));
    EXPECT_EQ(poly.type, want3D ? kKVTypePoly3D : kKVTypePoly2D);
    EXPECT_EQ(poly.objectClass, ClassID(want3D ? kClass3DTriangle : kClass2DTriangle));
    EXPECT_TRUE(poly.closed);
    ASSERT_EQ(poly.vertices.size(), 3u);
    for (int c = 0; c < 3; ++c) {
      const TTINVtx* v = made.triangles[i]->fVertices[c];
      EXPECT_EQ(poly.vertices[c].x, v->x);
      EXPECT_EQ(poly.vertices[c].y, v->y);
      EXPECT_EQ(poly.vertices[c].z, want3D ? v->z : 0);
    }
  }

  tinhost::Host host;
  BlockSpy spy;
  TTIN* tin = nullptr;
  HandBuiltTIN made;
};

// --------------------------------------------------------------- triangles

TEST_F(GraphicsTest, GroupedTrianglesGoIntoOneGroupPerLayerRegisteredThroughTheGroup) {
  tin->fTINParams.want2DTris = tin->fTINParams.want3DTris = tin->fTINParams.makeGroups = true;
  const ObjId current = doc().currentLayer();
  EXPECT_EQ(tin->MakeGroupAndPolysForTriangles(), kNoErr);

  EXPECT_EQ(doc().currentLayer(), current);
  std::vector<ObjId> groups;
  for (bool want3D : {false, true}) {
    const auto onLayer = doc().members(LayerNamed(want3D ? Name3D() : Name2D()));
    ASSERT_EQ(onLayer.size(), 1u);
    const DrawingObject& group = doc().get(onLayer[0]);
    EXPECT_EQ(group.type, kKVTypeGroup);
    EXPECT_EQ(group.objectClass, ClassID(kClassGroup));
    const auto polys = doc().members(group.id);
    ASSERT_EQ(polys.size(), 4u);
    for (int i = 0; i < 4; ++i) ExpectTrianglePoly(doc().get(polys[i]), i, want3D);
    groups.push_back(group.id);
  }
  // Only the groups are registered for undo, and each is reset once filled.
  EXPECT_EQ(UndoCreated(), groups);
  EXPECT_EQ(spy.resets, groups);
}

TEST_F(GraphicsTest, UngroupedTrianglesGoStraightOntoTheLayerEachRegistered) {
  tin->fTINParams.want2DTris = false;
  tin->fTINParams.want3DTris = true;
  tin->fTINParams.makeGroups = false;
  EXPECT_EQ(tin->MakeGroupAndPolysForTriangles(), kNoErr);

  const auto polys = doc().members(LayerNamed(Name3D()));
  ASSERT_EQ(polys.size(), 4u);
  for (int i = 0; i < 4; ++i) ExpectTrianglePoly(doc().get(polys[i]), i, true);
  EXPECT_EQ(UndoCreated(), polys);
  EXPECT_TRUE(spy.resets.empty());
  EXPECT_EQ(LayerNamed(Name2D()), 0u) << "the 2D layer is neither found nor made";
  EXPECT_EQ(tin->MakeOnePolyForEachTriangle(0, true), kNoErr) << "no container: nothing";
}

TEST_F(GraphicsTest, RefusedPolygonIsSkippedAndTheOthersAreMade) {
  spy.refusePolyCall = 2;
  const ObjId layer = doc().currentLayer();
  EXPECT_EQ(tin->MakeOnePolyForEachTriangle(layer, false), kNoErr);
  const auto polys = doc().members(layer);
  ASSERT_EQ(polys.size(), 3u);
  ExpectTrianglePoly(doc().get(polys[1]), 2, false);
}

// --------------------------------------------------------------- memory stops

TEST_F(GraphicsTest, LowMemoryStopsBeforeOrAfterATriangleKeepingWhatWasDrawn) {
  tin->fTINParams.want3DTris = tin->fTINParams.makeGroups = true;
  tin->fTINParams.want2DTris = false;
  spy.memoryLow = [] { return true; };
  EXPECT_EQ(tin->MakeGroupAndPolysForTriangles(), kErrTriMemLowBefore);
  const auto onLayer = doc().members(LayerNamed(Name3D()));
  ASSERT_EQ(onLayer.size(), 1u);
  EXPECT_EQ(doc().memberCount(onLayer[0]), 0u);
  EXPECT_TRUE(spy.resets.empty()) << "a stopped group is not reset";

  const ObjId layer = doc().currentLayer();
  spy.memoryLow = [this, layer] { return doc().memberCount(layer) >= 2; };
  EXPECT_EQ(tin->MakeOnePolyForEachTriangle(layer, true), kErrTriMemLowAfter);
  const auto polys = doc().members(layer);
  ASSERT_EQ(polys.size(), 2u);
  ExpectTrianglePoly(doc().get(polys[1]), 1, true);
}

// The result is the last pass's code: a failed 2D pass does not stop the 3D
// pass, and a failed 3D pass wins over a good 2D pass.
TEST_F(GraphicsTest, ThreeDPassRunsAfterTwoDErrorAndItsCodeIsTheResult) {
  tin->fTINParams.want2DTris = tin->fTINParams.want3DTris = true;
  tin->fTINParams.makeGroups = false;
  std::string lowOn = Name2D();
  spy.memoryLow = [this, &lowOn] { return doc().get(doc().currentLayer()).name == lowOn; };
  EXPECT_EQ(tin->MakeGroupAndPolysForTriangles(), kNoErr);
  EXPECT_EQ(doc().memberCount(LayerNamed(Name2D())), 0u);
  EXPECT_EQ(doc().memberCount(LayerNamed(Name3D())), 4u);

  lowOn = Name3D();
  EXPECT_EQ(tin->MakeGroupAndPolysForTriangles(), kErrTriMemLowBefore);
  EXPECT_EQ(doc().memberCount(LayerNamed(Name2D())), 4u);
}

// --------------------------------------------------------------- hull and text

TEST_F(GraphicsTest, HullPolygonsFollowTheHullOrder) {
  const KVObj plain = tin->MakePlainPolyOfHull();
  ASSERT_NE(plain, 0u);
  EXPECT_EQ(doc().get(plain).parent, 0u) << "in no container";
  EXPECT_TRUE(doc().get(plain).closed);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(doc().get(plain).vertices.at(i).y, made.corners[i]->y) << i;
  KV_DeleteObject(gKVCallback, plain);

  const ObjId current = doc().currentLayer();
  tin->MakeOnePolyConvexHull();
  EXPECT_EQ(doc().currentLayer(), current);
  const auto onLayer = doc().members(LayerNamed(Name2D()));
  ASSERT_EQ(onLayer.size(), 1u);
  const DrawingObject& hull = doc().get(onLayer[0]);
  EXPECT_EQ(hull.fillPattern, 0);
  EXPECT_EQ(hull.color[2], 138);
  EXPECT_EQ(hull.objectClass, ClassID(kClassHull));
  EXPECT_TRUE(hull.closed);
  EXPECT_EQ(hull.vertices.size(), 4u);
  EXPECT_EQ(UndoCreated(), std::vector<ObjId>{hull.id});
}

// A report text is centred on the hull's bounding box, or on the origin when
// the TIN has no hull; the temporary hull polygon does not stay.
TEST_F(GraphicsTest, ReportTextIsCentredOnTheHullBox) {
  for (const bool withHull : {true, false}) {
    if (!withHull) {
      tin->fConvexHullVtxList->Free();
      tin->fConvexHullVtxList = nullptr;
    }
    Str255 text;
    PFromView(text, "Area: 16 m2", kTextCapacity);
    tin->CreateTextObject(text);
    const auto onLayer = doc().members(LayerNamed(Name2D()));
    ASSERT_FALSE(onLayer.empty());
    const DrawingObject& block = doc().get(onLayer.back());
    EXPECT_EQ(block.text, "Area: 16 m2");
    EXPECT_EQ(block.objectClass, ClassID(kClassResultText));
    const tinhost::Rect r = doc().bounds(block.id);
    EXPECT_NEAR((r.left + r.right) / 2.0, withHull ? 1200 : 0, 1);
    EXPECT_NEAR((r.top + r.bottom) / 2.0, withHull ? 2200 : 0, 1);
    EXPECT_EQ(UndoCreated().back(), block.id);
  }
  EXPECT_EQ(host.endCommand(), 0u) << "no free object is left";
  host.beginCommand();
}

}  // namespace
