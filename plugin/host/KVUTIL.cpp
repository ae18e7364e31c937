#include "plugin/host/KVUTIL.h"

#include <cstring>

#include "plugin/host/KVEmul.h"

// ---------------------------------------------------------------- TLinkedList

bool TLinkedList::ILinkedList() {
  fFirst = fLast = fCurrent = nullptr;
  return true;
}

void TLinkedList::FreeNodes() {
  TLinkNode* node = fFirst;
  while (node != nullptr) {
    TLinkNode* next = node->next;
    PluginFree(node);
    node = next;
  }
  fFirst = fLast = fCurrent = nullptr;
}

void TLinkedList::Free() {
  FreeNodes();
  TPluginObject::operator delete(this);
}

// Link a new node holding `item` in front of `before` (at the end when null).
bool TLinkedList::LinkNew(void* item, TLinkNode* before) {
  auto* node = static_cast<TLinkNode*>(PluginAlloc(sizeof(TLinkNode)));
  if (node == nullptr) return false;
  node->item = item;
  node->next = before;
  node->prev = before != nullptr ? before->prev : fLast;
  if (node->prev != nullptr) node->prev->next = node;
  else fFirst = node;
  if (before != nullptr) before->prev = node;
  else fLast = node;
  fCurrent = node;
  return true;
}

bool TLinkedList::InsertAfter(void* item) {
  if (fFirst == nullptr) return LinkNew(item, nullptr);
  TLinkNode* at = fCurrent != nullptr ? fCurrent : fLast;
  return LinkNew(item, at->next);
}

bool TLinkedList::InsertBefore(void* item) {
  if (fFirst == nullptr) return LinkNew(item, nullptr);
  TLinkNode* at = fCurrent != nullptr ? fCurrent : fFirst;
  return LinkNew(item, at);
}

bool TLinkedList::Append(void* item) {
  fCurrent = fLast;
  return InsertAfter(item);
}

std::int32_t TLinkedList::SetPos(std::int32_t pos) {
  fCurrent = nullptr;
  if (pos < 0) return -1;
  TLinkNode* node = fFirst;
  for (std::int32_t i = 0; node != nullptr && i < pos; ++i) node = node->next;
  if (node == nullptr) return -1;
  fCurrent = node;
  return pos;
}

void TLinkedList::Remove() {
  TLinkNode* node = fCurrent;
  if (node == nullptr) return;
  if (node->prev != nullptr) node->prev->next = node->next;
  else fFirst = node->next;
  if (node->next != nullptr) node->next->prev = node->prev;
  else fLast = node->prev;
  fCurrent = node->next != nullptr ? node->next : node->prev;
  PluginFree(node);
}

bool TSortedList::ISortedList() {
  fSortFlags = 0;
  return ILinkedList();
}

// -------------------------------------------------------------------- TDialog

void TDialog::Free() {
  DisposeDialog();
  if (fViews != nullptr) PluginFree(fViews);
  fViews = nullptr;
  fNumViews = fViewCapacity = 0;
}

bool TDialog::DoDialog() { return fDialog != 0 && KVE_DialogRun(fCB, fDialog) != 0; }
void TDialog::ShowWindo() {}
void TDialog::DisposeDialog() {
  if (fDialog != 0) KVE_DialogDispose(fCB, fDialog);
  fDialog = 0;
}
void TDialog::UpdateBehind() {}
void TDialog::CheckUserItems() {}
void TDialog::DrawExtras() {}
void TDialog::Activate(bool) {}
void TDialog::InitQDGlobals() {}
bool TDialog::Prep() { return true; }
bool TDialog::ImportData() { return true; }
void TDialog::First() {}
void TDialog::ExportData() {}
bool TDialog::AnyBadValues() { return false; }
void TDialog::UserItemHit(std::int16_t) {}
void TDialog::ItemHit(std::int16_t) {}
void TDialog::CheckBoxHit(std::int16_t, bool) {}
void TDialog::RadioButtonHit(std::int16_t) {}
void TDialog::PopUpHit(std::int16_t, std::int16_t) {}
void TDialog::EditTextUpdated(std::int16_t) {}
bool TDialog::UserItemGrayed(std::int16_t) { return false; }
void TDialog::DrawGrayUserItem(std::int16_t) {}
bool TDialog::PreFilter() { return false; }
bool TDialog::PostFilter() { return false; }
void TDialog::Idle() {}

