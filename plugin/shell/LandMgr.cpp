#include "plugin/shell/LandMgr.h"

#include <cstring>

#include "plugin/dialogs/MsgDlg.h"
#include "plugin/host/KVESDK.h"
#include "plugin/host/KVEmul.h"
#include "plugin/model/TTIN.h"
#include "plugin/output/Classes.h"
#include "plugin/output/MemLevel.h"
#include "plugin/shell/Trace.h"

TLandMgr::~TLandMgr() { ReleaseAllTINs(); }

static std::int16_t MenuItemOf(const void* msg) {
  if (msg == nullptr) return 0;
  std::int16_t item;
  std::memcpy(&item, static_cast<const unsigned char*>(msg) + 6, sizeof item);
  return item;
}

std::int32_t TLandMgr::DoInterface(const void* msg) {
  Trace(kTraceShell, "Just entered TLandMgr::DoInterface; TickCount() = %d\n",
        static_cast<int>(KVE_TickCount(fCB)));
  const std::int16_t item = MenuItemOf(msg);
  std::int32_t docTouched = kDocUnchanged;
  TErr err = kNoErr;

  if (!MemLevelOK(fCB)) err = kErrMemLowAtStart;
  if (err == kNoErr && item != kMenuNothing) err = GetAllTINInfoFromDrawing();

  bool handled = true;
  if (err != kNoErr) {
    docTouched = kDocUnchanged;
  } else {
    if (fTINList != nullptr) PurgeOrphanTINs();
    RegisterClasses(fCB);
    err = RunMenuItem(item, &docTouched);
    handled = docTouched != kDocNotHandled;
  }

  if (handled && docTouched == kDocChanged && (err == kNoErr || err == kErrGroupDrawingStopped)) {
    TErr saveErr = SaveAllTINs();
    if (saveErr != kNoErr) err = saveErr;
  }

  ReleaseAllTINs();

  if (handled && err != kNoErr) ReportError(err);
  Trace(kTraceShell, "Leaving TLandMgr::DoInterface; docTouched = %d\n", docTouched);
  return docTouched;
}

// Runs the command of `item` and maps its error code to docTouched; returns
// the error left to report.
TErr TLandMgr::RunMenuItem(std::int16_t item, std::int32_t* docTouched) {
  TErr err = kNoErr;
  switch (item) {
    case kMenuCreateTIN:
    case kMenuChangeTIN:
    case kMenuDiffTIN: {
      if (item == kMenuCreateTIN) {
        TTIN* current = nullptr;
        GetTINOfCurrentLayer(&current);
        err = current != nullptr ? ChangeTIN() : CreateTIN();
      } else if (item == kMenuChangeTIN) {
        err = ChangeTIN();
      } else {
        err = CreateDiffTIN();
      }
      if (err == kNoErr || ErrGroup(err) == kGroupDrawingStopped) {
        *docTouched = kDocChanged;
      } else {
        *docTouched = kDocUnchanged;
        if (ErrGroup(err) == kGroupCancel) err = kNoErr;
      }
      return err;
    }
    case kMenuCalcArea:
    case kMenuCalcCutFillDatum: {
      *docTouched = kDocUnchanged;
      err = item == kMenuCalcArea ? CalcArea(docTouched) : CalcCutFillDatum(docTouched);
      if (err != kNoErr) {
        *docTouched = kDocUnchanged;
        if (ErrGroup(err) == kGroupCancel) err = kNoErr;
      }
      return err;
    }
    case kMenuDeleteTIN: {
      err = DeleteTIN(nullptr);
      *docTouched = err == kNoErr ? kDocChanged : kDocUnchanged;
      if (ErrGroup(err) == kGroupCancel) err = kNoErr;
      return err;
    }
    default:
      *docTouched = kDocNotHandled;
      return kNoErr;
  }
}

TErr TLandMgr::GetAllTINInfoFromDrawing() {
  TLinkedList* list = TLinkedList::New();
  if (list == nullptr) return kErrNewTINList;
  if (!list->ILinkedList()) {
    list->Free();
    return kErrInitTINList;
  }
  fTINList = list;

  KVObj header = KV_GetDrawingHeader(fCB);
  if (header == 0) {
    fTINList->Free();
    fTINList = nullptr;
    return kErrNoHeaderAtRead;
  }
  KVHandle data = KV_FindDataObject(fCB, header, kDataObjectTag);
  if (data == nullptr) return kNoErr;  // the drawing holds no TINs

  TErr err = ReadAllData(data);
  if (err != kNoErr) ReleaseAllTINs();
  return err;
}

TErr TLandMgr::SaveAllTINs() {
  KVObj header = KV_GetDrawingHeader(fCB);
  if (header == 0) return kErrNoHeaderAtSave;
  const bool hasData = GetNumOfTINs() > 0;

  KVHandle data = KV_FindDataObject(fCB, header, kDataObjectTag);
  if (data != nullptr) {
    if (!hasData) {
      KV_DeleteAuxObject(fCB, data, header);
      return kNoErr;
    }
    KVE_SetHandleSize(fCB, data, kDataObjectHostBytes);
    if (KVE_MemError(fCB) != kKVNoErr) return kErrSaveShrink;
  } else {
    if (!hasData) return kNoErr;
    data = KV_NewDataObject(fCB, header, kDataObjectTag, kDataObjectHostBytes);
    if (data == nullptr) return kErrNewDataObject;
  }

  // Measuring pass, then resize, then the writing pass.
  std::int32_t size = 0;
  TErr err = AttachDataToDrawing(nullptr, &size);
  if (err != kNoErr) return err;

  KVE_GetHandleSize(fCB, data);
  if (KVE_MemError(fCB) != kKVNoErr) return kErrSaveGetSize;
  std::int8_t state = KVE_HGetState(fCB, data);
  if (KVE_MemError(fCB) != kKVNoErr) return kErrSaveGetState;
  KVE_SetHandleSize(fCB, data, size);
  KVErr setErr = KVE_MemError(fCB);
  KVE_HSetState(fCB, data, state);
  if (setErr != kKVNoErr) return kErrSaveSetSize;

  std::int32_t counter = 0;
  return AttachDataToDrawing(data, &counter);
}

void TLandMgr::ReleaseAllTINs() {
  if (fTINList == nullptr) return;
  for (TLinkNode* node = fTINList->fFirst; node != nullptr; node = node->next) {
    delete static_cast<TTIN*>(node->item);
    node->item = nullptr;
  }
  fTINList->Free();
  fTINList = nullptr;
}

void BuildAlertTexts(KVCallback cb, TErr err, unsigned char* first, unsigned char* second) {
  first[0] = 0;
  KVE_GetIndString(cb, first, kAlertTextsList, ErrGroup(err));
  second[0] = 0;
  if (ErrDetail(err) == 0) return;
  Str255 number;
  KVE_GetIndString(cb, second, kQuestionsList, kDetailPrefixIndex);
  number[0] = 0;
  KVE_NumToString(cb, ErrGroup(err), number);
  PAppend(second, number, kTextCapacity);
  PAppendView(second, ", ", kTextCapacity);
  number[0] = 0;
  KVE_NumToString(cb, ErrDetail(err), number);
  PAppend(second, number, kTextCapacity);
}

void TLandMgr::ReportError(TErr err) {
  KVE_Ordinal504(fCB, 1);
  Str255 first;
  Str255 second;
  BuildAlertTexts(fCB, err, first, second);
  ShowMessage(fCB, first, second);
}
