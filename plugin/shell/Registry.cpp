// The registry: every TIN of the drawing, held by the manager during a
// command in the order they are stored, followed by the TINs created during
// the command.  Lookups by number count from 1; removal uses 0-based list
// positions.  The list owns its TINs: removing one destroys it.
#include "plugin/dialogs/TINChooserDlg.h"
#include "plugin/host/KVESDK.h"
#include "plugin/host/KVEmul.h"
#include "plugin/model/TTIN.h"
#include "plugin/output/DeleteGraphics.h"
#include "plugin/output/Layers.h"
#include "plugin/shell/LandMgr.h"
#include "plugin/shell/Trace.h"

constexpr std::int16_t kAskDeleteTIN = 4;
constexpr std::int16_t kAskDeleteBaseTIN = 10;
constexpr std::int16_t kAskDeleteGraphics = 11;

std::int32_t TLandMgr::GetNumOfTINs() const {
  if (fTINList == nullptr) return 0;
  std::int32_t n = 0;
  for (TLinkNode* node = fTINList->fFirst; node != nullptr; node = node->next) ++n;
  return n;
}

TTIN* TLandMgr::GetTINByNum(std::int32_t num) const {
  if (fTINList == nullptr || num < 1) return nullptr;
  TLinkNode* node = fTINList->fFirst;
  for (std::int32_t i = 1; node != nullptr && i < num; ++i) node = node->next;
  return node != nullptr ? static_cast<TTIN*>(node->item) : nullptr;
}

TTIN* TLandMgr::GetTINByIDNum(std::uint32_t idNum) const {
  if (fTINList == nullptr) return nullptr;
  for (TLinkNode* node = fTINList->fFirst; node != nullptr; node = node->next) {
    auto* tin = static_cast<TTIN*>(node->item);
    if (tin != nullptr && tin->fIDNum == idNum) return tin;
  }
  return nullptr;
}

TTIN* TLandMgr::GetTINByName(const unsigned char* name, bool searchLayerNames) const {
  if (fTINList == nullptr) return nullptr;
  for (TLinkNode* node = fTINList->fFirst; node != nullptr; node = node->next) {
    auto* tin = static_cast<TTIN*>(node->item);
    if (tin == nullptr) continue;
    const TTINParams& p = tin->fTINParams;
    if (EqualStrings(fCB, p.tinName, name)) return tin;
    if (searchLayerNames &&
        (EqualStrings(fCB, p.layer2DName, name) || EqualStrings(fCB, p.layer3DName, name)))
      return tin;
  }
  return nullptr;
}

bool TLandMgr::AppendTIN(TTIN* tin) {
  return fTINList != nullptr && tin != nullptr && fTINList->Append(tin);
}

TErr TLandMgr::GetTINOfCurrentLayer(TTIN** tin) {
  *tin = nullptr;
  Str255 layerName;
  layerName[0] = 0;
  KV_GetObjectName(fCB, KV_GetCurrentLayer(fCB), layerName);
  *tin = GetTINByName(layerName, true);
  return kNoErr;
}

TErr TLandMgr::GetDesiredTIN(TTIN** tin) {
  GetTINOfCurrentLayer(tin);
  if (*tin != nullptr) return kNoErr;
  if (GetNumOfTINs() == 0) return kErrNoTIN;

  auto* dlg = new TTINChooserDlg();
  if (dlg == nullptr) return kErrNewChooser;
  TErr err = kNoErr;
  if (!dlg->ITINChooserDlg(fCB, this)) {
    err = kErrInitChooser;
  } else if (dlg->DoDialog()) {
    *tin = GetTINByNum(dlg->GetChosenTINNum());
    // A choice outside the registry cannot come from the chooser's pop-ups;
    // treat it like no choice rather than acting on nothing.
    if (*tin == nullptr) err = kErrCancel;
  } else {
    err = kErrCancel;
  }
  dlg->Free();
  delete dlg;
  return err;
}

// Whether some registry member has `tin` as a base.
static bool IsBaseOfAnother(const TLinkedList* list, const TTIN* tin) {
  for (TLinkNode* node = list->fFirst; node != nullptr; node = node->next) {
    auto* other = static_cast<TTIN*>(node->item);
    if (other != nullptr && (other->fInnerTIN == tin || other->fOuterTIN == tin)) return true;
  }
  return false;
}

