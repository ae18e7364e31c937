// The manager's command flows behind the menu items: each finds or makes the
// TIN and hands over to the TIN's own operation.
#include "plugin/host/KVESDK.h"
#include "plugin/model/TTIN.h"
#include "plugin/output/BusyCursor.h"
#include "plugin/shell/LandMgr.h"
#include "plugin/shell/Selection.h"

// Creates a TIN bound to this manager and initialises it; null when either
// the memory or the builder is refused.
static TTIN* NewInitialisedTIN(TLandMgr* mgr, bool normal) {
  auto* tin = new TTIN(mgr);
  if (tin == nullptr) return nullptr;
  tin->fTINParams.normalTIN = normal;
  tin->InitVars(mgr->fCB);
  if (!tin->MakeVtxTriMgr()) {
    delete tin;
    return nullptr;
  }
  return tin;
}

TErr TLandMgr::CreateTIN() {
  TElevRange range{};
  if (!CheckOnlyLociSelGE3(fCB, &range)) return kErrTooFewPoints;
  TTIN* tin = NewInitialisedTIN(this, true);
  if (tin == nullptr) return kNoErr;
  TErr err = tin->CreateTIN(nullptr, nullptr, range);
  if (err != kNoErr) {
    delete tin;
    return err;
  }
  if (!AppendTIN(tin)) delete tin;
  return kNoErr;
}

TErr TLandMgr::ChangeTIN() {
  TTIN* tin = nullptr;
  TErr err = GetDesiredTIN(&tin);
  if (err != kNoErr) return err;
  return tin->ChangeTIN();
}

TErr TLandMgr::CalcArea(std::int32_t* docTouched) {
  TTIN* tin = nullptr;
  TErr err = GetDesiredTIN(&tin);
  if (err != kNoErr) return err;
  return tin->CalcArea(docTouched);
}

TErr TLandMgr::CalcCutFillDatum(std::int32_t* docTouched) {
  TTIN* tin = nullptr;
  TErr err = GetDesiredTIN(&tin);
  if (err != kNoErr) return err;
  return tin->CalcCutFillDatum(docTouched);
}

TErr TLandMgr::CreateDiffTIN() {
  if (GetNumOfTINs() < 2) return kErrTooFewTINs;
  TTIN* current = nullptr;
  GetTINOfCurrentLayer(&current);
  if (current != nullptr) return kErrLayerHasTIN;
  TTIN* tin = NewInitialisedTIN(this, false);
  if (tin == nullptr) return kErrNewDiffTIN;
  TErr err = tin->CreateTIN(ProvisionalBase(), nullptr, TElevRange{0, 0});
  if (err != kNoErr) {
    delete tin;
    return err;
  }
  if (!AppendTIN(tin)) delete tin;
  return kNoErr;
}
