#include <algorithm>
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "HostTestSupport.h"
#include "tinhost/core/Document.h"
#include "tinhost/core/Host.h"
#include "tinhost/core/HostError.h"

namespace tinhost {
namespace {

// Two layers; layer 1: locus a, group g {poly p, text t}, locus b; layer 2: locus c.
struct Sample {
  Document doc;
  ObjId layer1 = 0, layer2 = 0, a = 0, g = 0, p = 0, t = 0, b = 0, c = 0;
  Sample() {
    layer1 = doc.currentLayer();
    layer2 = doc.createLayer("Survey", 2.0);
    a = doc.addLocus(layer1, 0, 0, 10);
    g = doc.createObject(kKVTypeGroup);
    p = doc.createObject(kKVTypePoly3D);
    doc.addVertex(p, {1000, 2000, 5});
    doc.addVertex(p, {-500, 300, 7});
    doc.addToContainer(p, g);
    t = doc.createText("12.5", 0, 0, 0, 100);
    doc.addToContainer(t, g);
    doc.addToContainer(g, layer1);
    b = doc.addLocus(layer1, 5, 5, 20);
    c = doc.addLocus(layer2, 9, 9, 30);
  }
};

TEST(DocumentLayers, ANewDrawingHasOneCurrentLayer) {
  Document doc;
  ASSERT_EQ(doc.layers().size(), 1u);
  const DrawingObject& layer = doc.get(doc.currentLayer());
  EXPECT_EQ(layer.name, "Layer 1");
  EXPECT_EQ(layer.scale, 1.0);
  EXPECT_EQ(layer.type, kKVTypeLayer);
  EXPECT_EQ(doc.get(doc.header()).type, kKVTypeHeader);
  EXPECT_THROW(doc.remove(doc.currentLayer()), HostError);
}

TEST(DocumentWalks, AllObjectsInLayerThenDrawingOrderGroupsFirst) {
  Sample s;
  EXPECT_EQ(s.doc.walk(WalkScope::All), (std::vector<ObjId>{s.a, s.g, s.p, s.t, s.b, s.c}));
  const ObjId free = s.doc.createObject(kKVTypePoly2D);
  EXPECT_EQ(s.doc.walk(WalkScope::All).size(), 6u) << "free object " << free << " must not be walked";
}

TEST(DocumentWalks, SelectionWalkIncludesMembersOfSelectedGroups) {
  Sample s;
  s.doc.select(s.c);
  s.doc.select(s.g);
  EXPECT_EQ(s.doc.walk(WalkScope::Selection), (std::vector<ObjId>{s.g, s.p, s.t, s.c}));
  EXPECT_THROW(s.doc.select(s.p), HostError) << "members of groups are not selectable";
  s.doc.addToContainer(s.c, s.g);  // moving into a group drops it from the selection
  EXPECT_FALSE(s.doc.selection().contains(s.c));
}

TEST(DocumentWalks, MemberWalkAndParents) {
  Sample s;
  EXPECT_EQ(s.doc.firstMember(s.layer1), s.a);
  EXPECT_EQ(s.doc.nextSibling(s.a), s.g);
  EXPECT_EQ(s.doc.nextSibling(s.g), s.b);
  EXPECT_EQ(s.doc.nextSibling(s.b), kNoObject);
  EXPECT_EQ(s.doc.firstMember(s.g), s.p);
  EXPECT_EQ(s.doc.nextSibling(s.t), kNoObject);
  EXPECT_EQ(s.doc.nextSibling(s.layer1), s.layer2);
  EXPECT_EQ(s.doc.get(s.t).parent, s.g);
  EXPECT_EQ(s.doc.layerOf(s.t), s.layer1);
  EXPECT_EQ(s.doc.firstMember(s.a), kNoObject);
}

TEST(DocumentWalks, BlockWalkSkipsObjectsDeletedByTheCallback) {
  Host host;
  Sample s;
  host.document() = s.doc;
  struct Seen {
    std::vector<ObjId> ids;
    ObjId groupToDelete;
    ObjId objectToDelete;
  } seen{{}, s.g, s.b};
  KVCallback cb = host.callbacks();
  cb->ForEachObject(cb, kKVWalkAll, [](KVObj obj, KVCallback c, void* user) {
    auto* st = static_cast<Seen*>(user);
    st->ids.push_back(obj);
    if (obj == st->groupToDelete) c->DeleteObject(c, obj);  // takes p and t with it
    if (obj == st->objectToDelete) c->DeleteObject(c, st->objectToDelete);
  }, &seen);
  EXPECT_EQ(seen.ids, (std::vector<ObjId>{s.a, s.g, s.b, s.c}));
  EXPECT_FALSE(host.document().exists(s.p));
  EXPECT_TRUE(host.diagnostics().empty()) << host.diagnostics().front();
}

TEST(DocumentObjects, DeletingAGroupDeletesItsMembersAndSnapshotsRestoreThem) {
  Sample s;
  const ObjectSnapshot snap = s.doc.snapshot(s.g);
  s.doc.select(s.g);
  s.doc.remove(s.g);
  EXPECT_FALSE(s.doc.exists(s.p));
  EXPECT_FALSE(s.doc.exists(s.t));
  EXPECT_EQ(s.doc.walk(WalkScope::All), (std::vector<ObjId>{s.a, s.b, s.c}));
  s.doc.restore(snap);
  EXPECT_EQ(s.doc.walk(WalkScope::All), (std::vector<ObjId>{s.a, s.g, s.p, s.t, s.b, s.c}));
  EXPECT_THROW(s.doc.restore(snap), HostError) << "ids already in use";
}

TEST(DocumentObjects, ManyDeletionsKeepMemberListsExact) {
  Document doc;
  const ObjId layer = doc.currentLayer();
  std::vector<ObjId> ids;
  for (int i = 0; i < 2000; ++i) ids.push_back(doc.addLocus(layer, i, i, i));
  std::vector<ObjId> kept;
  for (std::size_t i = 0; i < ids.size(); ++i) {
    if (i % 3 == 0) kept.push_back(ids[i]);
    else doc.remove(ids[i]);
  }
  const auto members = doc.members(layer);
  EXPECT_EQ(std::vector<ObjId>(members.begin(), members.end()), kept);
  // Moving an object out and back in must not leave a stale duplicate behind.
  const ObjId g = doc.createObject(kKVTypeGroup);
  doc.addToContainer(g, layer);
  doc.addToContainer(kept[0], g);
  doc.addToContainer(kept[0], layer);
  EXPECT_EQ(doc.members(layer).size(), kept.size() + 1);
  EXPECT_NO_THROW(Document::fromState(doc.state()));
}

TEST(DocumentObjects, SnapshotsPutNeighboursBackInTheirOrder) {
  Document doc;
  const ObjId layer = doc.currentLayer();
  for (int i = 0; i < 10; ++i) doc.addLocus(layer, i, 0, 0);
  const std::vector<ObjId> original = doc.members(layer);
  std::vector<ObjectSnapshot> undo;
  for (std::size_t i : {3u, 4u, 5u, 0u, 9u}) {  // a run of neighbours, the first and the last
    undo.push_back(doc.snapshot(original[i]));
    doc.remove(original[i]);
  }
  for (auto it = undo.rbegin(); it != undo.rend(); ++it) doc.restore(*it);
  EXPECT_EQ(doc.members(layer), original);
}

TEST(DocumentObjects, FreeObjectsAreDiscardedAndCyclesRefused) {
  Sample s;
  const ObjId free = s.doc.createObject(kKVTypePoly2D);
  const ObjId freeGroup = s.doc.createObject(kKVTypeGroup);
  const ObjId inside = s.doc.createObject(kKVTypePoly2D);
  s.doc.addToContainer(inside, freeGroup);
  EXPECT_THROW(s.doc.addToContainer(s.g, s.g), HostError);
  EXPECT_THROW(s.doc.addToContainer(s.a, s.p), HostError) << "a polygon is no container";
  EXPECT_EQ(s.doc.discardFreeObjects(), 2u);
  EXPECT_FALSE(s.doc.exists(free));
  EXPECT_FALSE(s.doc.exists(inside));
  EXPECT_TRUE(s.doc.exists(s.p));
}

TEST(DocumentObjects, BoundsOfPolygonsTextsAndGroups) {
  Sample s;  // 1000 world units per metre, text size 100 = 1 m high, 0.6 m per character
  EXPECT_EQ(s.doc.bounds(s.p), (Rect{2000, -500, 300, 1000}));
  EXPECT_EQ(s.doc.bounds(s.t), (Rect{0, 0, -1000, 2400}));
  EXPECT_EQ(s.doc.bounds(s.g), (Rect{2000, -500, -1000, 2400}));
  s.doc.move(s.g, 10, -10);
  EXPECT_EQ(s.doc.bounds(s.g), (Rect{1990, -490, -1010, 2410}));
  EXPECT_EQ(s.doc.bounds(s.doc.createObject(kKVTypeGroup)), Rect{});
}

TEST(DocumentClasses, AddingAKnownNameGivesItsIdentifier) {
  Document doc;
  EXPECT_EQ(doc.addClass("TIN Hull"), 1);
  EXPECT_EQ(doc.addClass("TIN Group"), 2);
  EXPECT_EQ(doc.addClass("TIN Hull"), 1);
  EXPECT_EQ(doc.classes().size(), 2u);
}

TEST(DocumentState, BrokenStatesAreRefused) {
  Sample s;
  DocumentState st = s.doc.state();
  EXPECT_NO_THROW(Document::fromState(st));
  DocumentState orphanMember = st;
  orphanMember.members.at(s.g).push_back(s.a);
  EXPECT_THROW(Document::fromState(orphanMember), HostError);
  DocumentState badCurrent = st;
  badCurrent.currentLayer = s.a;
  EXPECT_THROW(Document::fromState(badCurrent), HostError);
  DocumentState selectedMember = st;
  selectedMember.selection.insert(s.p);
  EXPECT_THROW(Document::fromState(selectedMember), HostError);
}


// A damaged or hostile file can give an object an id near the top of the
// range: the drawing opens with its objects found by id, without a table
// entry for every id below it, and new objects and a rollback work past it.
TEST(DocumentState, IdsNearTheTopOfTheRangeCostNoMoreThanTheirObjects) {
  Sample s;
  DocumentState st = s.doc.state();
  const ObjId far = 4000000000u;
  DrawingObject moved = st.objects.at(s.c);
  st.objects.erase(s.c);
  moved.id = far;
  st.objects.emplace(far, moved);
  std::replace(st.members.at(s.layer2).begin(), st.members.at(s.layer2).end(), s.c, far);
  st.nextId = far + 1;
  Document doc = Document::fromState(st);  // a table up to the far id would need 32 GB
  EXPECT_EQ(doc.get(far).vertices.at(0).z, 30);
  EXPECT_EQ(doc.find(far - 1), nullptr);
  doc.mark();
  const ObjId next = doc.addLocus(s.layer2, 1, 2, 3);
  EXPECT_GT(next, far);
  EXPECT_EQ(doc.get(next).vertices.at(0).z, 3);
  doc.rollback();
  EXPECT_EQ(doc.find(next), nullptr);
  EXPECT_EQ(doc.get(far).vertices.at(0).z, 30);
}

// Objects whose ids lie past the table are found in the ordered map until the
// table grows over them as new objects are made; then the table must hold them.
TEST(DocumentState, ObjectsPastTheTableStayFoundWhenTheTableGrowsOverThem) {
  Sample s;
  DocumentState st = s.doc.state();
  const ObjId far = 70000;  // past the table of a drawing of a few objects
  std::vector<ObjId> moved;
  for (ObjId old : {s.a, s.b, s.c}) {
    DrawingObject o = st.objects.at(old);
    st.objects.erase(old);
    o.id = far + old;
    st.objects.emplace(o.id, o);
    for (auto& [container, list] : st.members) std::replace(list.begin(), list.end(), old, o.id);
    moved.push_back(o.id);
  }
  st.nextId = moved.back() + 1;
  Document doc = Document::fromState(st);
  const std::vector<ObjId> layer1 = {moved[0], s.g, moved[1]};
  EXPECT_EQ(Document(doc).members(s.layer1), layer1);  // a copy keeps the chain through them
  for (int i = 0; i < 5000; ++i) doc.addLocus(s.layer1, 1, 2, 3);  // the table grows with the objects
  for (ObjId id : moved) {
    ASSERT_NE(doc.find(id), nullptr) << "object " << id;
    EXPECT_EQ(doc.get(id).id, id);
  }
  EXPECT_EQ(doc.get(moved[2]).vertices.at(0).z, 30);
  EXPECT_EQ(doc.nextSibling(moved[0]), s.g);
  doc.remove(s.g);  // relinks a neighbour that was past the table
  EXPECT_EQ(doc.nextSibling(moved[0]), moved[1]);
  EXPECT_NO_THROW(Document::fromState(doc.state()));
}

// ---- going back to a mark ------------------------------------------------------

void ExpectSameDrawing(const Document& got, const Document& want) {
  const DocumentState& g = got.state();
  const DocumentState& w = want.state();
  EXPECT_EQ(g.objects, w.objects);
  EXPECT_EQ(g.members, w.members);
  EXPECT_EQ(g.layers, w.layers);
  EXPECT_EQ(g.selection, w.selection);
  EXPECT_EQ(g.classes, w.classes);
  EXPECT_EQ(g.nextId, w.nextId);
  EXPECT_EQ(g.currentLayer, w.currentLayer);
  EXPECT_EQ(g.header, w.header);
  EXPECT_EQ(g.originX, w.originX);
  EXPECT_EQ(g.crs, w.crs);
  for (const auto& [id, o] : w.objects) EXPECT_EQ(got.nextSibling(id), want.nextSibling(id)) << "object " << id;
}

// One random edit of every kind the host makes; edits the document refuses
// are part of the mix.
void RandomEdit(Document& doc, std::mt19937& rng) {
  auto pick = [&] {
    return static_cast<ObjId>(std::uniform_int_distribution<std::uint32_t>(1, doc.state().nextId)(rng));
  };
  auto container = [&] {
    const ObjId id = pick();
    return doc.exists(id) && (doc.get(id).type == kKVTypeGroup || doc.get(id).type == kKVTypeLayer)
               ? id
               : doc.currentLayer();
  };
  try {
    switch (std::uniform_int_distribution<int>(0, 14)(rng)) {
      case 0: doc.addLocus(container(), 1, 2, 3); break;
      case 1: {
        const ObjId poly = doc.createObject(kKVTypePoly3D);
        doc.addVertex(poly, {4, 5, 6});
        if (rng() % 3 != 0) doc.addToContainer(poly, container());
        break;
      }
      case 2: doc.addToContainer(doc.createObject(kKVTypeGroup), container()); break;
      case 3: doc.remove(pick()); break;
      case 4: doc.addToContainer(pick(), container()); break;
      case 5: doc.setColor(pick(), {1, 2, 3, 4}); break;
      case 6: doc.move(pick(), 7, -7); break;
      case 7: doc.select(pick()); break;
      case 8: rng() % 4 == 0 ? doc.clearSelection() : doc.deselect(pick()); break;
      case 9: doc.setCurrentLayer(doc.createLayer("L" + std::to_string(rng() % 100), 1.0)); break;
      case 10: doc.addClass("C" + std::to_string(rng() % 5)); break;
      case 11: {  // as undo does it
        const ObjId id = pick();
        const ObjectSnapshot snap = doc.snapshot(id);
        doc.remove(id);
        doc.addLocus(container(), 0, 0, 0);
        doc.restore(snap);
        break;
      }
      case 12: doc.discardFreeObjects(); break;
      case 13: doc.setDrawingName("renamed"), doc.setOrigin(5, 6), doc.setCrs("WKT " + std::to_string(rng() % 9)); break;
      case 14: {
        const std::vector<Vertex> at(rng() % 4, Vertex{7, 8, 9});
        doc.addLoci(container(), at);
        break;
      }
    }
  } catch (const HostError&) {
  }
}

// Loci made in one run are the loci made one by one: ids, order among the
// container's members (after the members it had), and nothing else changed.
TEST(DocumentLoci, ARunIsTheSameAsOneLocusAtATime) {
  for (std::uint32_t seed = 1; seed <= 20; ++seed) {
    std::mt19937 rng(seed);
    Sample s;
    for (int i = 0; i < 10; ++i) RandomEdit(s.doc, rng);
    Document one = s.doc, run = s.doc;
    std::vector<Vertex> at;
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(rng() % 70); ++i) at.push_back(Vertex{i, -i, 2 * i, 0});
    const ObjId layer = s.doc.currentLayer();
    ObjId first = kNoObject;
    for (const Vertex& v : at) {
      const ObjId id = one.addLocus(layer, v.x, v.y, v.z);
      if (first == kNoObject) first = id;
    }
    EXPECT_EQ(run.addLoci(layer, at), first);
    ExpectSameDrawing(run, one);
  }
  Sample s;
  const ObjId locus = s.doc.addLocus(s.doc.currentLayer(), 0, 0, 0);
  const std::vector<Vertex> at(2);
  EXPECT_THROW(s.doc.addLoci(locus, at), HostError) << "a locus holds no members";
}

TEST(DocumentMark, RollbackReturnsToTheMarkAfterAnyEdits) {
  for (std::uint32_t seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    Sample s;
    const ObjId freeGroup = s.doc.createObject(kKVTypeGroup);  // free, with a member
    s.doc.addToContainer(s.doc.createObject(kKVTypePoly2D), freeGroup);
    for (int i = 0; i < 10; ++i) RandomEdit(s.doc, rng);
    const Document before = s.doc;
    s.doc.mark();
    if (seed % 2 == 0 && s.doc.exists(freeGroup)) s.doc.addToContainer(freeGroup, s.doc.currentLayer());
    for (int i = 0, n = static_cast<int>(rng() % 40); i < n; ++i) RandomEdit(s.doc, rng);
    s.doc.rollback();
    EXPECT_FALSE(s.doc.marked());
    ExpectSameDrawing(s.doc, before);
    // The member chains are whole again: the same edits give the same drawing.
    Document fresh = before;
    std::mt19937 a(seed * 7919), b(seed * 7919);
    for (int i = 0; i < 30; ++i) RandomEdit(s.doc, a), RandomEdit(fresh, b);
    ExpectSameDrawing(s.doc, fresh);
    EXPECT_NO_THROW(Document::fromState(s.doc.state()));
  }
}

}  // namespace
}  // namespace tinhost
