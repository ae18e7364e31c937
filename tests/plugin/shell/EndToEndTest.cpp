// The whole road through the built shared library, as the host runs it:
// survey points and a breakline on a layer, menu 1 creates the TIN and its
// graphics, the TIN is stored in the drawing, and menu 95 removes it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin/host/PluginMemory.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINTriangle.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/shell/LandMgr.h"
#include "tinhost/core/Host.h"
#include "tinhost/core/PluginLibrary.h"
#include "tinhost/core/PluginSession.h"

namespace {

using tinhost::Host;
using tinhost::ObjId;

constexpr std::uint32_t kTag = 0x57584230;  // "WXB0"

class EndToEnd : public ::testing::Test {
 protected:
  Host host;
  tinhost::PluginLibrary lib{std::string(TIN_BIN_DIR) + "/libtinplugin.so"};

  ObjId LayerNamed(const std::string& name) const {
    for (ObjId l : host.document().layers())
      if (host.document().get(l).name == name) return l;
    return 0;
  }
  std::int16_t ClassNamed(const std::string& name) const {
    auto classes = host.document().classes();
    for (std::size_t i = 0; i < classes.size(); ++i)
      if (classes[i] == name) return static_cast<std::int16_t>(i + 1);
    return 0;
  }
  // The objects directly on `layer` of class `cls`.
  std::vector<ObjId> On(ObjId layer, std::int16_t cls) const {
    std::vector<ObjId> out;
    for (ObjId id : host.document().members(layer))
      if (host.document().get(id).objectClass == cls) out.push_back(id);
    return out;
  }
};

// Reads the stored TINs back, in-process, from a copy of the data objects.
struct StoredTINs {
  Host reader;
  TLandMgr* mgr;
  explicit StoredTINs(const Host& from) {
    reader.setDataObjects(from.dataObjects());
    gKVCallback = reader.callbacks();
    mgr = new TLandMgr(reader.callbacks());
    mgr->fTINList = TLinkedList::New();
    mgr->fTINList->ILinkedList();
    EXPECT_EQ(mgr->ReadAllData(reader.findDataObject(kTag)), kNoErr);
  }
  ~StoredTINs() {
    delete mgr;
    gKVCallback = nullptr;
  }
};

TEST_F(EndToEnd, CreateDrawsStoresAndDeleteRemovesATINWithABreakline) {
  auto& doc = host.document();
  const ObjId ground = doc.createLayer("Ground", 1.0);
  doc.setCurrentLayer(ground);
  for (int i = 0; i < 6; ++i)
    for (int j = 0; j < 5; ++j)
      doc.select(doc.addLocus(ground, i * 10000 + (j % 2) * 1700, j * 9000 + i * 400,
                              200000 + ((i - 3) * (i - 3) + j) * 900));
  const ObjId brkln = doc.createObject(kKVTypePoly3D);
  for (auto [x, y, z] : {std::array{2000, 2000, 210000}, std::array{48000, 33000, 204000}})
    doc.addVertex(brkln, tinhost::Vertex{x, y, z, 0});
  doc.addToContainer(brkln, ground);
  doc.select(brkln);

  host.dialogs().answers().always(11006)
      .check(30, false).check(31, true).check(32, true).check(35, true)
      .check(37, true).check(38, true).check(39, false);
  {
    tinhost::PluginSession session(host, lib.entry());
    ASSERT_EQ(session.runCommand(1), 0);
    ASSERT_TRUE(host.dialogs().alerts().empty()) << host.dialogs().alerts()[0].text;
  }
  ASSERT_NE(host.findDataObject(kTag), nullptr);

  const ObjId layer2D = LayerNamed("Ground-2D");
  const ObjId layer3D = LayerNamed("Ground-3D");
  ASSERT_NE(layer2D, 0u);
  ASSERT_NE(layer3D, 0u);
  const std::int16_t hullClass = ClassNamed("TIN Hull");
  const std::int16_t groupClass = ClassNamed("TIN Group");
  ASSERT_EQ(On(layer2D, hullClass).size(), 1u);
  EXPECT_TRUE(doc.get(On(layer2D, hullClass)[0]).closed);
  EXPECT_EQ(doc.get(On(layer2D, hullClass)[0]).color[2], 138);
  ASSERT_EQ(On(layer2D, groupClass).size(), 1u);
  ASSERT_EQ(On(layer3D, groupClass).size(), 1u);

  StoredTINs stored(host);
  ASSERT_EQ(stored.mgr->GetNumOfTINs(), 1);
  const TTIN* tin = stored.mgr->GetTINByNum(1);
  std::vector<const TTINTriangle*> triangles;
  for (TLinkNode* n = tin->fTINTriangleList->fFirst; n != nullptr; n = n->next)
    triangles.push_back(static_cast<const TTINTriangle*>(n->item));
  ASSERT_GT(triangles.size(), 2u * 30 - 2 - 14) << "the breakline added vertices";

  // One closed polygon per triangle, in triangle-list order, corners in order.
  for (bool threeD : {false, true}) {
    const ObjId group = On(threeD ? layer3D : layer2D, groupClass)[0];
    const std::int16_t cls = ClassNamed(threeD ? "TIN 3D Triangle" : "TIN 2D Triangle");
    auto members = doc.members(group);
    ASSERT_EQ(members.size(), triangles.size());
    for (std::size_t t = 0; t < triangles.size(); ++t) {
      const auto& poly = doc.get(members[t]);
      EXPECT_EQ(poly.objectClass, cls);
      EXPECT_TRUE(poly.closed);
      ASSERT_EQ(poly.vertices.size(), 3u);
      for (int c = 0; c < 3; ++c) {
        const TTINVtx* v = triangles[t]->fVertices[c];
        EXPECT_EQ(poly.vertices[static_cast<std::size_t>(c)].x, v->x);
        EXPECT_EQ(poly.vertices[static_cast<std::size_t>(c)].y, v->y);
        if (threeD) {
          EXPECT_EQ(poly.vertices[static_cast<std::size_t>(c)].z, v->z);
        }
      }
    }
  }

  // Menu 95 on the TIN's layer: delete it, and its graphics too.
  host.dialogs().answers().confirm(true);
  host.dialogs().answers().confirm(true);
  {
    tinhost::PluginSession session(host, lib.entry());
    ASSERT_EQ(session.runCommand(95), 0);
  }
  EXPECT_TRUE(host.dialogs().alerts().empty());
  EXPECT_EQ(host.findDataObject(kTag), nullptr) << "no TIN left: the data object goes";
  EXPECT_TRUE(On(layer2D, hullClass).empty());
  EXPECT_TRUE(On(layer2D, groupClass).empty());
  EXPECT_TRUE(On(layer3D, groupClass).empty());
  EXPECT_TRUE(doc.exists(brkln)) << "the survey stays";
}

}  // namespace
