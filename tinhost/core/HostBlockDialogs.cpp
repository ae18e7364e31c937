// Callback-block entries of the dialog manager and its pop-up menus.
#include "tinhost/core/BlockGuard.h"
#include "tinhost/core/PStringConversion.h"

namespace tinhost {

void fillDialogEntries(KVHostBlock& b) {
  b.DialogCreate = [](KVCallback cb, std::int16_t resId, std::int16_t value, void* self, KVDialogEventProc proc) {
    return guarded(cb, "DialogCreate", KVDialogRef{0},
                   [&](Host& h) { return h.dialogs().create(resId, value, self, proc); });
  };
  b.DialogRun = [](KVCallback cb, KVDialogRef dlg) {
    return guarded(cb, "DialogRun", std::uint8_t{0},
                   [&](Host& h) { return static_cast<std::uint8_t>(h.dialogs().run(dlg)); });
  };
  b.DialogDispose = [](KVCallback cb, KVDialogRef dlg) {
    guardedVoid(cb, "DialogDispose", [&](Host& h) { h.dialogs().dispose(dlg); });
  };
  b.DlgPutString = [](KVCallback cb, KVDialogRef dlg, std::int16_t item, const unsigned char* text) {
    guardedVoid(cb, "DlgPutString", [&](Host& h) { h.dialogs().putText(dlg, item, fromPString(text)); });
  };
  b.DlgGetString = [](KVCallback cb, KVDialogRef dlg, std::int16_t item, unsigned char* out) {
    toPString("", out);
    return guarded(cb, "DlgGetString", std::uint8_t{0}, [&](Host& h) {
      const auto text = h.dialogs().getText(dlg, item);
      if (!text) return std::uint8_t{0};
      toPString(*text, out);
      return std::uint8_t{1};
    });
  };
  b.DlgPutWord = [](KVCallback cb, KVDialogRef dlg, std::int16_t item, std::int16_t value) {
    guardedVoid(cb, "DlgPutWord", [&](Host& h) { h.dialogs().putWord(dlg, item, value); });
  };
  b.DlgGetWord = [](KVCallback cb, KVDialogRef dlg, std::int16_t item, std::int16_t* out) {
    return guarded(cb, "DlgGetWord", std::uint8_t{0}, [&](Host& h) {
      const auto value = h.dialogs().getWord(dlg, item);
      if (!value) return std::uint8_t{0};
      if (out != nullptr) *out = *value;
      return std::uint8_t{1};
    });
  };
  b.DlgPutCoord = [](KVCallback cb, KVDialogRef dlg, std::int16_t item, std::int32_t value, std::int16_t flag) {
    guardedVoid(cb, "DlgPutCoord", [&](Host& h) { h.dialogs().putCoord(dlg, item, value, flag); });
  };
  b.DlgGetCoord = [](KVCallback cb, KVDialogRef dlg, std::int16_t item, std::int32_t* out) {
    return guarded(cb, "DlgGetCoord", std::uint8_t{0}, [&](Host& h) {
      const auto value = h.dialogs().getCoord(dlg, item);
      if (!value) return std::uint8_t{0};
      if (out != nullptr) *out = *value;
      return std::uint8_t{1};
    });
  };
  b.DlgPutChkRadio = [](KVCallback cb, KVDialogRef dlg, std::int16_t item, std::uint8_t on) {
    guardedVoid(cb, "DlgPutChkRadio", [&](Host& h) { h.dialogs().putCheck(dlg, item, on != 0); });
  };
  b.DlgGetChkRadio = [](KVCallback cb, KVDialogRef dlg, std::int16_t item) {
    return guarded(cb, "DlgGetChkRadio", std::uint8_t{0},
                   [&](Host& h) { return static_cast<std::uint8_t>(h.dialogs().getCheck(dlg, item)); });
  };
  b.DlgRedrawItem = [](KVCallback cb, KVDialogRef dlg, std::int16_t item) {
    guardedVoid(cb, "DlgRedrawItem", [&](Host& h) { h.dialogs().redraw(dlg, item); });
  };
  b.DlgSetHelpView = [](KVCallback cb, KVDialogRef dlg, std::int16_t view) {
    guardedVoid(cb, "DlgSetHelpView", [&](Host& h) { h.dialogs().setHelpView(dlg, view); });
  };
  b.DlgGetItem = [](KVCallback cb, KVDialogRef dlg, std::int16_t item, KVRect* rect) {
    return guarded(cb, "DlgGetItem", std::int16_t{0}, [&](Host& h) { return h.dialogs().itemType(dlg, item, rect); });
  };
  b.DlgHideItem = [](KVCallback cb, KVDialogRef dlg, std::int16_t item) {
    guardedVoid(cb, "DlgHideItem", [&](Host& h) { h.dialogs().hide(dlg, item); });
  };
  b.DlgSelectText = [](KVCallback cb, KVDialogRef dlg, std::int16_t item, std::int16_t start, std::int16_t end) {
    guardedVoid(cb, "DlgSelectText", [&](Host& h) { h.dialogs().selectText(dlg, item, start, end); });
  };

  // ---- pop-up menus ----
  b.PopUpCreate = [](KVCallback cb, KVDialogRef dlg, std::int16_t item, std::int16_t menuId) {
    return guarded(cb, "PopUpCreate", KVPopUpRef{0}, [&](Host& h) { return h.dialogs().popUpCreate(dlg, item, menuId); });
  };
  b.PopUpDispose = [](KVCallback cb, KVPopUpRef pop) {
    guardedVoid(cb, "PopUpDispose", [&](Host& h) { h.dialogs().popUpDispose(pop); });
  };
  b.PopUpAttach = [](KVCallback cb, KVDialogRef dlg, KVPopUpRef pop) {
    guardedVoid(cb, "PopUpAttach", [&](Host& h) { h.dialogs().popUpAttach(dlg, pop); });
  };
  b.PopUpAppendItem = [](KVCallback cb, KVPopUpRef pop, const unsigned char* text) {
    guardedVoid(cb, "PopUpAppendItem", [&](Host& h) { h.dialogs().popUpAppend(pop, fromPString(text)); });
  };
  b.PopUpSetItemText = [](KVCallback cb, KVPopUpRef pop, std::int16_t index1, const unsigned char* text) {
    guardedVoid(cb, "PopUpSetItemText", [&](Host& h) { h.dialogs().popUpSetText(pop, index1, fromPString(text)); });
  };
  b.PopUpDeleteItem = [](KVCallback cb, KVPopUpRef pop, std::int16_t index1) {
    guardedVoid(cb, "PopUpDeleteItem", [&](Host& h) { h.dialogs().popUpDelete(pop, index1); });
  };
  b.PopUpCountItems = [](KVCallback cb, KVPopUpRef pop) {
    return guarded(cb, "PopUpCountItems", std::int16_t{0}, [&](Host& h) { return h.dialogs().popUpCount(pop); });
  };
  b.PopUpSetChoice = [](KVCallback cb, KVPopUpRef pop, std::int16_t index1) {
    guardedVoid(cb, "PopUpSetChoice", [&](Host& h) { h.dialogs().popUpSetChoice(pop, index1); });
  };
  b.PopUpGetChoice = [](KVCallback cb, KVPopUpRef pop) {
    return guarded(cb, "PopUpGetChoice", std::int16_t{0}, [&](Host& h) { return h.dialogs().popUpChoice(pop); });
  };
}

}  // namespace tinhost
