// A fresh in-process host per test, installed as the module's callback value;
// TINs built from loci and 3D polygons on a layer, or from vertices placed
// straight into the model; and the invariant checker as an assertion.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "plugin/host/KVUTIL.h"
#include "plugin/host/PluginMemory.h"
#include "plugin/host/Str255.h"
#include "plugin/model/TKestSortedLList.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINTriangle.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/model/TTINVtxTriMgr.h"
#include "plugin/triangulate/TINChecker.h"
#include "tinhost/core/Host.h"

struct XYZ {
  std::int32_t x, y, z;
};

// The TIN's invariants, as a gtest assertion with the first violation.
inline ::testing::AssertionResult TINIsValid(const TTIN* tin, TTINCheckOptions options = {}) {
  char msg[256];
  if (CheckTIN(tin, options, msg, sizeof msg)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << msg;
}

class TriTest : public ::testing::Test {
 protected:
  void SetUp() override { gKVCallback = host.callbacks(); }
  void TearDown() override {
    for (TTIN* t : tins_) delete t;
    tins_.clear();
    EXPECT_TRUE(host.memory().misuse().empty()) << host.memory().misuse().front();
    const tinhost::MemoryStats s = host.memory().stats();
    EXPECT_EQ(s.pluginBlocks + s.pluginHandles, 0u) << "the plug-in leaked memory";
    gKVCallback = nullptr;
  }

  // A TIN named after `layerName`, with its builder; freed after the test.
  TTIN* NewTIN(const std::string& layerName = "Ground", bool useBrklns = false) {
    TTIN* tin = new TTIN(nullptr);
    tin->InitVars(host.callbacks());
    EXPECT_TRUE(tin->MakeVtxTriMgr());
    PFromView(tin->fTINParams.tinName, layerName, kNameCapacity);
    tin->fTINParams.useBrklns = useBrklns;
    tins_.push_back(tin);
    return tin;
  }

  tinhost::ObjId Layer(const std::string& name = "Ground") {
    for (tinhost::ObjId l : host.document().layers())
      if (host.document().get(l).name == name) return l;
    return host.document().createLayer(name, 1.0);
  }

  void AddLoci(const std::vector<XYZ>& pts, const std::string& layer = "Ground") {
    const tinhost::ObjId l = Layer(layer);
    for (const XYZ& p : pts) host.document().addLocus(l, p.x, p.y, p.z);
  }

  tinhost::ObjId AddPoly(const std::vector<XYZ>& pts, bool closed = false,
                         const std::string& layer = "Ground") {
    tinhost::Document& doc = host.document();
    const tinhost::ObjId poly = doc.createObject(kKVTypePoly3D);
    for (const XYZ& p : pts) doc.addVertex(poly, tinhost::Vertex{p.x, p.y, p.z, kKVVertexCorner});
    doc.setClosed(poly, closed);
    doc.addToContainer(poly, Layer(layer));
    return poly;
  }

  // Vertices put straight into a new vertex list, bypassing collection.
  static std::vector<TTINVtx*> PlaceVertices(TTIN* tin, const std::vector<XYZ>& pts) {
    tin->fTINVtxListByZ = TKestSortedLList::New();
    EXPECT_TRUE(tin->fTINVtxListByZ->IKestSortedLList());
    std::vector<TTINVtx*> out;
    for (const XYZ& p : pts) {
      auto* v = new TTINVtx(p.x, p.y, p.z);
      EXPECT_TRUE(tin->fTINVtxListByZ->Insert(v));
      out.push_back(v);
    }
    return out;
  }

  // A hull list of the given vertices in the given order.
  static void PlaceHull(TTIN* tin, const std::vector<TTINVtx*>& hull) {
    tin->fConvexHullVtxList = TLinkedList::New();
    EXPECT_TRUE(tin->fConvexHullVtxList->ILinkedList());
    for (TTINVtx* v : hull) EXPECT_TRUE(tin->fConvexHullVtxList->Append(v));
  }

  static std::vector<TTINTriangle*> Triangles(const TTIN* tin) {
    std::vector<TTINTriangle*> out;
    if (tin->fTINTriangleList == nullptr) return out;
    for (TLinkNode* n = tin->fTINTriangleList->fFirst; n != nullptr; n = n->next)
      out.push_back(static_cast<TTINTriangle*>(n->item));
    return out;
  }

  static std::vector<TTINVtx*> Items(const TLinkedList* list) {
    std::vector<TTINVtx*> out;
    if (list == nullptr) return out;
    for (TLinkNode* n = list->fFirst; n != nullptr; n = n->next)
      out.push_back(static_cast<TTINVtx*>(n->item));
    return out;
  }

  tinhost::Host host;

 private:
  std::vector<TTIN*> tins_;
};

// Corners of a triangle as (x, y) text, for readable comparisons.
inline std::string Corners(const TTINTriangle* t) {
  std::string s;
  for (const TTINVtx* v : t->fVertices)
    s += "(" + std::to_string(v->x) + "," + std::to_string(v->y) + ")";
  return s;
}
