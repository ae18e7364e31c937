// TTINDlg: initialisation, preparation of the items, filling them, the base
// TIN pop-ups, and reading the values back.  The validation is in
// TINDlgCheck.cpp.
#include "plugin/dialogs/TINDlg.h"

#include <limits>

#include "plugin/dialogs/PopUps.h"
#include "plugin/host/KVESDK.h"
#include "plugin/host/KVEmul.h"
#include "plugin/model/TKestSortedLList.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/output/UserUnit.h"
#include "plugin/shell/LandMgr.h"
#include "plugin/shell/Trace.h"

// a - b of two elevations as a 32-bit value.  Ranges near the limits of the
// coordinate type wrap as 32-bit arithmetic does instead of overflowing.
static std::int32_t Diff32(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

namespace {

// Lowest and highest vertex elevation of a TIN; 0 and 0 for a missing TIN or
// one without vertices.
void TINElevRange(const TTIN* tin, std::int32_t* low, std::int32_t* high) {
  *low = *high = 0;
  if (tin == nullptr || tin->fTINVtxListByZ == nullptr) return;
  const TLinkNode* first = tin->fTINVtxListByZ->fFirst;
  const TLinkNode* last = tin->fTINVtxListByZ->fLast;
  if (first == nullptr || last == nullptr || first->item == nullptr || last->item == nullptr) return;
  *low = static_cast<const TTINVtx*>(first->item)->GetZ();
  *high = static_cast<const TTINVtx*>(last->item)->GetZ();
}

TTIN* RegistryTIN(const TTIN* tin, std::int16_t num) {
  return tin != nullptr && tin->fLandMgr != nullptr ? tin->fLandMgr->GetTINByNum(num) : nullptr;
}

// Sets a pop-up's choice when it has that entry.
void ShowChoice(TPopUp* popUp, std::int16_t choice) {
  if (popUp != nullptr && choice >= 1 && choice <= popUp->GetNumItems()) popUp->SetChoice(choice);
}

constexpr std::int16_t kFlagItems1[] = {30, 31, 32, 33, 34, 35};
constexpr std::int16_t kFlagItems2[] = {37, 38, 39};

}  // namespace

bool TTINDlg::ITINDlg(KVCallback cb, TTIN* tin, std::int32_t elevLow, std::int32_t elevHigh,
                      const TTINParams* params) {
  const std::int16_t resource = params->normalTIN ? kTINDlgResource : kDiffTINDlgResource;
  if (!IHMDialog(resource, 52, cb)) {
    Trace(kTraceShell, "ITINDlg , IHMDialog failed");
    return false;
  }
  fBasePopUp25 = fBasePopUp26 = nullptr;
  fTIN = tin;
  fTINParams = *params;
  fElevLow = elevLow;
  fElevHigh = elevHigh;
  fChoice25 = 1;
  fChoice26 = 2;
  fNewDiffTIN = tin->fTINVtxListByZ == nullptr;
  return true;
}

void TTINDlg::Free() {
  FreePopUp(&fBasePopUp26);
  FreePopUp(&fBasePopUp25);
  THMDialog::Free();
}

bool TTINDlg::Prep() {
  if (!IsDiffTIN()) {
    for (std::int16_t item = kItemDiffFirst; item <= kItemInnerName; ++item) {
      KVRect box;
      KVE_DlgGetItem(fCB, fDialog, item, &box);
      KVE_DlgHideItem(fCB, fDialog, item);
    }
  } else if (fNewDiffTIN) {
    fBasePopUp25 = MakePopUp(this, kItemOuterPopUp, kOuterBaseMenu);
    if (fBasePopUp25 == nullptr) return false;
    fBasePopUp26 = MakePopUp(this, kItemInnerPopUp, kInnerBaseMenu);
    if (fBasePopUp26 == nullptr) return false;
    AddPopUp(fBasePopUp25);
    AddPopUp(fBasePopUp26);
    KVE_DlgHideItem(fCB, fDialog, kItemOuterName);
    KVE_DlgHideItem(fCB, fDialog, kItemInnerName);
  } else {
    Str255 missing;
    missing[0] = 0;
    KVE_GetIndString(fCB, missing, kQuestionsList, kMissingBaseIndex);
    const TTIN* inner = fTIN->fInnerTIN;
    const TTIN* outer = fTIN->fOuterTIN;
    PutDlgString(kItemInnerName, inner != nullptr ? inner->fTINParams.tinName : missing);
    PutDlgString(kItemOuterName, outer != nullptr ? outer->fTINParams.tinName : missing);
    KVE_DlgHideItem(fCB, fDialog, kItemOuterPopUp);
    KVE_DlgHideItem(fCB, fDialog, kItemInnerPopUp);
  }
  SetHelpView(kTINDlgHelpView);
  return true;
}

// The difference surface is the inner base (item 26) minus the outer base
// (item 25): its lowest possible value is inner low - outer high.
void TTINDlg::ComputeDiffRange() {
  std::int32_t innerLow, innerHigh, outerLow, outerHigh;
  TINElevRange(RegistryTIN(fTIN, fChoice26), &innerLow, &innerHigh);
  TINElevRange(RegistryTIN(fTIN, fChoice25), &outerLow, &outerHigh);
  fElevLow = Diff32(innerLow, outerHigh);
  fElevHigh = Diff32(innerHigh, outerLow);
}

void TTINDlg::ShowElevRange() {
  Str255 text;
  const std::int32_t values[3] = {fElevLow, fElevHigh, Diff32(fElevHigh, fElevLow)};
  const std::int16_t items[3] = {kItemElevLow, kItemElevHigh, kItemElevExtent};
  for (int i = 0; i < 3; ++i) {
    text[0] = 0;
    KV_CoordToDimString(fCB, values[i], text);
    PutDlgString(items[i], text);
  }
}

bool TTINDlg::ImportData() {
  if (IsNewDiffTIN()) {
    ComputeDiffRange();
    fTINParams.contourInterval = fElevLow < fElevHigh
                                     ? static_cast<std::int32_t>((std::int64_t{fElevHigh} - fElevLow) / kDefaultIntervalDivisor)
                                     : GetUnitsValue(fCB);
  }
  ShowElevRange();

  PutDlgWord(kItemIndexEvery, fTINParams.indexContourEvery);
  PutDlgCoord(kItemDatum, fTINParams.datumElev, 0);
  PutDlgCoord(kItemContourBase, fTINParams.contourBaseElev, 0);
  PutDlgCoord(kItemLowContour, fElevLow, 0);
  PutDlgCoord(kItemHighContour, fElevHigh, 0);
  PutDlgString(kItemTINName, fTINParams.tinName);
  PutDlgString(kItemLayer2D, fTINParams.layer2DName);
  PutDlgString(kItemLayer3D, fTINParams.layer3DName);
  PutDlgCoord(kItemInterval, fTINParams.contourInterval, 1);

  const bool flags1[6] = {fTINParams.want2DCntr, fTINParams.want3DTris, fTINParams.want2DTris,
                          fTINParams.want3DCntr, fTINParams.labelCntrs, fTINParams.wantHull};
  for (int i = 0; i < 6; ++i) PutDlgChkRadio(kFlagItems1[i], flags1[i]);
  PutDlgChkRadio(kItemSmooth2D, fTINParams.cntr2DVtxKind != kContourCorners);
  const bool flags2[3] = {fTINParams.makeGroups, fTINParams.useBrklns, fTINParams.notResident};
  for (int i = 0; i < 3; ++i) PutDlgChkRadio(kFlagItems2[i], flags2[i]);
  return true;
}

void TTINDlg::First() {
  if (!IsNewDiffTIN()) return;
  EmptyPopUp(fBasePopUp25);
  EmptyPopUp(fBasePopUp26);
  if (fTIN->fLandMgr != nullptr && fTIN->fLandMgr->fTINList != nullptr) {
    for (const TLinkNode* node = fTIN->fLandMgr->fTINList->fFirst; node != nullptr; node = node->next) {
      const auto* tin = static_cast<const TTIN*>(node->item);
      if (tin == nullptr) continue;
      AppendNamedItem(fBasePopUp25, tin->fTINParams.tinName);
      AppendNamedItem(fBasePopUp26, tin->fTINParams.tinName);
    }
  }
  ShowChoice(fBasePopUp25, fChoice25);
  RedrawItem(kItemOuterPopUp);
  ShowChoice(fBasePopUp26, fChoice26);
  RedrawItem(kItemInnerPopUp);

  // A missing base can be "chosen" as the extra last entry; validation then
  // refuses it.  A TIN being created carries a provisional inner marker, so
  // only the outer pop-up gets the entry.
  Str255 missing;
  missing[0] = 0;
  KVE_GetIndString(fCB, missing, kQuestionsList, kMissingBaseIndex);
  if (fTIN->fInnerTIN == nullptr) AppendNamedItem(fBasePopUp26, missing);
  if (fTIN->fOuterTIN == nullptr) AppendNamedItem(fBasePopUp25, missing);
}

void TTINDlg::ExportData() {}

void TTINDlg::RadioButtonHit(std::int16_t) {}

void TTINDlg::PopUpHit(std::int16_t item, std::int16_t choice) {
  if (!IsNewDiffTIN()) return;
  if (item == kItemOuterPopUp) fChoice25 = choice;
  else if (item == kItemInnerPopUp) fChoice26 = choice;
  else return;
  ComputeDiffRange();
  ShowElevRange();
}

void TTINDlg::GetTINParams(TTINParams* out) {
  PCopy(out->tinName, fTINParams.tinName, kNameCapacity);
  Str255 name;
  if (!GetDlgString(kItemLayer2D, name)) PCopy(name, fTINParams.layer2DName, kNameCapacity);
  PCopy(out->layer2DName, name, kNameCapacity);
  if (!GetDlgString(kItemLayer3D, name)) PCopy(name, fTINParams.layer3DName, kNameCapacity);
  PCopy(out->layer3DName, name, kNameCapacity);

  std::int32_t coord = 0;
  if (GetDlgCoord(kItemInterval, &coord)) {
    out->contourInterval = coord == std::numeric_limits<std::int32_t>::min()
                               ? std::numeric_limits<std::int32_t>::max()
                               : (coord < 0 ? -coord : coord);
  } else {
    out->contourInterval = GetUnitsValue(fCB);
  }
  std::int16_t word = 0;
  out->indexContourEvery = GetDlgWord(kItemIndexEvery, &word) ? word : kDefaultIndexContourEvery;
  std::int32_t* const elevs[4] = {&out->datumElev, &out->contourBaseElev, &out->lowContourElev,
                                  &out->highContourElev};
  for (int i = 0; i < 4; ++i) {
    const auto item = static_cast<std::int16_t>(kItemDatum + i);
    *elevs[i] = GetDlgCoord(item, &coord) ? coord : 0;
  }

  bool* const flags1[6] = {&out->want2DCntr, &out->want3DTris, &out->want2DTris,
                           &out->want3DCntr, &out->labelCntrs, &out->wantHull};
  for (int i = 0; i < 6; ++i) *flags1[i] = GetDlgChkRadio(kFlagItems1[i]);
  out->cntr2DVtxKind = GetDlgChkRadio(kItemSmooth2D) ? kContourSmoothed : kContourCorners;
  bool* const flags2[3] = {&out->makeGroups, &out->useBrklns, &out->notResident};
  for (int i = 0; i < 3; ++i) *flags2[i] = GetDlgChkRadio(kFlagItems2[i]);
  out->spareFlag = fTINParams.spareFlag;
}