void TDialog::PutDlgString(std::int16_t item, const unsigned char* text) {
  KVE_DlgPutString(fCB, fDialog, item, text);
}
bool TDialog::GetDlgString(std::int16_t item, unsigned char* out) {
  out[0] = 0;
  return KVE_DlgGetString(fCB, fDialog, item, out) != 0;
}
void TDialog::PutDlgWord(std::int16_t item, std::int16_t value) {
  KVE_DlgPutWord(fCB, fDialog, item, value);
}
bool TDialog::GetDlgWord(std::int16_t item, std::int16_t* out) {
  return KVE_DlgGetWord(fCB, fDialog, item, out) != 0;
}
void TDialog::PutDlgCoord(std::int16_t item, std::int32_t value, std::int16_t flag) {
  KVE_DlgPutCoord(fCB, fDialog, item, value, flag);
}
bool TDialog::GetDlgCoord(std::int16_t item, std::int32_t* out) {
  return KVE_DlgGetCoord(fCB, fDialog, item, out) != 0;
}
void TDialog::PutDlgChkRadio(std::int16_t item, bool on) {
  KVE_DlgPutChkRadio(fCB, fDialog, item, on ? 1 : 0);
}
bool TDialog::GetDlgChkRadio(std::int16_t item) {
  return KVE_DlgGetChkRadio(fCB, fDialog, item) != 0;
}
void TDialog::RedrawItem(std::int16_t item) { KVE_DlgRedrawItem(fCB, fDialog, item); }
void TDialog::SetHelpView(std::int16_t view) { KVE_DlgSetHelpView(fCB, fDialog, view); }
void TDialog::AddPopUp(TPopUp* popup) {
  if (popup != nullptr) KVE_PopUpAttach(fCB, fDialog, popup->Ref());
}

bool TDialog::AddView(void* view) {
  if (fNumViews == fViewCapacity) {
    std::int32_t capacity = fViewCapacity == 0 ? 4 : fViewCapacity * 2;
    auto* grown = static_cast<void**>(PluginAlloc(sizeof(void*) * static_cast<std::size_t>(capacity)));
    if (grown == nullptr) return false;
    if (fNumViews > 0) std::memcpy(grown, fViews, sizeof(void*) * static_cast<std::size_t>(fNumViews));
    PluginFree(fViews);
    fViews = grown;
    fViewCapacity = capacity;
  }
  fViews[fNumViews++] = view;
  return true;
}

// The host's dialog manager sends every event here; it becomes a call of the
// virtual operation of the dialog's slot.
std::int32_t TDialog::EventProc(void* self, std::int16_t event, std::int16_t item,
                                std::int16_t value) {
  auto* dlg = static_cast<TDialog*>(self);
  switch (event) {
    case kKVDlgPrep: return dlg->Prep() ? 1 : 0;
    case kKVDlgImportData: return dlg->ImportData() ? 1 : 0;
    case kKVDlgFirst: dlg->First(); return 1;
    case kKVDlgExportData: dlg->ExportData(); return 1;
    case kKVDlgAnyBadValues: return dlg->AnyBadValues() ? 1 : 0;
    case kKVDlgItemHit: dlg->ItemHit(item); return 1;
    case kKVDlgCheckBoxHit: dlg->CheckBoxHit(item, value != 0); return 1;
    case kKVDlgRadioButtonHit: dlg->RadioButtonHit(item); return 1;
    case kKVDlgPopUpHit: dlg->PopUpHit(item, value); return 1;
    case kKVDlgEditTextUpdated: dlg->EditTextUpdated(item); return 1;
    case kKVDlgIdle: dlg->Idle(); return 1;
    default: return 0;
  }
}

bool THMDialog::IHMDialog(std::int16_t resId, std::int16_t value, KVCallback cb) {
  fCB = cb;
  fDialog = cb != nullptr ? KVE_DialogCreate(cb, resId, value, this, &TDialog::EventProc) : 0;
  return fDialog != 0;
}

// --------------------------------------------------------------------- TPopUp

bool TPopUp::IPopUp(TDialog* dialog, std::int16_t item, std::int16_t, std::int16_t menuId) {
  if (dialog == nullptr || dialog->Callback() == nullptr) return false;
  fCB = dialog->Callback();
  fPopUp = KVE_PopUpCreate(fCB, dialog->DialogRef(), item, menuId);
  return fPopUp != 0;
}
void TPopUp::AppendItem(const unsigned char* text) {
  if (fPopUp != 0) KVE_PopUpAppendItem(fCB, fPopUp, text);
}
void TPopUp::SetItemText(std::int16_t index, const unsigned char* text) {
  if (fPopUp != 0) KVE_PopUpSetItemText(fCB, fPopUp, index, text);
}
void TPopUp::DeleteItem(std::int16_t index) {
  if (fPopUp != 0) KVE_PopUpDeleteItem(fCB, fPopUp, index);
}
std::int16_t TPopUp::GetNumItems() { return fPopUp != 0 ? KVE_PopUpCountItems(fCB, fPopUp) : 0; }
void TPopUp::Free() {
  if (fPopUp != 0) KVE_PopUpDispose(fCB, fPopUp);
  fPopUp = 0;
}
void TPopUp::DoIt() {}
void TPopUp::NewChoice(std::int16_t choice) { SetChoice(choice); }
void TPopUp::Draw() {}
void TPopUp::Resize() {}
void TPopUp::SetChoice(std::int16_t choice) {
  if (fPopUp != 0) KVE_PopUpSetChoice(fCB, fPopUp, choice);
}

// -------------------------------------------------------------------- KeyList

bool KeyList::HasKeys(KVHandle keys) {
  if (keys == nullptr || *keys == nullptr) return false;
  if (gKVCallback != nullptr && KVE_GetHandleSize(gKVCallback, keys) < 4) return false;
  std::int32_t count;
  std::memcpy(&count, *keys, sizeof count);
  return count > 0;
}
