#include "plugin/triangulate/BuildTIN.h"

#include "plugin/contour/TTINContourMap.h"
#include "plugin/host/KVUTIL.h"
#include "plugin/model/TKestXYAndHdlArray.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/model/TTINVtxTriMgr.h"
#include "plugin/shell/Trace.h"
#include "plugin/triangulate/Breaklines.h"
#include "plugin/triangulate/BrklnNotices.h"
#include "plugin/triangulate/ConvexHull.h"
#include "plugin/triangulate/FlatTriangles.h"
#include "plugin/triangulate/HullFan.h"
#include "plugin/triangulate/TriangulateErrors.h"
#include "plugin/triangulate/VertexInsertion.h"
#include "plugin/triangulate/VertexLinks.h"
#include "plugin/triangulate/VtxCollection.h"

namespace {

// The record of the breaklines' sources lives from the collection to the end
// of the build, however it ends.
class TSourcesOfOneBuild {
 public:
  explicit TSourcesOfOneBuild(TTINVtxTriMgr* mgr) : fMgr(mgr) {}
  ~TSourcesOfOneBuild() { fMgr->SetBrklnSources(nullptr); }
  TSourcesOfOneBuild(const TSourcesOfOneBuild&) = delete;
  TSourcesOfOneBuild& operator=(const TSourcesOfOneBuild&) = delete;

 private:
  TTINVtxTriMgr* fMgr;
};

TErr BuildSteps(TTIN* tin, bool withContourMap, std::uint8_t* skipped) {
  if (skipped != nullptr) *skipped = 0;
  if (tin->fVtxTriMgr == nullptr) return kErrNotBuilt;
  TTINVtxTriMgr* mgr = tin->fVtxTriMgr;
  const TSourcesOfOneBuild sources(mgr);
  TErr err = MakeVtxList(mgr);
  if (err == kNoErr) err = DetermineConvexHull(mgr);
  if (err == kNoErr) err = TriangulateFromScratch(tin);
  if (err == kNoErr) err = AssignHighTrianglesToVertices(mgr);
  if (err != kNoErr) return err;

  if (tin->fBrklnList == nullptr) {
    TLinkedList* list = TLinkedList::New();
    if (list != nullptr && !list->ILinkedList()) {
      list->Free();
      list = nullptr;
    }
    if (list == nullptr) Trace(kTraceBuild, "Build: no empty breakline list\n");
    tin->fBrklnList = list;
  }
  // Breakline enforcement when useBrklns is set and at least one breakline
  // was collected, then flat-triangle removal (which does nothing otherwise).
  const bool withBrklns =
      tin->fTINParams.useBrklns && tin->fBrklnList != nullptr && tin->fBrklnList->fFirst != nullptr;
  if (withBrklns) err = ApplyBreaklines(tin);
  if (err == kNoErr) err = FillConcavities(tin);
  if (err != kNoErr) return err;
  // The links again, since breaklines and flips change the triangles.  Both
  // do nothing without breaklines, and the pass over unchanged triangles
  // changes no link (each vertex already holds its highest partner, and a
  // link moves only to a strictly higher one), so the indexed build skips it.
  if (withBrklns || tin->fSteps == TSteps::kLiteral) err = AssignHighTrianglesToVertices(mgr);
  if (err != kNoErr) return err;
  // What the TIN does not hold of its breaklines goes to the host; the TIN
  // is built all the same.
  ReportBreaklineNotices(tin);
  // The contour map: on success it replaces the TIN's map; on failure it is
  // freed and its code is the result.
  if (withContourMap) {
    auto* map = new TTINContourMap();
    if (map == nullptr) return kErrNoContourMapMemory;
    err = map->MakeSomethingOfMyself(tin);
    if (err != kNoErr) {
      delete map;
      return err;
    }
    delete tin->fContourMap;
    tin->fContourMap = map;
  }
  return kNoErr;
}

}  // namespace

TErr MakeSomethingOfMyself(TTIN* tin, std::uint8_t* skipped) {
  return BuildSteps(tin, true, skipped);
}

TErr RebuildSurface(TTIN* tin, std::uint8_t* skipped) {
  tin->DeleteVtxHullAndTriLists();
  return BuildSteps(tin, false, skipped);
}

TErr TriangulateFromScratch(TTIN* tin) {
  auto* array = new TKestXYAndHdlArray();
  if (array == nullptr) {
    Trace(kTraceBuild, "kErrLocnTINCreation63\n");  // kErrScratchNoXYArray; go on without
  } else if (array->InitKestXYAndHdlArray() != kNoErr) {
    delete array;
    array = nullptr;
  }
  tin->fVtxArrayByX = array;
  if (array != nullptr && tin->fConvexHullVtxList != nullptr)
    for (TLinkNode* node = tin->fConvexHullVtxList->fFirst; node != nullptr; node = node->next) {
      auto* v = static_cast<TTINVtx*>(node->item);
      if (v != nullptr) array->AddXYAndHdl(TXYPoint{v->x, v->y}, v);
    }

  TErr err = TriangulateConvexHull(tin);
  if (err == kNoErr) err = DelauneyizeFirstTrianglesOfHull(tin);
  if (err == kNoErr) err = AssignAllTrisToAllVtxs(tin->fVtxTriMgr);
  if (err == kNoErr) err = AddInteriorVerticesAndTriangulate(tin);

  if (tin->fVtxArrayByX != nullptr) {
    tin->fVtxArrayByX->DisposeXYAndHdlArray();
    delete tin->fVtxArrayByX;
    tin->fVtxArrayByX = nullptr;
  }
  return err;
}
