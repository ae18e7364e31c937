// The host utility classes the plug-in builds on: a doubly linked list of
// untyped items, a sorted list, modal dialogs and pop-up menus.
//
// They live on the plug-in's side of the boundary (as a utility library
// linked into it) and reach the host only through the module's callback value:
// list nodes come from the host allocator, dialogs and pop-ups are run by the
// host's dialog manager.
#pragma once

#include <cstdint>

#include "plugin/host/KVABI.h"
#include "plugin/host/PluginMemory.h"

// ---------------------------------------------------------------------------
// TLinkedList: fields in this order: (table of virtual operations), first
// node, last node, current node.  No count is kept: walks follow `next` from
// the first node, and a list is empty when its first node is null.
// Positions are 0-based and 32-bit (they were 16-bit on the original host).
// The classes here declare no virtual destructor, so that the slots of their
// virtual operations are exactly the ones listed; `Free` is the way to release.
struct TLinkNode {
  void* item;
  TLinkNode* prev;
  TLinkNode* next;
};

class TLinkedList : public TPluginObject {
 public:
  TLinkNode* fFirst = nullptr;
  TLinkNode* fLast = nullptr;
  TLinkNode* fCurrent = nullptr;

  bool ILinkedList();
  // Release the nodes and the list object itself (never the items).  The
  // caller only clears its reference afterwards.
  virtual void Free();

  // Insert beside the current node; the new node becomes current.  On an
  // empty list the item becomes the only node.  False when no node could be
  // allocated.
  bool InsertAfter(void* item);
  bool InsertBefore(void* item);
  // Append: make the last node current, then InsertAfter.
  bool Append(void* item);
  // Make position `pos` (0-based) current and return it; -1 (and no current
  // node) when the position is outside the list.
  std::int32_t SetPos(std::int32_t pos);
  // Unlink the current node (the item is not freed); the next node, else the
  // previous one, becomes current.
  void Remove();

 protected:
  TLinkedList() = default;
  ~TLinkedList() = default;
  void FreeNodes();
  bool LinkNew(void* item, TLinkNode* before);

 public:
  // Lists are created with `new` (null when the host refuses the memory).
  static TLinkedList* New() { return new TLinkedList(); }
};

// Compare results of a sorted list: where a new item belongs relative to a
// listed one.
enum : std::int16_t { kSortBefore = 0, kSortEqual = 1, kSortAfter = 2 };

// TSortedList: a TLinkedList with one more 16-bit field; its second virtual
// operation compares a new item with a listed one.
class TSortedList : public TLinkedList {
 public:
  std::int16_t fSortFlags = 0;

  bool ISortedList();
  virtual std::int16_t Compare(void* newItem, void* listedItem) = 0;

 protected:
  TSortedList() = default;
};

// ---------------------------------------------------------------------------
// Dialogs.  A subclass overrides virtual operations; the slot order is fixed.
class TPopUp;

class TDialog : public TPluginObject {
 public:
  virtual void Free();
  virtual bool DoDialog();
  virtual void ShowWindo();
  virtual void DisposeDialog();
  virtual void UpdateBehind();
  virtual void CheckUserItems();
  virtual void DrawExtras();
  virtual void Activate(bool on);
  virtual void InitQDGlobals();
  virtual bool Prep();
  virtual bool ImportData();
  virtual void First();
  virtual void ExportData();
  virtual bool AnyBadValues();
  virtual void UserItemHit(std::int16_t item);
  virtual void ItemHit(std::int16_t item);
  virtual void CheckBoxHit(std::int16_t item, bool on);
  virtual void RadioButtonHit(std::int16_t item);
  virtual void PopUpHit(std::int16_t item, std::int16_t choice);
  virtual void EditTextUpdated(std::int16_t item);
  virtual bool UserItemGrayed(std::int16_t item);
  virtual void DrawGrayUserItem(std::int16_t item);
  virtual bool PreFilter();
  virtual bool PostFilter();
  virtual void Idle();

  // Item access through the host's dialog manager.
  void PutDlgString(std::int16_t item, const unsigned char* text);
  bool GetDlgString(std::int16_t item, unsigned char* out);  // out: 256 bytes
  void PutDlgWord(std::int16_t item, std::int16_t value);
  bool GetDlgWord(std::int16_t item, std::int16_t* out);
  void PutDlgCoord(std::int16_t item, std::int32_t value, std::int16_t flag);
  bool GetDlgCoord(std::int16_t item, std::int32_t* out);
  void PutDlgChkRadio(std::int16_t item, bool on);
  bool GetDlgChkRadio(std::int16_t item);
  void RedrawItem(std::int16_t item);
  void SetHelpView(std::int16_t view);
  void AddPopUp(TPopUp* popup);

  // Appends a view to the dialog's view array (exported for the host).
  KV_EXPORT bool AddView(void* view);
  std::int32_t NumViews() const { return fNumViews; }

  KVDialogRef DialogRef() const { return fDialog; }
  KVCallback Callback() const { return fCB; }

 protected:
  TDialog() = default;
  ~TDialog() = default;
  static std::int32_t EventProc(void* self, std::int16_t event, std::int16_t item,
                                std::int16_t value);

  KVCallback fCB = nullptr;
  KVDialogRef fDialog = 0;
  void** fViews = nullptr;
  std::int32_t fNumViews = 0;
  std::int32_t fViewCapacity = 0;
};

class THMDialog : public TDialog {
 public:
  // Build the dialog from host resource `resId`; true on success.
  bool IHMDialog(std::int16_t resId, std::int16_t value, KVCallback cb);

 protected:
  THMDialog() = default;
};

// A pop-up menu of a dialog item.  Items are 1-based.
class TPopUp final : public TPluginObject {
 public:
  TPopUp() = default;
  bool IPopUp(TDialog* dialog, std::int16_t item, std::int16_t unused, std::int16_t menuId);
  void AppendItem(const unsigned char* text);
  void SetItemText(std::int16_t index, const unsigned char* text);
  void DeleteItem(std::int16_t index);
  std::int16_t GetNumItems();

  virtual void Free();
  virtual void DoIt();
  virtual void NewChoice(std::int16_t choice);
  virtual void Draw();
  virtual void Resize();
  virtual void SetChoice(std::int16_t choice);

  KVPopUpRef Ref() const { return fPopUp; }

 private:
  KVCallback fCB = nullptr;
  KVPopUpRef fPopUp = 0;
};

// Key lists of the host: a handle whose block starts with a 32-bit count.
struct KeyList {
  KV_EXPORT static bool HasKeys(KVHandle keys);
};
