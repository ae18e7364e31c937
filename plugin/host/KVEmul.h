// The host toolbox (relocatable handles, memory level, ticks, string lists,
// number formatting, cursors, keys, dialog items and pop-up menus) as the
// plug-in calls it.  Each routine goes through the callback block.
#pragma once

#include <cstdint>
#include <cstring>

#include "plugin/host/KVABI.h"

// Toolbox ordinals of the routines the plug-in imports, kept for reference in
// traces and documentation.
enum KVEmulOrdinal : std::int16_t {
  kOrdFreeMem = 285,
  kOrdGetCursor = 296,
  kOrdGetDialogItem = 298,
  kOrdGetIndString = 302,
  kOrdGetKeys = 305,
  kOrdHideDialogItem = 325,
  kOrdSelectDialogItemText = 462,
  kOrdSetCursor = 468,
  kOrdResetBeforeAlert = 504,
  kOrdTickCount = 521,
  kOrdDecimalToString = 775,
  kOrdCompareString = 818,
  kOrdPurgeSpace = 1097,
  kOrdNumToDecimal = 1151,
};

inline KVHandle KVE_NewHandle(KVCallback cb, std::int32_t size) { return cb->NewHandle(cb, size); }
inline void KVE_DisposeHandle(KVCallback cb, KVHandle h) { cb->DisposeHandle(cb, h); }
inline std::int32_t KVE_GetHandleSize(KVCallback cb, KVHandle h) {
  return cb->GetHandleSize(cb, h);
}
inline void KVE_SetHandleSize(KVCallback cb, KVHandle h, std::int32_t size) {
  cb->SetHandleSize(cb, h, size);
}
inline std::int8_t KVE_HGetState(KVCallback cb, KVHandle h) { return cb->HGetState(cb, h); }
inline void KVE_HSetState(KVCallback cb, KVHandle h, std::int8_t state) {
  cb->HSetState(cb, h, state);
}
inline KVErr KVE_MemError(KVCallback cb) { return cb->MemError(cb); }
inline std::int32_t KVE_FreeMem(KVCallback cb) { return cb->FreeMem(cb); }
inline void KVE_PurgeSpace(KVCallback cb, std::int32_t* total, std::int32_t* contiguous) {
  cb->PurgeSpace(cb, total, contiguous);
}
inline void KVE_LdToX80(KVCallback cb, double value, std::uint8_t* x80) {
  cb->LdToX80(cb, value, x80);
}
inline double KVE_X80ToLd(KVCallback cb, const std::uint8_t* x80) { return cb->X80ToLd(cb, x80); }
inline std::uint32_t KVE_TickCount(KVCallback cb) { return cb->TickCount(cb); }
inline void KVE_GetIndString(KVCallback cb, unsigned char* out, std::int16_t listId,
                             std::int16_t index) {
  cb->GetIndString(cb, out, listId, index);
}
inline void KVE_NumToString(KVCallback cb, std::int32_t value, unsigned char* out) {
  cb->NumToString(cb, value, out);
}
inline std::int16_t KVE_CompareString(KVCallback cb, const unsigned char* a,
                                      const unsigned char* b) {
  return cb->CompareString(cb, a, b);
}
inline void KVE_NumToDecimal(KVCallback cb, const KVDecForm* form, double value, KVDecimal* out) {
  cb->NumToDecimal(cb, form, value, out);
}
inline void KVE_DecimalToString(KVCallback cb, const KVDecForm* form, const KVDecimal* d,
                                unsigned char* out) {
  cb->DecimalToString(cb, form, d, out);
}
inline void* KVE_GetCursor(KVCallback cb, std::int16_t id) { return cb->GetCursor(cb, id); }
inline void KVE_SetCursor(KVCallback cb, void* cursor) { cb->SetCursor(cb, cursor); }
inline void KVE_GetKeys(KVCallback cb, std::uint8_t* keyMap16) { cb->GetKeys(cb, keyMap16); }
inline void KVE_Ordinal504(KVCallback cb, std::int16_t arg) { cb->Ordinal504(cb, arg); }
inline KVDialogRef KVE_DialogCreate(KVCallback cb, std::int16_t resId, std::int16_t value,
                                    void* self, KVDialogEventProc proc) {
  return cb->DialogCreate(cb, resId, value, self, proc);
}
inline std::uint8_t KVE_DialogRun(KVCallback cb, KVDialogRef dlg) { return cb->DialogRun(cb, dlg); }
inline void KVE_DialogDispose(KVCallback cb, KVDialogRef dlg) { cb->DialogDispose(cb, dlg); }
inline void KVE_DlgPutString(KVCallback cb, KVDialogRef a0, std::int16_t item,
                             const unsigned char* text) {
  cb->DlgPutString(cb, a0, item, text);
}
inline std::uint8_t KVE_DlgGetString(KVCallback cb, KVDialogRef a0, std::int16_t item,
                                     unsigned char* out) {
  return cb->DlgGetString(cb, a0, item, out);
}
inline void KVE_DlgPutWord(KVCallback cb, KVDialogRef a0, std::int16_t item, std::int16_t value) {
  cb->DlgPutWord(cb, a0, item, value);
}
inline std::uint8_t KVE_DlgGetWord(KVCallback cb, KVDialogRef a0, std::int16_t item,
                                   std::int16_t* out) {
  return cb->DlgGetWord(cb, a0, item, out);
}
inline void KVE_DlgPutCoord(KVCallback cb, KVDialogRef a0, std::int16_t item, std::int32_t value,
                            std::int16_t flag) {
  cb->DlgPutCoord(cb, a0, item, value, flag);
}
inline std::uint8_t KVE_DlgGetCoord(KVCallback cb, KVDialogRef a0, std::int16_t item,
                                    std::int32_t* out) {
  return cb->DlgGetCoord(cb, a0, item, out);
}
inline void KVE_DlgPutChkRadio(KVCallback cb, KVDialogRef a0, std::int16_t item, std::uint8_t on) {
  cb->DlgPutChkRadio(cb, a0, item, on);
}
inline std::uint8_t KVE_DlgGetChkRadio(KVCallback cb, KVDialogRef a0, std::int16_t item) {
  return cb->DlgGetChkRadio(cb, a0, item);
}
inline void KVE_DlgRedrawItem(KVCallback cb, KVDialogRef a0, std::int16_t item) {
  cb->DlgRedrawItem(cb, a0, item);
}
inline void KVE_DlgSetHelpView(KVCallback cb, KVDialogRef a0, std::int16_t view) {
  cb->DlgSetHelpView(cb, a0, view);
}
inline std::int16_t KVE_DlgGetItem(KVCallback cb, KVDialogRef a0, std::int16_t item, KVRect* rect) {
  return cb->DlgGetItem(cb, a0, item, rect);
}
inline void KVE_DlgHideItem(KVCallback cb, KVDialogRef a0, std::int16_t item) {
  cb->DlgHideItem(cb, a0, item);
}
inline void KVE_DlgSelectText(KVCallback cb, KVDialogRef a0, std::int16_t item, std::int16_t start,
                              std::int16_t end) {
  cb->DlgSelectText(cb, a0, item, start, end);
}
inline KVPopUpRef KVE_PopUpCreate(KVCallback cb, KVDialogRef dlg, std::int16_t item,
                                  std::int16_t menuId) {
  return cb->PopUpCreate(cb, dlg, item, menuId);
}
inline void KVE_PopUpDispose(KVCallback cb, KVPopUpRef a0) { cb->PopUpDispose(cb, a0); }
inline void KVE_PopUpAttach(KVCallback cb, KVDialogRef dlg, KVPopUpRef pop) {
  cb->PopUpAttach(cb, dlg, pop);
}
inline void KVE_PopUpAppendItem(KVCallback cb, KVPopUpRef a0, const unsigned char* text) {
  cb->PopUpAppendItem(cb, a0, text);
}
inline void KVE_PopUpSetItemText(KVCallback cb, KVPopUpRef a0, std::int16_t index1,
                                 const unsigned char* text) {
  cb->PopUpSetItemText(cb, a0, index1, text);
}
inline void KVE_PopUpDeleteItem(KVCallback cb, KVPopUpRef a0, std::int16_t index1) {
  cb->PopUpDeleteItem(cb, a0, index1);
}
inline std::int16_t KVE_PopUpCountItems(KVCallback cb, KVPopUpRef a0) {
  return cb->PopUpCountItems(cb, a0);
}
inline void KVE_PopUpSetChoice(KVCallback cb, KVPopUpRef a0, std::int16_t index1) {
  cb->PopUpSetChoice(cb, a0, index1);
}
inline std::int16_t KVE_PopUpGetChoice(KVCallback cb, KVPopUpRef a0) {
  return cb->PopUpGetChoice(cb, a0);
}

// In-place byte-order swaps applied to every integer written to or read from
// stored data (stored data is big-endian, memory little-endian).
inline void KVE_Swap2(void* p) {
  unsigned char* b = static_cast<unsigned char*>(p);
  unsigned char t = b[0];
  b[0] = b[1];
  b[1] = t;
}
inline void KVE_Swap4(void* p) {
  unsigned char* b = static_cast<unsigned char*>(p);
  unsigned char t = b[0];
  b[0] = b[3];
  b[3] = t;
  t = b[1];
  b[1] = b[2];
  b[2] = t;
}
