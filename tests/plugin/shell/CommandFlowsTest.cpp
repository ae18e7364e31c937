// The command flows: the selection test, creation and change of a TIN with
// the parameters dialog, the difference-TIN refusals, and the registry's
// lookups, deletion with its questions, purge and enclosure test.
#include <algorithm>
#include <array>
#include <vector>

#include "plugin/model/TTINTriangle.h"
#include "tests/support/CommandFixture.h"

namespace {

using tinhost::DialogScript;

std::vector<void*> TrianglesOf(const TTIN* tin) {
  std::vector<void*> out;
  if (tin->fTINTriangleList != nullptr)
    for (TLinkNode* n = tin->fTINTriangleList->fFirst; n != nullptr; n = n->next) out.push_back(n->item);
  return out;
}

// Brute force: a point is on the hull boundary when some line through it and
// another point has every point on one side.
std::size_t PointsOnHullBoundary(tinhost::Host& host) {
  std::vector<std::array<std::int64_t, 2>> pts;
  for (tinhost::ObjId id : host.document().selection()) {
    const auto& v = host.document().get(id).vertices.at(0);
    pts.push_back({v.x, v.y});
  }
  std::size_t b = 0;
  for (const auto& p : pts) {
    bool boundary = false;
    for (const auto& q : pts) {
      if (q == p) continue;
      bool left = false, right = false;
      for (const auto& r : pts) {
        std::int64_t o = (q[0] - p[0]) * (r[1] - p[1]) - (q[1] - p[1]) * (r[0] - p[0]);
        left |= o > 0;
        right |= o < 0;
      }
      boundary |= !(left && right);
    }
    b += boundary;
  }
  return b;
}

// ---- the selection test --------------------------------------------------

TEST_F(CommandTest, SelectionCountsLociAndPolygonVerticesOnTheCurrentLayerOnly) {
  MakeCurrent("Ground");
  auto& doc = host.document();
  doc.select(doc.addLocus(Layer("Ground"), 0, 0, 5));
  doc.select(doc.addLocus(Layer("Ground"), 10, 0, -7));
  doc.select(doc.addLocus(Layer("Other"), 5, 5, 1000));  // selected, but elsewhere
  TElevRange range{};
  EXPECT_FALSE(CheckOnlyLociSelGE3(host.callbacks(), &range));
  EXPECT_EQ(range.low, -7);
  EXPECT_EQ(range.high, 5);

  doc.clearSelection();
  tinhost::ObjId poly = doc.createObject(kKVTypePoly3D);
  for (auto [x, y, z] : {std::array{0, 0, 1}, std::array{9, 0, 2}, std::array{0, 9, 3}})
    doc.addVertex(poly, tinhost::Vertex{x, y, z, 0});
  doc.addToContainer(poly, Layer("Ground"));
  doc.select(poly);
  EXPECT_TRUE(CheckOnlyLociSelGE3(host.callbacks(), &range));
  EXPECT_EQ(range.low, 1);
  EXPECT_EQ(range.high, 3);
}

TEST_F(CommandTest, NothingSelectedGivesTheUntouchedRange) {
  TElevRange range{};
  EXPECT_FALSE(CheckOnlyLociSelGE3(host.callbacks(), &range));
  EXPECT_EQ(range.low, 0x7FFFFFFF);
  EXPECT_EQ(range.high, -0x7FFFFFFF);
}

TEST_F(CommandTest, TooFewPointsRefusesBeforeAnyDialog) {
  MakeCurrent("Ground");
  host.document().select(host.document().addLocus(Layer("Ground"), 0, 0, 0));
  host.document().select(host.document().addLocus(Layer("Ground"), 1, 0, 0));
  EXPECT_EQ(mgr->CreateTIN(), kErrTooFewPoints);
  EXPECT_TRUE(host.dialogs().shown().empty());
  EXPECT_EQ(mgr->GetNumOfTINs(), 0);
}

// ---- create and change ---------------------------------------------------

TEST_F(CommandTest, CancelledDialogCreatesNothing) {
  MakeCurrent("Ground");
  SurveyGrid("Ground");
  host.dialogs().answers().once(11006, DialogScript{}.cancelled());
  EXPECT_EQ(mgr->CreateTIN(), kErrCancel);
  EXPECT_EQ(mgr->GetNumOfTINs(), 0);
  EXPECT_EQ(CountClass(kClass3DTriangle), 0u);
}

TEST_F(CommandTest, CreateBuildsDrawsAndRegistersTheTIN) {
  MakeCurrent("Ground");
  SurveyGrid("Ground");
  PlainTINAnswers();
  host.dialogs().answers().always(11006).check(31, true).check(32, true).check(35, true);
  ASSERT_EQ(mgr->CreateTIN(), kNoErr);
  ASSERT_EQ(mgr->GetNumOfTINs(), 1);
  TTIN* tin = mgr->GetTINByNum(1);
  EXPECT_EQ(PView(tin->fTINParams.tinName), "Ground");
  // Every triangulation of n points with b on the hull boundary has 2n - 2 - b triangles.
  const std::size_t triangles = TrianglesOf(tin).size();
  EXPECT_EQ(triangles, 2 * 20 - 2 - PointsOnHullBoundary(host));
  EXPECT_EQ(CountClass(kClass2DTriangle), triangles);
  EXPECT_EQ(CountClass(kClass3DTriangle), triangles);
  EXPECT_EQ(CountClass(kClassHull), 1u);
  EXPECT_EQ(CountClass(kClassGroup), 2u);
  // The elevation range of the selection sets the default interval.
  EXPECT_EQ(host.dialogs().shown().front().itemText(16).empty(), false);
}

TEST_F(CommandTest, ContoursFollowTheTrianglesAndAChangeRedrawsThem) {
  MakeCurrent("Ground");
  SurveyGrid("Ground");
  PlainTINAnswers();
  host.dialogs().answers().always(11006).check(30, true).check(33, true);
  ASSERT_EQ(mgr->CreateTIN(), kNoErr);
  const std::size_t contours2D = CountClass(kClass2DContour) + CountClass(kClass2DIndexContour);
  const std::size_t contours3D = CountClass(kClass3DContour) + CountClass(kClass3DIndexContour);
  EXPECT_GT(contours2D, 0u);
  EXPECT_EQ(contours3D, contours2D);
  // The hull outline, triangles and contours were made in that order.
  std::vector<std::int16_t> order;
  for (tinhost::ObjId id : host.document().walk(tinhost::WalkScope::All)) {
    std::int16_t c = host.document().get(id).objectClass;
    if (order.empty() || order.back() != c) order.push_back(c);
  }
  auto first = [&](int cls) { return std::find(order.begin(), order.end(), ClassID(cls)) - order.begin(); };
  EXPECT_LT(first(kClass3DTriangle), first(kClass2DContour));

  ASSERT_EQ(mgr->GetTINByNum(1)->ChangeTIN(), kNoErr);
  EXPECT_EQ(CountClass(kClass2DContour) + CountClass(kClass2DIndexContour), contours2D)
      << "old contours replaced, not doubled";
}

TEST_F(CommandTest, ChangingAResidentTINKeepsItsTrianglesUnlessMadeNonResident) {
  MakeCurrent("Ground");
  SurveyGrid("Ground");
  PlainTINAnswers(true);
  ASSERT_EQ(mgr->CreateTIN(), kNoErr);
  TTIN* tin = mgr->GetTINByNum(1);
  const auto before = TrianglesOf(tin);

  ASSERT_EQ(tin->ChangeTIN(), kNoErr);
  EXPECT_EQ(TrianglesOf(tin), before) << "a resident TIN keeps its triangulation";
  EXPECT_EQ(CountClass(kClass3DTriangle), before.size()) << "old graphics replaced, not doubled";

  PlainTINAnswers(false);
  ASSERT_EQ(tin->ChangeTIN(), kNoErr);
  EXPECT_NE(TrianglesOf(tin), before) << "switching notResident on rebuilds";
  EXPECT_EQ(TrianglesOf(tin).size(), before.size());
}

TEST_F(CommandTest, OptionKeySkipsTheDialogOnlyForANonResidentTIN) {
  MakeCurrent("Ground");
  SurveyGrid("Ground");
  PlainTINAnswers(true);
  ASSERT_EQ(mgr->CreateTIN(), kNoErr);
  TTIN* tin = mgr->GetTINByNum(1);
  host.toolbox().holdKey(58);
  const std::size_t shown = host.dialogs().shown().size();
  ASSERT_EQ(tin->ChangeTIN(), kNoErr);
  EXPECT_EQ(host.dialogs().shown().size(), shown + 1) << "resident: the dialog is shown";

  tin->fTINParams.notResident = true;
  ASSERT_EQ(tin->ChangeTIN(), kNoErr);
  EXPECT_EQ(host.dialogs().shown().size(), shown + 1) << "non-resident: the dialog is skipped";
  EXPECT_FALSE(TrianglesOf(tin).empty()) << "and the TIN is rebuilt with its present parameters";
}

TEST_F(CommandTest, DifferenceTINRefusalsComeBeforeAnyDialog) {
  AddNamedTIN("Existing");
  EXPECT_EQ(mgr->CreateDiffTIN(), kErrTooFewTINs);
  AddNamedTIN("Design");
  MakeCurrent("Design-3D");
  EXPECT_EQ(mgr->CreateDiffTIN(), kErrLayerHasTIN);
  EXPECT_TRUE(host.dialogs().shown().empty());
}

TEST_F(CommandTest, ChangingADifferenceTINWithANonResidentBaseIsRefused) {
  TTIN* a = AddNamedTIN("A");
  TTIN* b = AddNamedTIN("B");
  TTIN* d = AddNamedTIN("D", false);
  d->fInnerTIN = a;
  d->fOuterTIN = b;
  b->fTINParams.notResident = true;
  EXPECT_EQ(d->ChangeTIN(), kErrBaseNotResident);
  EXPECT_TRUE(host.dialogs().shown().empty());
}

// ---- the registry ----------------------------------------------------------

TEST_F(CommandTest, LookupsByNumberNameAndCurrentLayer) {
  TTIN* a = AddNamedTIN("North");
  TTIN* b = AddNamedTIN("South");
  EXPECT_EQ(mgr->GetTINByNum(0), nullptr);
  EXPECT_EQ(mgr->GetTINByNum(2), b);
  EXPECT_EQ(mgr->GetTINByNum(3), nullptr);
  Str255 name;
  PFromView(name, "South-2D", kTextCapacity);
  EXPECT_EQ(mgr->GetTINByName(name, false), nullptr);
  EXPECT_EQ(mgr->GetTINByName(name, true), b);
  a->fIDNum = 41;
  b->fIDNum = 41;
  EXPECT_EQ(mgr->GetTINByIDNum(41), a) << "the first with that number";

  MakeCurrent("North-3D");
  TTIN* found = nullptr;
  ASSERT_EQ(mgr->GetDesiredTIN(&found), kNoErr);
  EXPECT_EQ(found, a);
  EXPECT_TRUE(host.dialogs().shown().empty()) << "no chooser for the current layer's TIN";
}

TEST_F(CommandTest, ChooserPicksByRegistryPositionAndCancelIsSilent) {
  AddNamedTIN("North");
  TTIN* b = AddNamedTIN("South");
  host.dialogs().answers().chooseTIN(2);
  TTIN* found = nullptr;
  ASSERT_EQ(mgr->GetDesiredTIN(&found), kNoErr);
  EXPECT_EQ(found, b);
  host.dialogs().answers().always(11003) = DialogScript{}.cancelled();
  EXPECT_EQ(mgr->GetDesiredTIN(&found), kErrCancel);
}

TEST_F(CommandTest, DeletingABaseAsksTheBaseQuestionAndThePurgeDropsItsDifferenceTIN) {
  TTIN* a = AddNamedTIN("A");
  TTIN* b = AddNamedTIN("B");
  TTIN* d = AddNamedTIN("D", false);
  d->fInnerTIN = a;
  d->fOuterTIN = b;
  for (const char* layer : {"A", "B", "D"}) Layer(layer);
  MakeCurrent("A");
  host.dialogs().answers().confirm(true);   // delete it anyway
  host.dialogs().answers().confirm(false);  // keep its graphics
  ASSERT_EQ(mgr->DeleteTIN(nullptr), kNoErr);
  ASSERT_EQ(host.dialogs().confirms().size(), 2u);
  EXPECT_EQ(host.dialogs().confirms()[0].index, 10);
  EXPECT_EQ(host.dialogs().confirms()[1].index, 11);
  EXPECT_EQ(d->fInnerTIN, nullptr);
  ASSERT_EQ(mgr->GetNumOfTINs(), 2);

  mgr->PurgeOrphanTINs();
  ASSERT_EQ(mgr->GetNumOfTINs(), 1);
  EXPECT_EQ(mgr->GetTINByNum(1), b);
  EXPECT_EQ(host.dialogs().confirms().size(), 2u) << "the purge asks nothing";
}

TEST_F(CommandTest, DecliningTheDeletionChangesNothing) {
  AddNamedTIN("A");
  MakeCurrent("A");
  host.dialogs().answers().confirm(false);
  EXPECT_EQ(mgr->DeleteTIN(nullptr), kErrCancel);
  EXPECT_EQ(host.dialogs().confirms().at(0).index, 4);
  EXPECT_EQ(mgr->GetNumOfTINs(), 1);
}

TEST_F(CommandTest, PurgeDropsTINsWhoseLayerIsGoneAndLeavesTheirGraphics) {
  MakeCurrent("Ground");
  SurveyGrid("Ground");
  PlainTINAnswers();
  ASSERT_EQ(mgr->CreateTIN(), kNoErr);
  const std::size_t drawn = CountClass(kClass3DTriangle);
  ASSERT_GT(drawn, 0u);
  AddNamedTIN("Kept");
  Layer("Kept");
  MakeCurrent("Kept");
  host.document().remove(Layer("Ground"));
  mgr->PurgeOrphanTINs();
  ASSERT_EQ(mgr->GetNumOfTINs(), 1);
  EXPECT_EQ(PView(mgr->GetTINByNum(1)->fTINParams.tinName), "Kept");
  EXPECT_EQ(CountClass(kClass3DTriangle), drawn);
}

TEST_F(CommandTest, EnclosureIsATestOfHullRectangles) {
  auto& doc = host.document();
  auto build = [&](const std::string& layer, std::vector<std::array<int, 2>> pts) {
    doc.clearSelection();
    MakeCurrent(layer);
    for (auto [x, y] : pts) doc.select(doc.addLocus(Layer(layer), x, y, x + y));
    PlainTINAnswers();
    EXPECT_EQ(mgr->CreateTIN(), kNoErr);
    return mgr->GetTINByNum(mgr->GetNumOfTINs());
  };
  TTIN* big = build("Big", {{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}, {500, 500}});
  TTIN* small = build("Small", {{100, 100}, {900, 100}, {500, 900}});
  TTIN* tall = build("Tall", {{100, -100}, {900, 100}, {500, 900}});  // sticks out in y
  TTIN *enclosed = nullptr, *enclosing = nullptr;
  EXPECT_TRUE(mgr->OneTINEnclosesOther(big, small, &enclosed, &enclosing));
  EXPECT_EQ(enclosed, small);
  EXPECT_EQ(enclosing, big);
  EXPECT_TRUE(mgr->OneTINEnclosesOther(small, big, &enclosed, &enclosing));
  EXPECT_EQ(enclosed, small);
  EXPECT_FALSE(mgr->OneTINEnclosesOther(big, tall, &enclosed, &enclosing));
  EXPECT_EQ(enclosed, big) << "outputs keep their first values";
  EXPECT_TRUE(mgr->OneTINEnclosesOther(big, big, &enclosed, &enclosing));
  EXPECT_EQ(enclosed, big);
  const std::size_t objects = doc.objectCount();
  mgr->OneTINEnclosesOther(big, small, &enclosed, &enclosing);
  EXPECT_EQ(doc.objectCount(), objects) << "the temporary hull polygons are deleted";
}

}  // namespace
