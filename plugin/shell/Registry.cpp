// The registry of TINs held by the manager during a command.
#include "host/KVESDK.h"
#include "model/TTIN.h"
#include "shell/LandMgr.h"

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

// A TIN belongs to the current layer when one of its three names equals the
// layer's name.  TINs carry no names until the model arrives, so no TIN can
// be in the list yet and the answer is "none".
TErr TLandMgr::GetTINOfCurrentLayer(TTIN** tin) {
  *tin = nullptr;
  return kNoErr;
}

// Orphan TINs (layers or base TINs gone) are found through the TIN's names and
// base links, which arrive with the model; until then the list is always empty.
void TLandMgr::PurgeOrphanTINs() {}
