// The host's dialog manager: instances built from dialog layouts of the
// resources, their items and pop-up menus, and the modal run.
//
// A run sends the plug-in's side of the dialog, in this order: Prep (0 ends
// the run as failed), ImportData, First; then the user acts (a DialogScript in
// scripted mode, the terminal in interactive mode), each change followed by
// its hit event (EditTextUpdated, CheckBoxHit, RadioButtonHit, PopUpHit with
// the 1-based choice); on OK, AnyBadValues: a bad value sends an interactive
// user back to the dialog and ends a scripted run as cancelled; otherwise
// ExportData, and the run returns 1.  Runs nest (the plug-in shows a message
// from inside AnyBadValues).
//
// Every run is recorded with the final texts of its items, and every scripted
// action that carries a user's answer marks that answer used once applied.  The message dialog
// (11002) is the host's alert and the result dialog (11005) its report; both
// are also kept in lists of their own.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/host/KVABI.h"
#include "tinhost/core/DialogAnswers.h"
#include "tinhost/core/DrawingUnits.h"
#include "tinhost/core/Resources.h"

namespace tinhost {

struct DialogItemState {
  std::int16_t number = 0;
  ItemKind kind = ItemKind::Static;
  std::string label;
  std::string name;              // field name of the layout; may be empty
  std::string text;              // edits, statics; coordinates in user units
  bool checked = false;          // check boxes, radio buttons
  bool hidden = false;
  KVPopUpRef popUp = 0;          // pop-ups, once attached
  std::int16_t coordFlag = 0;    // last argument of DlgPutCoord
  std::int16_t selStart = 0, selEnd = 0;
};

struct DialogRecord {
  std::int16_t resId = 0;
  std::string title;
  struct PopUpRecord {
    std::vector<std::string> entries;
    std::int16_t choice = 0;  // 1-based, 0 = none
  };
  std::vector<DialogItemState> items;     // as they were when the run ended; a pop-up's
                                          // text is its chosen entry
  std::map<std::int16_t, PopUpRecord> popUps;  // by item number
  bool confirmed = false;
  std::string outcome;  // "confirmed", "cancelled", or why the run ended otherwise
  int depth = 0;        // 0 for a top-level run, 1 inside another run, ...

  const DialogItemState* item(std::int16_t number) const;
  const DialogItemState* item(std::string_view name) const;
  std::string itemText(std::int16_t number) const;
};

struct AlertRecord {
  std::string text;    // item 2
  std::string detail;  // item 3
};

struct ReportRecord {
  std::string text;  // item 2
  bool placeText = false;  // item 3 ticked
  bool confirmed = false;
};

struct ConfirmRecord {
  std::int16_t listId = 0, index = 0;
  std::string question;
  bool answer = false;
};

class DialogManager {
 public:
  DialogManager(const Resources& resources, std::function<UnitsRecord()> units);

  // ---- mode and answers ----
  DialogAnswers& answers() { return answers_; }
  // Interactive mode asks at the terminal (in, out); null streams: scripted.
  void setInteractive(std::istream* in, std::ostream* out) {
    in_ = in;
    out_ = out;
  }
  bool interactive() const { return in_ != nullptr && out_ != nullptr; }

  // ---- dialogs (an unknown ref or item throws HostError) ----
  KVDialogRef create(std::int16_t resId, std::int16_t value, void* self, KVDialogEventProc proc);
  bool run(KVDialogRef ref);
  void dispose(KVDialogRef ref);
  void putText(KVDialogRef ref, std::int16_t item, std::string text);
  std::optional<std::string> getText(KVDialogRef ref, std::int16_t item) const;
  void putWord(KVDialogRef ref, std::int16_t item, std::int16_t value);
  std::optional<std::int16_t> getWord(KVDialogRef ref, std::int16_t item) const;
  void putCoord(KVDialogRef ref, std::int16_t item, std::int32_t value, std::int16_t flag);
  std::optional<std::int32_t> getCoord(KVDialogRef ref, std::int16_t item) const;
  void putCheck(KVDialogRef ref, std::int16_t item, bool on);
  bool getCheck(KVDialogRef ref, std::int16_t item) const;
  void redraw(KVDialogRef ref, std::int16_t item);
  void setHelpView(KVDialogRef ref, std::int16_t view);
  std::int16_t itemType(KVDialogRef ref, std::int16_t item, KVRect* rect) const;  // 0: no such item
  void hide(KVDialogRef ref, std::int16_t item);
  void selectText(KVDialogRef ref, std::int16_t item, std::int16_t start, std::int16_t end);
  const DialogItemState* itemState(KVDialogRef ref, std::int16_t item) const;
  // The number of the item with that field name; 0 when there is none.
  std::int16_t itemNumber(KVDialogRef ref, std::string_view name) const;

