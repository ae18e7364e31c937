// The hull walk over the band of boundary vertices appends exactly the hull
// list of the walk over every vertex: same start, same order, every collinear
// boundary vertex, the out-and-back list of collinear input, and the same
// choices where the walk's double turns cannot separate a vertex on a side
// from one a unit inside it.
#include "plugin/triangulate/ConvexHull.h"
#include "tests/support/PerfSets.h"

namespace {

class HullCompare : public TriTest, public ::testing::WithParamInterface<PerfSet> {
 protected:
  // The hull list that `determine` appends, with its code.
  std::pair<TErr, std::vector<TTINVtx*>> Hull(TTIN* tin, TErr (*determine)(TTINVtxTriMgr*)) {
    if (tin->fConvexHullVtxList != nullptr) tin->fConvexHullVtxList->Free();
    tin->fConvexHullVtxList = nullptr;
    const TErr err = determine(tin->fVtxTriMgr);
    return {err, Items(tin->fConvexHullVtxList)};
  }
};

TEST_P(HullCompare, BandWalkAppendsTheListOfTheFullWalk) {
  const std::vector<XYZ> pts = GetParam().make();
  ASSERT_GE(pts.size(), 3u) << "no data for " << GetParam().name;
  TTIN* tin = NewTIN();
  PlaceVertices(tin, pts);
  const auto fast = Hull(tin, &DetermineConvexHull);
  const auto literal = Hull(tin, &DetermineConvexHullLiteral);
  EXPECT_EQ(fast.first, literal.first);
  ASSERT_EQ(fast.second.size(), literal.second.size());
  EXPECT_EQ(fast.second, literal.second);
  EXPECT_GE(literal.second.size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(Inputs, HullCompare, ::testing::ValuesIn(PerfSets()), PerfSetName);

TEST_F(HullCompare, CollinearInputGoesOutAndBack) {
  TTIN* tin = NewTIN();
  const std::vector<TTINVtx*> v = PlaceVertices(tin, {{0, 0, 1}, {5, 0, 2}, {10, 0, 3}});
  const auto fast = Hull(tin, &DetermineConvexHull);
  EXPECT_EQ(fast.first, kNoErr);
  EXPECT_EQ(fast.second, (std::vector<TTINVtx*>{v[0], v[1], v[2], v[1]}));
}

}  // namespace
