#include <gtest/gtest.h>

#include <cstring>

#include "HostTestSupport.h"
#include "tinhost/core/Host.h"
#include "tinhost/core/PluginSession.h"
#include "tinhost/file/FileError.h"
#include "tinhost/file/UndoCodec.h"

namespace tinhost {
namespace {

constexpr std::uint32_t kTag = fourCharCode("WXB0");

// A small plug-in written against the block, the way the terrain plug-in
// works: menu item 1 draws a group of two triangles and a hull on a new
// layer and stores 4 bytes; item 2 deletes every object of class "Mine"
// and the data; item 3 creates objects it never places.
std::int32_t fakeMain(std::int16_t action, const void* msg, void** slot, KVCallback cb) {
  if (action == 1) {
    *slot = reinterpret_cast<void*>(0x1);
    return 0;
  }
  if (action != 3) return 0;
  const std::int16_t item = static_cast<const KVMenuMessage*>(msg)->menuItem;
  test::PStr className("Mine");
  const std::int16_t cls = cb->AddClass(cb, className.get());
  const KVObj header = cb->GetDrawingHeader(cb);
  if (item == 1) {
    cb->SetUndoMethod(cb, kKVUndoPluginCommand);
    test::PStr layerName("TIN-2D");
    const KVObj layer = cb->CreateLayer(cb, layerName.get(), 1.0);
    const KVObj group = cb->CreateGroup(cb);
    cb->SetObjectClass(cb, group, cls);
    cb->AddObjectToContainer(cb, group, layer);
    cb->AddAfterSwapObject(cb, group);
    for (int i = 0; i < 2; ++i) {
      const KVObj tri = cb->Create3DPoly(cb);
      cb->Add3DVertex(cb, tri, KVPoint3D{0, 0, i});
      cb->Add3DVertex(cb, tri, KVPoint3D{10, 0, i});
      cb->Add3DVertex(cb, tri, KVPoint3D{0, 10, i});
      cb->SetPolyShapeClose(cb, tri, 1);
      cb->SetObjectClass(cb, tri, cls);
      cb->AddObjectToContainer(cb, tri, group);
    }
    const KVObj hull = cb->CreatePolyshape(cb);
    cb->AddVertex(cb, hull, KVPoint2D{0, 0}, kKVVertexCorner, 0);
    cb->SetObjectClass(cb, hull, cls);
    cb->AddObjectToContainer(cb, hull, cb->GetCurrentLayer(cb));
    cb->AddAfterSwapObject(cb, hull);
    KVHandle data = cb->FindDataObject(cb, header, kTag);
    if (data == nullptr) data = cb->NewDataObject(cb, header, kTag, 22);
    cb->SetHandleSize(cb, data, 4);
    std::memcpy(*data, "TIN1", 4);
    return 0;
  }
  if (item == 2) {
    cb->SetUndoMethod(cb, kKVUndoPluginCommand);
    struct Ctx {
      std::int16_t cls;
    } ctx{cls};
    cb->ForEachObject(cb, kKVWalkAll, [](KVObj obj, KVCallback c, void* user) {
      if (c->GetObjectClass(c, obj) != static_cast<Ctx*>(user)->cls) return;
      if (c->GetObjectType(c, c->ParentObject(c, obj)) != kKVTypeLayer) return;
      c->AddBeforeSwapObject(c, obj);
      c->DeleteObject(c, obj);
    }, &ctx);
    if (KVHandle data = cb->FindDataObject(cb, header, kTag)) cb->DeleteAuxObject(cb, data, header);
    return 0;
  }
  if (item == 3) {
    cb->CreatePolyshape(cb);
    cb->CreateGroup(cb);
    return 1;
  }
  return 5;
}

TEST(PluginSessionFrame, ActionsSlotAndDiscardedObjects) {
  Host host;
  PluginSession session(host, &fakeMain);
  EXPECT_EQ(session.slot(), reinterpret_cast<void*>(0x1));
  EXPECT_EQ(session.runCommand(3), 1);
  EXPECT_EQ(session.lastDiscarded(), 2u);
  EXPECT_EQ(host.document().objectCount(), 2u) << "only the header and the layer remain";
  EXPECT_EQ(session.runCommand(93), 5);
  EXPECT_FALSE(host.undo()) << "commands that changed nothing leave no undo record";
}

TEST(UndoLog, UndoRemovesCreatedObjectsLayersAndData) {
  Host host;
  const Document before = host.document();
  PluginSession session(host, &fakeMain);
  ASSERT_EQ(session.runCommand(1), 0);
  ASSERT_TRUE(host.diagnostics().empty()) << host.diagnostics().front();
  EXPECT_EQ(host.document().layers().size(), 2u);
  EXPECT_EQ(host.dataObjects().at(kTag), (std::vector<std::uint8_t>{'T', 'I', 'N', '1'}));
  ASSERT_EQ(host.undoLog().history().size(), 1u);
  EXPECT_EQ(host.undoLog().history().back().method, kKVUndoPluginCommand);

  EXPECT_TRUE(host.undo());
  EXPECT_EQ(host.document().walk(WalkScope::All), before.walk(WalkScope::All));
  EXPECT_EQ(host.document().layers().size(), 1u);
  EXPECT_TRUE(host.dataObjects().empty());
  EXPECT_EQ(host.memory().stats().drawingHandles, 0u);
}

TEST(UndoLog, UndoRestoresDeletedObjectsWithTheirIdsAndPlaces) {
  Host host;
  PluginSession session(host, &fakeMain);
  const ObjId layer = host.document().currentLayer();
  const ObjId first = host.document().addLocus(layer, 1, 1, 1);
  ASSERT_EQ(session.runCommand(1), 0);
  const ObjId last = host.document().addLocus(layer, 2, 2, 2);
  const DocumentState drawn = host.document().state();
  const auto data = host.dataObjects();

  ASSERT_EQ(session.runCommand(2), 0);
  EXPECT_EQ(host.document().walk(WalkScope::All).size(), 2u) << "only the two loci stay";
  EXPECT_TRUE(host.dataObjects().empty());

  EXPECT_TRUE(host.undo());
  EXPECT_EQ(host.document().state().objects, drawn.objects);
  EXPECT_EQ(host.document().members(layer)[0], first);
  EXPECT_EQ(host.document().members(layer).back(), last);
  EXPECT_EQ(host.dataObjects(), data);
}

TEST(UndoLog, RegistrationOutsideACommandIsReported) {
  Host host;
  KVCallback cb = host.callbacks();
  cb->SetUndoMethod(cb, kKVUndoPluginCommand);
  const KVObj poly = cb->CreatePolyshape(cb);
  cb->AddObjectToContainer(cb, poly, cb->GetCurrentLayer(cb));
  cb->AddAfterSwapObject(cb, poly);
  EXPECT_EQ(host.diagnostics().size(), 2u);
  EXPECT_FALSE(host.undo());
}

// Objects made one after another share one step; the step undoes them newest
// first, goes through the drawing file intact, and a damaged run is refused.
TEST(UndoLog, ObjectsMadeInSequenceShareOneStep) {
  Document doc;
  const ObjId layer = doc.currentLayer();
  UndoLog log;
  log.begin({}, layer);
  std::vector<ObjId> made;
  for (int i = 0; i < 5; ++i) {
    made.push_back(doc.addLocus(layer, i, i, i));
    log.created(made.back());
  }
  doc.addLocus(layer, 9, 9, 9);  // not registered: the next run starts anew
  const ObjId apart = doc.addLocus(layer, 10, 10, 10);
  log.created(apart);
  log.deleting(doc.snapshot(made[1]));
  doc.remove(made[1]);
  log.end({});
  const UndoRecord record = *log.takeLast();
  ASSERT_EQ(record.steps.size(), 3u);
  EXPECT_EQ(record.steps[0].id, made[0]);
  EXPECT_EQ(record.steps[0].count, 5u);
  EXPECT_EQ(record.steps[1].id, apart);
  EXPECT_EQ(record.steps[1].count, 1u);

  const UndoRecord back = file::decodeUndoRecord(file::encodeUndoRecord(record));
  ASSERT_EQ(back.steps.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(back.steps[i].kind, record.steps[i].kind);
    EXPECT_EQ(back.steps[i].id, record.steps[i].id);
    EXPECT_EQ(back.steps[i].count, record.steps[i].count);
  }

  doc.remove(made[3]);  // gone already: undo skips it and goes on
  EXPECT_EQ(revertSteps(back, doc), 1u);
  for (ObjId id : made) EXPECT_FALSE(doc.exists(id)) << id;
  EXPECT_FALSE(doc.exists(apart));
  EXPECT_EQ(doc.memberCount(layer), 1u);

  for (const auto& [first, count] : {std::pair<ObjId, std::uint32_t>{5, 0}, {0xFFFFFFF0u, 17}}) {
    UndoRecord damaged;
    damaged.steps.push_back(UndoStep{UndoStep::Kind::Created, first, count, {}});
    EXPECT_THROW(file::decodeUndoRecord(file::encodeUndoRecord(damaged)), file::FileError) << count;
  }
}

}  // namespace
}  // namespace tinhost
