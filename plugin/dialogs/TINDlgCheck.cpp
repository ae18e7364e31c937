// The validation of the TIN parameters dialog.  The checks run in a fixed
// order and stop at the first bad value:
//   1, 2  the 2D and 3D layer names: readable, not empty, at most 20
//         characters, not a name of another TIN; and different from each other
//   3     the contour interval is positive
//   4     difference TIN: both base TINs exist and keep their geometry; for a
//         new one also: two different TINs, neither a difference TIN, and the
//         inner base (item 26) lies inside the outer base (item 25)
//   5     the index contour step is positive
//   6     the lowest and highest contour elevations are readable
//   7     more than 50 contours are drawn only when the user agrees
// A refusal shows its message (string list 11100) and selects the whole text
// of the item, so that the user can type over it.
#include <cstdint>

#include "plugin/dialogs/MsgDlg.h"
#include "plugin/dialogs/TINDlg.h"
#include "plugin/host/KVESDK.h"
#include "plugin/host/KVEmul.h"
#include "plugin/model/TTIN.h"
#include "plugin/output/Layers.h"
#include "plugin/shell/LandMgr.h"

namespace {

// Message indices of string list 11100.
enum : std::int16_t {
  kMsgUnreadable = 0,
  kMsgSameBase = 7,
  kMsgNotEnclosed = 8,
  kMsgNoLayerName = 9,
  kMsgNameTaken = 10,
  kMsgIndexStep = 11,
  kMsgInterval = 12,
  kMsgSameLayers = 13,
  kMsgNameTooLong = 14,
  kMsgBaseIsDiff = 15,
  kMsgMissingBase = 16,
  kMsgNotResident = 17,
  kMsgContourRange = 17,  // the same text covers both
  kNoMessage = -1,
};

constexpr std::int16_t kSelectAllEnd = 32767;

}  // namespace

bool TTINDlg::RefuseValue(std::int16_t item, std::int16_t msg) {
  if (msg != kNoMessage) {
    Str255 text;
    text[0] = 0;
    KVE_GetIndString(fCB, text, kTINDlgMessages, msg);
    const unsigned char empty[1] = {0};
    ShowMessage(fCB, text, empty);
  }
  KVE_DlgSelectText(fCB, fDialog, item, 0, kSelectAllEnd);
  return true;
}

bool TTINDlg::BadLayerName(std::int16_t item, unsigned char* name, std::int16_t* msg) {
  if (!GetDlgString(item, name)) *msg = kMsgUnreadable;
  else if (name[0] == 0) *msg = kMsgNoLayerName;
  else if (name[0] > kMaxLayerNameLength) *msg = kMsgNameTooLong;
  else {
    TLandMgr* mgr = fTIN->fLandMgr;
    const TTIN* owner = mgr != nullptr ? mgr->GetTINByName(name, true) : nullptr;
    if (owner == nullptr || owner == fTIN) return false;
    *msg = kMsgNameTaken;
  }
  return true;
}

bool TTINDlg::BadBaseTINs(std::int16_t* msg) {
  TLandMgr* mgr = fTIN->fLandMgr;
  TTIN* inner = mgr != nullptr ? mgr->GetTINByNum(fChoice26) : nullptr;
  TTIN* outer = mgr != nullptr ? mgr->GetTINByNum(fChoice25) : nullptr;
  if (inner == nullptr || outer == nullptr) *msg = kMsgMissingBase;
  else if (inner->fTINParams.notResident || outer->fTINParams.notResident) *msg = kMsgNotResident;
  else if (!IsNewDiffTIN()) return false;
  else if (fChoice25 == fChoice26) *msg = kMsgSameBase;
  else if (!inner->fTINParams.normalTIN || !outer->fTINParams.normalTIN) *msg = kMsgBaseIsDiff;
  else {
    TTIN* enclosed = nullptr;
    TTIN* enclosing = nullptr;
    if (!mgr->OneTINEnclosesOther(inner, outer, &enclosed, &enclosing) || enclosed != inner) {
      *msg = kMsgNotEnclosed;
      return true;
    }
    fTIN->fInnerTIN = enclosed;
    fTIN->fOuterTIN = enclosing;
    return false;
  }
  return true;
}

bool TTINDlg::AnyBadValues() {
  std::int16_t msg = kNoMessage;
  Str255 name2D;
  Str255 name3D;
  if (BadLayerName(kItemLayer2D, name2D, &msg)) return RefuseValue(kItemLayer2D, msg);
  if (BadLayerName(kItemLayer3D, name3D, &msg)) return RefuseValue(kItemLayer3D, msg);
  if (EqualStrings(fCB, name3D, name2D)) return RefuseValue(kItemLayer3D, kMsgSameLayers);

  std::int32_t interval = 0;
  if (!GetDlgCoord(kItemInterval, &interval) || interval <= 0)
    return RefuseValue(kItemInterval, kMsgInterval);

  if (IsDiffTIN() && BadBaseTINs(&msg)) return RefuseValue(kItemInterval, msg);

  std::int16_t indexEvery = 0;
  if (!GetDlgWord(kItemIndexEvery, &indexEvery) || indexEvery <= 0)
    return RefuseValue(kItemIndexEvery, kMsgIndexStep);

  std::int32_t low = 0;
  std::int32_t high = 0;
  if (!GetDlgCoord(kItemLowContour, &low)) return RefuseValue(kItemLowContour, kMsgContourRange);
  if (!GetDlgCoord(kItemHighContour, &high)) return RefuseValue(kItemHighContour, kMsgContourRange);

  const std::int64_t span = std::int64_t{high} - low;
  if (span > 0 && span / kMaxContoursUnasked > interval &&
      KV_Confirm(fCB, kQuestionsList, kManyContoursQuestion, 0) == 0)
    return RefuseValue(kItemInterval, kNoMessage);
  return false;
}
