// The interactive side of the dialog manager: a dialog shown as a list of its
// visible items at the terminal, changed one line at a time.
#include <charconv>
#include <istream>
#include <ostream>

#include "tinhost/core/DialogManager.h"

namespace tinhost {
namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::optional<int> toInt(std::string_view s) {
  int v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (s.empty() || ec != std::errc{} || end != s.data() + s.size()) return std::nullopt;
  return v;
}

}  // namespace

void DialogManager::show(KVDialogRef ref) const {
  const Instance& d = dialog(ref);
  std::ostream& out = *out_;
  out << "\n== " << d.title << " ==\n";
  for (const DialogItemState& i : d.items) {
    if (i.hidden || i.kind == ItemKind::Button || i.kind == ItemKind::User) continue;
    out << "  " << i.number << "  ";
    switch (i.kind) {
      case ItemKind::Check:
      case ItemKind::Radio: out << (i.checked ? "[x] " : "[ ] ") << i.label; break;
      case ItemKind::Static: out << (i.label.empty() ? "" : i.label + ": ") << i.text; break;
      case ItemKind::PopUp: {
        out << i.label << ":";
        if (i.popUp == 0 || !popUps_.contains(i.popUp)) {
          out << " (no entries)";
          break;
        }
        const PopUp& p = popUps_.at(i.popUp);
        for (std::size_t k = 0; k < p.entries.size(); ++k)
          out << (static_cast<int>(k + 1) == p.choice ? "  *" : "   ") << (k + 1) << ") " << p.entries[k];
        break;
      }
      default:
        out << i.label << ": [" << i.text << "]";
        if (i.kind == ItemKind::Coord) out << ' ' << unitName(units_().kind);
        break;
    }
    out << '\n';
  }
  out << "Type N = value to change item N (or name = value with the item's field name; N alone ticks "
         "or unticks a box), Enter or ok to confirm, cancel to cancel.\n";
}

DialogManager::UserAction DialogManager::prompt(KVDialogRef ref) {
  show(ref);
  std::string line;
  for (;;) {
    *out_ << "> " << std::flush;
    if (!std::getline(*in_, line)) return UserAction::Cancel;
    const std::string_view input = trim(line);
    if (input.empty() || input == "ok" || input == "OK") return UserAction::Confirm;
    if (input == "cancel") return UserAction::Cancel;

    const std::size_t split = input.find_first_of(" =");
    const std::string_view key = input.substr(0, split);
    auto number = toInt(key);
    if (!number) {
      if (const std::int16_t named = itemNumber(ref, key); named != 0) number = named;
    }
    std::string_view value = split == std::string_view::npos ? std::string_view{} : trim(input.substr(split));
    if (!value.empty() && value.front() == '=') value = trim(value.substr(1));
    const DialogItemState* target = number ? itemState(ref, static_cast<std::int16_t>(*number)) : nullptr;
    if (target == nullptr || target->hidden) {
      *out_ << "No such item. Give an item number from the list.\n";
      continue;
    }
    DialogAction action;
    action.item = target->number;
    switch (target->kind) {
      case ItemKind::Check: {
        action.kind = DialogAction::Kind::SetCheck;
        const bool on = value.empty() ? !target->checked
                                      : (value == "1" || value == "on" || value == "yes" || value == "x");
        action.value = on ? 1 : 0;
        break;
      }
      case ItemKind::Radio: action.kind = DialogAction::Kind::PressRadio; break;
      case ItemKind::PopUp:
        if (const auto index = toInt(value)) {
          action.kind = DialogAction::Kind::ChooseIndex;
          action.value = static_cast<std::int16_t>(*index);
        } else {
          action.kind = DialogAction::Kind::ChooseText;
          action.text = std::string(value);
        }
        break;
      default:
        action.kind = DialogAction::Kind::SetText;
        action.text = std::string(value);
        break;
    }
    if (const auto problem = applyAction(ref, action)) *out_ << "Cannot do that: " << *problem << ".\n";
  }
}

}  // namespace tinhost
