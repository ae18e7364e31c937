#include "tinhost/core/DialogManager.h"

#include <algorithm>
#include <charconv>
#include <istream>
#include <ostream>

#include "tinhost/core/HostError.h"

namespace tinhost {

namespace {
std::string refText(KVDialogRef ref) { return "dialog " + std::to_string(ref); }
}  // namespace

const DialogItemState* DialogRecord::item(std::int16_t number) const {
  for (const auto& i : items)
    if (i.number == number) return &i;
  return nullptr;
}

const DialogItemState* DialogRecord::item(std::string_view name) const {
  for (const auto& i : items)
    if (!name.empty() && i.name == name) return &i;
  return nullptr;
}

std::string DialogRecord::itemText(std::int16_t number) const {
  const DialogItemState* i = item(number);
  return i == nullptr ? std::string() : i->text;
}

DialogManager::DialogManager(const Resources& resources, std::function<UnitsRecord()> units)
    : resources_(resources), units_(std::move(units)) {}

// ---- lookup -----------------------------------------------------------------

DialogManager::Instance& DialogManager::dialog(KVDialogRef ref) {
  const auto it = dialogs_.find(ref);
  if (it == dialogs_.end()) throw HostError("no " + refText(ref));
  return it->second;
}

const DialogManager::Instance& DialogManager::dialog(KVDialogRef ref) const {
  return const_cast<DialogManager*>(this)->dialog(ref);
}

DialogItemState& DialogManager::item(KVDialogRef ref, std::int16_t number) {
  Instance& d = dialog(ref);
  for (auto& i : d.items)
    if (i.number == number) return i;
  throw HostError(refText(ref) + " (resource " + std::to_string(d.resId) + ") has no item " +
                  std::to_string(number));
}

const DialogItemState& DialogManager::item(KVDialogRef ref, std::int16_t number) const {
  return const_cast<DialogManager*>(this)->item(ref, number);
}

DialogItemState* DialogManager::findItem(KVDialogRef ref, std::int16_t number) {
  const auto it = dialogs_.find(ref);
  if (it == dialogs_.end()) return nullptr;
  for (auto& i : it->second.items)
    if (i.number == number) return &i;
  return nullptr;
}

const DialogItemState* DialogManager::itemState(KVDialogRef ref, std::int16_t number) const {
  return const_cast<DialogManager*>(this)->findItem(ref, number);
}

std::int16_t DialogManager::itemNumber(KVDialogRef ref, std::string_view name) const {
  const auto it = dialogs_.find(ref);
  if (it == dialogs_.end() || name.empty()) return 0;
  for (const auto& i : it->second.items)
    if (i.name == name) return i.number;
  return 0;
}

DialogManager::PopUp& DialogManager::popUp(KVPopUpRef ref) {
  const auto it = popUps_.find(ref);
  if (it == popUps_.end()) throw HostError("no pop-up menu " + std::to_string(ref));
  return it->second;
}

const DialogManager::PopUp& DialogManager::popUp(KVPopUpRef ref) const {
  return const_cast<DialogManager*>(this)->popUp(ref);
}

// ---- dialogs ------------------------------------------------------------------

KVDialogRef DialogManager::create(std::int16_t resId, std::int16_t value, void* self, KVDialogEventProc proc) {
  const DialogLayout* layout = resources_.dialog(resId);
  if (layout == nullptr) return 0;
  Instance d;
  d.ref = nextDialog_++;
  d.resId = resId;
  d.value = value;
  d.title = layout->title;
  d.self = self;
  d.proc = proc;
  for (const auto& l : layout->items) {
    DialogItemState s;
    s.number = l.number;
    s.kind = l.kind;
    s.label = l.label;
    s.name = l.name;
    d.items.push_back(std::move(s));
  }
  const KVDialogRef ref = d.ref;
  dialogs_.emplace(ref, std::move(d));
  return ref;
}

void DialogManager::dispose(KVDialogRef ref) {
  if (dialog(ref).running) throw HostError(refText(ref) + " is disposed while it runs");
  std::erase_if(popUps_, [ref](const auto& p) { return p.second.dialog == ref; });
  dialogs_.erase(ref);
}

std::int32_t DialogManager::send(KVDialogRef ref, KVDialogEvent event, std::int16_t itemNo, std::int16_t value) {
  const Instance& d = dialog(ref);
  if (d.proc == nullptr)  // no plug-in side: accept everything
    return event == kKVDlgAnyBadValues ? 0 : 1;
  return d.proc(d.self, event, itemNo, value);
}

bool DialogManager::finish(KVDialogRef ref, bool confirmed, std::string outcome) {
  Instance& d = dialog(ref);
  d.running = false;
  --depth_;
  DialogRecord rec;
  rec.resId = d.resId;
  rec.title = d.title;
  rec.confirmed = confirmed;
  rec.outcome = std::move(outcome);
  rec.depth = depth_;
  for (const auto& i : d.items) {
    DialogItemState copy = i;
    if (i.kind == ItemKind::PopUp && i.popUp != 0 && popUps_.contains(i.popUp)) {
      const PopUp& p = popUps_.at(i.popUp);
      rec.popUps[i.number] = DialogRecord::PopUpRecord{p.entries, p.choice};
      copy.text = p.choice >= 1 && p.choice <= static_cast<int>(p.entries.size())
                      ? p.entries[static_cast<std::size_t>(p.choice - 1)]
                      : std::string();
    }
    rec.items.push_back(std::move(copy));
  }
  if (d.resId == kMessageDialog) alerts_.push_back({rec.itemText(2), rec.itemText(3)});
  if (d.resId == kResultDialog) {
    const DialogItemState* box = rec.item(3);
    reports_.push_back({rec.itemText(2), box != nullptr && box->checked, confirmed});
  }
  shown_.push_back(std::move(rec));
  return confirmed;
}

bool DialogManager::run(KVDialogRef ref) {
  Instance& d = dialog(ref);
  if (d.running) throw HostError(refText(ref) + " is already running");
  d.running = true;
  ++depth_;
  try {
    if (send(ref, kKVDlgPrep) == 0) return finish(ref, false, "the dialog could not be prepared");
    send(ref, kKVDlgImportData);
    send(ref, kKVDlgFirst);
    const std::int16_t resId = dialog(ref).resId;
    for (;;) {
      const UserAction action = interactive() ? prompt(ref) : applyScript(ref, answers_.next(resId));
      if (action == UserAction::Cancel) return finish(ref, false, "cancelled");
      if (action == UserAction::Fault) return finish(ref, false, "cancelled: " + problems_.back());
      if (send(ref, kKVDlgAnyBadValues) == 0) break;
      if (!interactive()) return finish(ref, false, "cancelled: the dialog refused the values");
    }
    send(ref, kKVDlgExportData);
    return finish(ref, true, "confirmed");
  } catch (...) {
    if (dialogs_.contains(ref) && dialog(ref).running) finish(ref, false, "aborted by a host error");
    throw;
  }
}

DialogManager::UserAction DialogManager::applyScript(KVDialogRef ref, const DialogScript& script) {
  for (const DialogAction& action : script.actions) {
    if (auto problem = applyAction(ref, action)) {
      problems_.push_back("dialog " + std::to_string(dialog(ref).resId) + ": " +
                          (action.answer.empty() ? "" : action.answer + ": ") + *problem);
      return UserAction::Fault;
    }
    if (!action.answer.empty()) usedAnswers_.insert(action.answer);
  }
  return script.cancel ? UserAction::Cancel : UserAction::Confirm;
}

std::optional<std::string> DialogManager::applyAction(KVDialogRef ref, const DialogAction& named) {
  DialogAction a = named;
  if (!named.field.empty()) {
    a.item = itemNumber(ref, named.field);
    if (a.item == 0) return "no item is named \"" + named.field + "\"";
  }
  const DialogItemState* found = itemState(ref, a.item);
  const std::string itemName = "item " + std::to_string(a.item);
  if (found == nullptr) return itemName + " does not exist";
  if (found->hidden) return itemName + " is hidden";
  switch (a.kind) {
    case DialogAction::Kind::SetText:
      if (found->kind != ItemKind::Edit && found->kind != ItemKind::Coord && found->kind != ItemKind::Number)
        return itemName + " is not a text field";
      item(ref, a.item).text = a.text;
      send(ref, kKVDlgEditTextUpdated, a.item, 0);
      return std::nullopt;
    case DialogAction::Kind::SetCheck:
      if (found->kind != ItemKind::Check) return itemName + " is not a check box";
      item(ref, a.item).checked = a.value != 0;
      send(ref, kKVDlgCheckBoxHit, a.item, a.value != 0 ? 1 : 0);
      return std::nullopt;
    case DialogAction::Kind::PressRadio:
      if (found->kind != ItemKind::Radio) return itemName + " is not a radio button";
      item(ref, a.item).checked = true;
      send(ref, kKVDlgRadioButtonHit, a.item, 1);
      return std::nullopt;
    case DialogAction::Kind::ChooseIndex:
    case DialogAction::Kind::ChooseText: {
      if (found->kind != ItemKind::PopUp) return itemName + " is not a pop-up menu";
      if (found->popUp == 0 || !popUps_.contains(found->popUp)) return itemName + " has no pop-up menu attached";
      PopUp& p = popUp(found->popUp);
      std::int16_t choice = a.value;
      if (a.kind == DialogAction::Kind::ChooseText) {
        const auto it = std::find(p.entries.begin(), p.entries.end(), a.text);
        if (it == p.entries.end()) return itemName + " offers no entry \"" + a.text + "\"";
        choice = static_cast<std::int16_t>(it - p.entries.begin() + 1);
      }
      if (choice < 1 || choice > static_cast<int>(p.entries.size()))
        return itemName + " has no entry " + std::to_string(choice) + " (it offers " +
               std::to_string(p.entries.size()) + ")";
      p.choice = choice;
      send(ref, kKVDlgPopUpHit, a.item, choice);
      return std::nullopt;
    }
  }
  return "unknown action";
}

// ---- items --------------------------------------------------------------------

void DialogManager::putText(KVDialogRef ref, std::int16_t number, std::string text) {
  item(ref, number).text = std::move(text);
}

std::optional<std::string> DialogManager::getText(KVDialogRef ref, std::int16_t number) const {
  const DialogItemState* s = itemState(ref, number);
  if (s == nullptr) return std::nullopt;
  return s->text;
}

void DialogManager::putWord(KVDialogRef ref, std::int16_t number, std::int16_t value) {
  item(ref, number).text = std::to_string(value);
}

std::optional<std::int16_t> DialogManager::getWord(KVDialogRef ref, std::int16_t number) const {
  const auto text = getText(ref, number);
  if (!text) return std::nullopt;
  std::string_view s = *text;
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  std::int16_t value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (s.empty() || ec != std::errc{} || end != s.data() + s.size()) return std::nullopt;
  return value;
}

void DialogManager::putCoord(KVDialogRef ref, std::int16_t number, std::int32_t value, std::int16_t flag) {
  DialogItemState& s = item(ref, number);
  s.text = formatLength(value, units_(), false);
  s.coordFlag = flag;
}

std::optional<std::int32_t> DialogManager::getCoord(KVDialogRef ref, std::int16_t number) const {
  const auto text = getText(ref, number);
  if (!text) return std::nullopt;
  return parseLength(*text, units_());
}

void DialogManager::putCheck(KVDialogRef ref, std::int16_t number, bool on) { item(ref, number).checked = on; }

bool DialogManager::getCheck(KVDialogRef ref, std::int16_t number) const { return item(ref, number).checked; }

void DialogManager::redraw(KVDialogRef ref, std::int16_t number) { (void)item(ref, number); }

void DialogManager::setHelpView(KVDialogRef ref, std::int16_t view) { dialog(ref).helpView = view; }

std::int16_t DialogManager::itemType(KVDialogRef ref, std::int16_t number, KVRect* rect) const {
  const Instance& d = dialog(ref);
  for (std::size_t row = 0; row < d.items.size(); ++row) {
    if (d.items[row].number != number) continue;
    if (rect != nullptr) {  // one row of 20 units per item, in layout order
      const auto top = static_cast<std::int32_t>(row * 20);
      *rect = KVRect{top, 10, top + 16, 310};
    }
    return abiItemType(d.items[row].kind);
  }
  return 0;
}

void DialogManager::hide(KVDialogRef ref, std::int16_t number) { item(ref, number).hidden = true; }

void DialogManager::selectText(KVDialogRef ref, std::int16_t number, std::int16_t start, std::int16_t end) {
  DialogItemState& s = item(ref, number);
  s.selStart = start;
  s.selEnd = end;
}

// ---- pop-ups --------------------------------------------------------------------

KVPopUpRef DialogManager::popUpCreate(KVDialogRef dlg, std::int16_t number, std::int16_t menuId) {
  const MenuLayout* menu = resources_.menu(menuId);
  if (menu == nullptr || itemState(dlg, number) == nullptr) return 0;
  PopUp p;
  p.dialog = dlg;
  p.item = number;
  p.menuId = menuId;
  p.entries = menu->items;
  p.choice = p.entries.empty() ? 0 : 1;
  const KVPopUpRef ref = nextPopUp_++;
  popUps_.emplace(ref, std::move(p));
  return ref;
}

void DialogManager::popUpDispose(KVPopUpRef pop) {
  const PopUp& p = popUp(pop);
  if (DialogItemState* s = findItem(p.dialog, p.item); s != nullptr && s->popUp == pop) s->popUp = 0;
  popUps_.erase(pop);
}

void DialogManager::popUpAttach(KVDialogRef dlg, KVPopUpRef pop) {
  const PopUp& p = popUp(pop);
  if (p.dialog != dlg) throw HostError("pop-up menu " + std::to_string(pop) + " belongs to another dialog");
  DialogItemState& s = item(dlg, p.item);
  if (s.kind != ItemKind::PopUp) throw HostError("item " + std::to_string(p.item) + " is not a pop-up item");
  s.popUp = pop;
}

void DialogManager::popUpAppend(KVPopUpRef pop, std::string text) { popUp(pop).entries.push_back(std::move(text)); }

void DialogManager::popUpSetText(KVPopUpRef pop, std::int16_t index1, std::string text) {
  PopUp& p = popUp(pop);
  if (index1 < 1 || index1 > static_cast<int>(p.entries.size()))
    throw HostError("pop-up menu " + std::to_string(pop) + " has no entry " + std::to_string(index1));
  p.entries[static_cast<std::size_t>(index1 - 1)] = std::move(text);
}

void DialogManager::popUpDelete(KVPopUpRef pop, std::int16_t index1) {
  PopUp& p = popUp(pop);
  if (index1 < 1 || index1 > static_cast<int>(p.entries.size()))
    throw HostError("pop-up menu " + std::to_string(pop) + " has no entry " + std::to_string(index1));
  p.entries.erase(p.entries.begin() + (index1 - 1));
  if (p.choice > static_cast<int>(p.entries.size())) p.choice = static_cast<std::int16_t>(p.entries.size());
}

std::int16_t DialogManager::popUpCount(KVPopUpRef pop) const {
  return static_cast<std::int16_t>(popUp(pop).entries.size());
}

void DialogManager::popUpSetChoice(KVPopUpRef pop, std::int16_t index1) {
  PopUp& p = popUp(pop);
  if (index1 < 1 || index1 > static_cast<int>(p.entries.size()))
    throw HostError("pop-up menu " + std::to_string(pop) + " cannot choose entry " + std::to_string(index1) +
                    " of " + std::to_string(p.entries.size()));
  p.choice = index1;
}

std::int16_t DialogManager::popUpChoice(KVPopUpRef pop) const { return popUp(pop).choice; }

const std::vector<std::string>& DialogManager::popUpEntries(KVPopUpRef pop) const { return popUp(pop).entries; }

// ---- questions and records ------------------------------------------------------------

bool DialogManager::confirm(std::int16_t listId, std::int16_t index) {
  ConfirmRecord rec{listId, index, resources_.string(listId, index).value_or(std::string()), false};
  if (interactive()) {
    *out_ << rec.question << " [y/n] " << std::flush;
    std::string line;
    rec.answer = static_cast<bool>(std::getline(*in_, line)) && !line.empty() && (line[0] == 'y' || line[0] == 'Y');
  } else {
    rec.answer = answers_.nextConfirm();
  }
  confirms_.push_back(rec);
  return rec.answer;
}

void DialogManager::clearRecords() {
  shown_.clear();
  alerts_.clear();
  reports_.clear();
  confirms_.clear();
  problems_.clear();
  usedAnswers_.clear();
}

}  // namespace tinhost
