#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "HostTestSupport.h"
#include "tinhost/core/Host.h"

namespace tinhost {
namespace {

TEST(CallbackBlock, EveryEntryIsSetAndCtxIsTheHost) {
  Host host;
  KVCallback cb = host.callbacks();
  EXPECT_EQ(cb->abiVersion, kKVABIVersion);
  EXPECT_EQ(cb->size, sizeof(KVHostBlock));
  EXPECT_EQ(&Host::from(cb), &host);
  constexpr std::size_t first = offsetof(KVHostBlock, GetDrawingHeader);
  static_assert((sizeof(KVHostBlock) - first) % sizeof(void*) == 0);
  for (std::size_t off = first; off < sizeof(KVHostBlock); off += sizeof(void*)) {
    void* entry = nullptr;
    std::memcpy(&entry, reinterpret_cast<const char*>(cb) + off, sizeof entry);
    EXPECT_NE(entry, nullptr) << "entry at byte " << off;
  }
}

TEST(CallbackBlock, FaultsBecomeFailureValuesAndDiagnostics) {
  Host host;
  KVCallback cb = host.callbacks();
  KVPoint3D p{1, 2, 3};
  cb->GetLocus3DPosition(cb, 4242, &p);
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(cb->GetObjectType(cb, 4242), kKVTypeNone);
  EXPECT_EQ(cb->ParentObject(cb, 4242), 0u);
  const KVObj poly = cb->Create3DPoly(cb);
  cb->Get3DVertex(cb, poly, 1, &p);  // no vertex 1 yet
  EXPECT_EQ(cb->FindDataObject(cb, cb->GetCurrentLayer(cb), 1), nullptr) << "only the header owns data";
  EXPECT_EQ(host.diagnostics().size(), 4u);
  EXPECT_NE(host.diagnostics()[0].find("GetLocus3DPosition"), std::string::npos);
}

TEST(CallbackBlock, DrawingCallsBuildWhatThePluginAsks) {
  Host host;
  KVCallback cb = host.callbacks();
  test::PStr name("Ground-3D");
  const KVObj layer = cb->CreateLayer(cb, name.get(), 2.5);
  double scale = 0;
  cb->GetLayerScale(cb, layer, &scale);
  EXPECT_EQ(scale, 2.5);
  KVStr255 got{};
  cb->GetObjectName(cb, layer, got);
  EXPECT_EQ(test::text(got), "Ground-3D");

  const KVObj hull = cb->CreatePolyshape(cb);
  cb->SetFillPat(cb, hull, 0);
  KVColor color{};
  cb->GetColor(cb, hull, &color);
  color.b[2] = 138;
  cb->SetColor(cb, hull, color);
  cb->AddVertex(cb, hull, KVPoint2D{100, 200}, kKVVertexCorner, 0);  // (y, x)
  cb->AddVertex(cb, hull, KVPoint2D{-50, 10}, kKVVertexControl, 0);
  cb->SetPolyShapeClose(cb, hull, 1);
  cb->AddObjectToContainer(cb, hull, layer);
  const DrawingObject& h = host.document().get(hull);
  EXPECT_EQ(h.vertices[0], (Vertex{200, 100, 0, kKVVertexCorner}));
  EXPECT_EQ(h.vertices[1].kind, kKVVertexControl);
  EXPECT_EQ(h.color[2], 138);
  EXPECT_EQ(h.fillPattern, 0);
  EXPECT_EQ(cb->GetPolyShapeClose(cb, hull), 1);
  KVRect r{};
  cb->GetObjectBounds(cb, hull, &r);
  EXPECT_EQ(r.top, 100);
  EXPECT_EQ(r.bottom, -50);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.right, 200);

  test::PStr label("100.000 m");
  const KVObj text = cb->CreateTextBlock(cb, label.get(), KVPoint2D{0, 0}, 0, 100);
  cb->GetObjectBounds(cb, text, &r);
  cb->MoveObject(cb, text, -((r.right - r.left) / 2), -((r.bottom - r.top) / 2));
  cb->GetObjectBounds(cb, text, &r);
  EXPECT_EQ(r.left + r.right, 0) << "centred on the anchor";
  EXPECT_EQ(r.top + r.bottom, 0);
  EXPECT_TRUE(host.diagnostics().empty()) << host.diagnostics().front();
}

}  // namespace
}  // namespace tinhost