TErr TLandMgr::DeleteTIN(TTIN* tin) {
  const bool interactive = tin == nullptr;
  if (GetNumOfTINs() == 0) return kErrNoTIN;
  if (interactive) {
    TErr err = GetDesiredTIN(&tin);
    if (err != kNoErr) return err;
  }
  if (interactive) {
    std::int16_t question = IsBaseOfAnother(fTINList, tin) ? kAskDeleteBaseTIN : kAskDeleteTIN;
    if (KV_Confirm(fCB, kQuestionsList, question, 0) != 1) return kErrCancel;
  }

  std::int32_t position = 0;
  TLinkNode* node = fTINList->fFirst;
  for (; node != nullptr && node->item != tin; node = node->next) ++position;
  if (node == nullptr) return kErrNoTIN;  // not a member: nothing to delete

  if (interactive && KV_Confirm(fCB, kQuestionsList, kAskDeleteGraphics, 0) == 1)
    DeleteTINGraphics(fCB, tin);
  for (TLinkNode* n = fTINList->fFirst; n != nullptr; n = n->next) {
    auto* other = static_cast<TTIN*>(n->item);
    if (other == nullptr) continue;
    if (other->fInnerTIN == tin) other->fInnerTIN = nullptr;
    if (other->fOuterTIN == tin) other->fOuterTIN = nullptr;
  }
  tin->FreeContourMap();
  tin->DeleteVtxHullAndTriLists();
  // What its builds reported goes with it.
  KV_ReportBuildNotices(fCB, tin->fTINParams.tinName, nullptr, 0);

  delete tin;
  fTINList->SetPos(position);
  fTINList->Remove();
  return kNoErr;
}

void TLandMgr::PurgeOrphanTINs() {
  if (fTINList == nullptr) return;
  // Pass 1: TINs whose data layer is gone.  Pass 2: difference TINs that lost
  // a base.  Each deletion restarts its pass from the beginning.
  for (int pass = 1; pass <= 2; ++pass) {
    bool deleted = true;
    while (deleted) {
      deleted = false;
      for (TLinkNode* node = fTINList->fFirst; node != nullptr; node = node->next) {
        auto* tin = static_cast<TTIN*>(node->item);
        if (tin == nullptr) continue;
        bool orphan = pass == 1 ? GetLayerByName(fCB, tin->fTINParams.tinName) == 0
                                : !tin->fTINParams.normalTIN &&
                                      (tin->fInnerTIN == nullptr || tin->fOuterTIN == nullptr);
        if (orphan) {
          Trace(kTraceShell, "PurgeOrphanTINs: deleting an orphan TIN\n");
          DeleteTIN(tin);
          deleted = true;
          break;
        }
      }
    }
  }
}

// The bounding rectangle of a TIN's hull, through a temporary polygon.
static bool HullBounds(KVCallback cb, TTIN* tin, KVObj* poly, KVRect* rect) {
  *poly = tin != nullptr ? tin->MakePlainPolyOfHull() : 0;
  if (*poly == 0) return false;
  KV_GetObjectBounds(cb, *poly, rect);
  return true;
}

static bool SameRect(const KVRect& a, const KVRect& b) {
  return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

bool TLandMgr::OneTINEnclosesOther(TTIN* first, TTIN* second, TTIN** enclosed,
                                   TTIN** enclosing) {
  *enclosed = first;
  *enclosing = second;
  KVObj poly1 = 0;
  KVObj poly2 = 0;
  KVRect r1{};
  KVRect r2{};
  const bool have1 = HullBounds(fCB, first, &poly1, &r1);
  const bool have2 = HullBounds(fCB, second, &poly2, &r2);
  bool result = false;
  if (have1 && have2) {
    KVRect cut{};
    cut.left = r1.left > r2.left ? r1.left : r2.left;
    cut.right = r1.right < r2.right ? r1.right : r2.right;
    cut.top = r1.top < r2.top ? r1.top : r2.top;
    cut.bottom = r1.bottom > r2.bottom ? r1.bottom : r2.bottom;
    if (cut.left > cut.right || cut.bottom > cut.top) cut = KVRect{};
    if (SameRect(cut, r1)) {
      result = true;
    } else if (SameRect(cut, r2)) {
      result = true;
      *enclosed = second;
      *enclosing = first;
    }
  }
  if (poly1 != 0) KV_DeleteObject(fCB, poly1);
  if (poly2 != 0) KV_DeleteObject(fCB, poly2);
  return result;
}