  // ---- pop-up menus ----
  KVPopUpRef popUpCreate(KVDialogRef dlg, std::int16_t item, std::int16_t menuId);  // 0 on failure
  void popUpDispose(KVPopUpRef pop);
  void popUpAttach(KVDialogRef dlg, KVPopUpRef pop);
  void popUpAppend(KVPopUpRef pop, std::string text);
  void popUpSetText(KVPopUpRef pop, std::int16_t index1, std::string text);
  void popUpDelete(KVPopUpRef pop, std::int16_t index1);
  std::int16_t popUpCount(KVPopUpRef pop) const;
  void popUpSetChoice(KVPopUpRef pop, std::int16_t index1);
  std::int16_t popUpChoice(KVPopUpRef pop) const;
  const std::vector<std::string>& popUpEntries(KVPopUpRef pop) const;

  // ---- questions ----
  bool confirm(std::int16_t listId, std::int16_t index);

  // ---- what was shown ----
  const std::vector<DialogRecord>& shown() const { return shown_; }
  const std::vector<AlertRecord>& alerts() const { return alerts_; }
  const std::vector<ReportRecord>& reports() const { return reports_; }
  const std::vector<ConfirmRecord>& confirms() const { return confirms_; }
  // Scripted answers that could not be applied, in words.
  const std::vector<std::string>& problems() const { return problems_; }
  // The user's answers (DialogAction::answer) that some dialog applied.
  const std::set<std::string>& usedAnswers() const { return usedAnswers_; }
  std::size_t liveDialogs() const { return dialogs_.size(); }
  std::size_t livePopUps() const { return popUps_.size(); }
  void clearRecords();

 private:
  struct Instance {
    KVDialogRef ref = 0;
    std::int16_t resId = 0;
    std::int16_t value = 0;
    std::string title;
    void* self = nullptr;
    KVDialogEventProc proc = nullptr;
    std::vector<DialogItemState> items;
    std::int16_t helpView = 0;
    bool running = false;
  };
  struct PopUp {
    KVDialogRef dialog = 0;
    std::int16_t item = 0;
    std::int16_t menuId = 0;
    std::vector<std::string> entries;
    std::int16_t choice = 0;  // 1-based, 0 = none
  };
  enum class UserAction { Confirm, Cancel, Fault };

  Instance& dialog(KVDialogRef ref);
  const Instance& dialog(KVDialogRef ref) const;
  DialogItemState& item(KVDialogRef ref, std::int16_t number);
  const DialogItemState& item(KVDialogRef ref, std::int16_t number) const;
  DialogItemState* findItem(KVDialogRef ref, std::int16_t number);
  PopUp& popUp(KVPopUpRef ref);
  const PopUp& popUp(KVPopUpRef ref) const;
  std::int32_t send(KVDialogRef ref, KVDialogEvent event, std::int16_t item = 0, std::int16_t value = 0);
  UserAction applyScript(KVDialogRef ref, const DialogScript& script);
  // Applies one change as the user would make it; an error text when it cannot.
  std::optional<std::string> applyAction(KVDialogRef ref, const DialogAction& action);
  UserAction prompt(KVDialogRef ref);  // interactive, DialogPrompt.cpp
  void show(KVDialogRef ref) const;    // interactive, DialogPrompt.cpp
  bool finish(KVDialogRef ref, bool confirmed, std::string outcome);

  const Resources& resources_;
  std::function<UnitsRecord()> units_;
  DialogAnswers answers_;
  std::istream* in_ = nullptr;
  std::ostream* out_ = nullptr;
  std::map<KVDialogRef, Instance> dialogs_;
  std::map<KVPopUpRef, PopUp> popUps_;
  KVDialogRef nextDialog_ = 1;
  KVPopUpRef nextPopUp_ = 1;
  int depth_ = 0;
  std::vector<DialogRecord> shown_;
  std::vector<AlertRecord> alerts_;
  std::vector<ReportRecord> reports_;
  std::vector<ConfirmRecord> confirms_;
  std::vector<std::string> problems_;
  std::set<std::string> usedAnswers_;
};

}  // namespace tinhost
