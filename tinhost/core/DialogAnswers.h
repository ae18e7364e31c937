// Answers for dialogs and questions when no person sits at the terminal.
//
// A DialogScript is what the user does in one run of a dialog: set item texts,
// tick boxes, choose pop-up entries (by 1-based index or by entry text), then
// confirm, or cancel.  Items are named by number or by the field name the
// dialog layout gives them (e.g. "layer2DName" for item 14 of 11006).  Scripts are kept per dialog resource: a queue of
// one-shot scripts consumed run by run, then a standing script used for every
// further run (by default: confirm without touching anything).
// Confirmation questions take answers from a queue, then a default (yes).
// Actions and queued answers that stand for the user's own answers can be
// checked afterwards: the dialog manager records the actions it applied, and
// the queue keeps the answers no question took.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tinhost {

struct DialogAction {
  enum class Kind : std::uint8_t { SetText, SetCheck, ChooseIndex, ChooseText, PressRadio };
  Kind kind = Kind::SetText;
  std::int16_t item = 0;
  std::string text;        // SetText, ChooseText
  std::int16_t value = 0;  // SetCheck (0/1), ChooseIndex (1-based)
  std::string field;       // when not empty: the item's field name (item is then ignored)
  std::string answer;      // when not empty: the user's answer it carries out (e.g. "datumElev=805");
                           // a dialog that applies it marks that answer used
};

struct DialogScript {
  std::vector<DialogAction> actions;
  bool cancel = false;

  DialogScript& text(std::int16_t item, std::string value);
  DialogScript& check(std::int16_t item, bool on);
  DialogScript& choose(std::int16_t item, std::int16_t index1);
  DialogScript& choose(std::int16_t item, std::string entryText);
  DialogScript& radio(std::int16_t item);
  // The same by field name.
  DialogScript& text(std::string field, std::string value);
  DialogScript& check(std::string field, bool on);
  DialogScript& choose(std::string field, std::int16_t index1);
  DialogScript& choose(std::string field, std::string entryText);
  DialogScript& cancelled();
  // Marks the last action as carrying out the user's answer `answer`.
  DialogScript& answering(std::string answer);
};

// Resource numbers of the dialogs the host knows by role.
inline constexpr std::int16_t kMessageDialog = 11002;
inline constexpr std::int16_t kChooserDialog = 11003;
inline constexpr std::int16_t kResultDialog = 11005;

class DialogAnswers {
 public:
  DialogScript& always(std::int16_t resId) { return standing_[resId]; }
  void once(std::int16_t resId, DialogScript script) { queued_[resId].push_back(std::move(script)); }
  // The script for the next run of `resId` (consumes a queued one first).
  DialogScript next(std::int16_t resId);

  void confirm(bool yes) { confirms_.push_back(yes); }
  void setDefaultConfirm(bool yes) { defaultConfirm_ = yes; }
  bool nextConfirm();
  // The queued answers that no question has taken yet, in order.
  const std::deque<bool>& unusedConfirms() const { return confirms_; }

  // The chooser: pick the n-th TIN, or the TIN of that name, in every run.
  void chooseTIN(std::int16_t index1) { always(kChooserDialog) = DialogScript{}.choose(7, index1); }
  void chooseTIN(std::string name) { always(kChooserDialog) = DialogScript{}.choose(7, std::move(name)); }
  // The result dialog: tick "place text in drawing" or not.
  void placeReportText(bool yes) { always(kResultDialog) = DialogScript{}.check(3, yes); }

  void clear();

 private:
  std::map<std::int16_t, std::deque<DialogScript>> queued_;
  std::map<std::int16_t, DialogScript> standing_;
  std::deque<bool> confirms_;
  bool defaultConfirm_ = true;
};

}  // namespace tinhost
