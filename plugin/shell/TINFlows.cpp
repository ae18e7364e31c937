// A TIN's own command flows: creation (dialog, build, graphics) and change
// (dialog, old graphics deleted, rebuild or new contours, graphics).
//
// Order the rest of the system relies on: the dialog runs before the build,
// so the build and the graphics see the final parameters; the hull outline is
// drawn before the triangles, the triangles before the contours; a changed
// TIN's old graphics go before new ones are made.
#include "plugin/contour/TTINContourMap.h"
#include "plugin/dialogs/TINDlg.h"
#include "plugin/host/KVESDK.h"
#include "plugin/model/TKestSortedLList.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/output/DeleteGraphics.h"
#include "plugin/output/Keys.h"
#include "plugin/shell/LandMgr.h"
#include "plugin/shell/Selection.h"
#include "plugin/triangulate/BuildTIN.h"
#include "plugin/triangulate/TriangulateErrors.h"



// Stages of the build that this version of the plug-in cannot run yet make
// the command fail honestly when the user asked for what they produce.
static TErr RefuseSkippedStages(std::uint8_t skipped) {
  return (skipped & (kStepBreaklines | kStepContourMap)) != 0 ? kErrNotBuilt : kNoErr;
}

static TErr Build(TTIN* tin) {
  std::uint8_t skipped = 0;
  TErr err = MakeSomethingOfMyself(tin, &skipped);
  return err != kNoErr ? err : RefuseSkippedStages(skipped);
}

// Runs the parameters dialog on the TIN's record.  `initFailure` is the code
// for a dialog that cannot be initialised; kErrCancel when the user cancels.
static TErr RunParamsDialog(TTIN* tin, TElevRange range, TErr initFailure) {
  auto* dlg = new TTINDlg();
  if (dlg == nullptr) return kErrNewTINDlg;
  TErr err = kNoErr;
  if (!dlg->ITINDlg(tin->fLandMgr->fCB, tin, range.low, range.high, &tin->fTINParams)) {
    err = initFailure;
  } else if (dlg->DoDialog()) {
    dlg->GetTINParams(&tin->fTINParams);
  } else {
    err = kErrCancel;
  }
  dlg->Free();
  delete dlg;
  return err;
}

TErr TTIN::DrawGraphics() {
  const TTINParams& p = fTINParams;
  TErr err = kNoErr;
  if (p.wantHull) MakeOnePolyConvexHull();
  if (p.want2DTris || p.want3DTris) err = MakeGroupAndPolysForTriangles();
  if (err == kNoErr && fContourMap != nullptr && (p.want2DCntr || p.want3DCntr))
    err = MakeGroupAndPolysForContourPolylines(p.cntr2DVtxKind, p.want2DCntr, p.want3DCntr,
                                               p.labelCntrs, p.makeGroups);
  return err;
}

TErr TTIN::CreateTIN(TTIN* firstBase, TTIN* secondBase, TElevRange range) {
  KVCallback cb = fLandMgr->fCB;
  KV_SetUndoMethod(cb, kKVUndoPluginCommand);
  fInnerTIN = firstBase;
  fOuterTIN = secondBase;
  fTINParams.normalTIN = firstBase == nullptr;
  InitVars(cb);
  ApplyDefaultInterval(&fTINParams, range.low, range.high);

  TErr err = RunParamsDialog(this, range, kErrInitTINDlg);
  if (err == kNoErr) err = Build(this);
  if (err == kNoErr) err = DrawGraphics();
  return err;
}

TErr TTIN::ChangeTIN() {
  KVCallback cb = fLandMgr->fCB;
  if ((fInnerTIN != nullptr && fInnerTIN->fTINParams.notResident) ||
      (fOuterTIN != nullptr && fOuterTIN->fTINParams.notResident))
    return kErrBaseNotResident;

  const bool fromScratch = fTINParams.notResident;
  KV_SetUndoMethod(cb, kKVUndoPluginCommand);

  TElevRange range{fTINParams.lowContourElev, fTINParams.highContourElev};
  if (!fromScratch && fTINVtxListByZ != nullptr && fTINVtxListByZ->fFirst != nullptr) {
    const auto* lowest = static_cast<const TTINVtx*>(fTINVtxListByZ->fFirst->item);
    const auto* highest = static_cast<const TTINVtx*>(fTINVtxListByZ->fLast->item);
    if (lowest != nullptr && highest != nullptr) range = TElevRange{lowest->z, highest->z};
  }

  if (!(fromScratch && IsKeyDown(cb, kKeyOption))) {
    TErr err = RunParamsDialog(this, range, kErrCancel);
    if (err == kErrNewTINDlg) return kNoErr;  // no dialog, nothing changes
    if (err != kNoErr) return kErrCancel;
  }
  const bool rebuild = fromScratch || fTINParams.notResident;

  DeleteTINGraphics(cb, this);
  FreeContourMap();

  TErr err = kNoErr;
  if (rebuild) {
    DeleteVtxHullAndTriLists();
    err = Build(this);
  } else {
    err = RemakeContourMap();
  }
  if (err == kNoErr) err = DrawGraphics();
  return err;
}

void TTIN::FreeContourMap() {
  delete fContourMap;
  fContourMap = nullptr;
}

TErr TTIN::RemakeContourMap() {
  auto* map = new TTINContourMap();
  if (map == nullptr) return kErrNoContourMapMemory;
  TErr err = map->MakeSomethingOfMyself(this);
  if (err != kNoErr) {
    delete map;
    return err;
  }
  FreeContourMap();
  fContourMap = map;
  return kNoErr;
}
