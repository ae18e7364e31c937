#include "tinhost/core/Resources.h"

#include <charconv>
#include <limits>

#include "tinhost/core/HostError.h"

namespace tinhost {

extern const unsigned char kEmbeddedResources[];
extern const std::size_t kEmbeddedResourcesSize;

namespace {

constexpr std::pair<std::string_view, ItemKind> kKinds[] = {
    {"button", ItemKind::Button}, {"check", ItemKind::Check},   {"radio", ItemKind::Radio},
    {"static", ItemKind::Static}, {"edit", ItemKind::Edit},     {"coord", ItemKind::Coord},
    {"number", ItemKind::Number}, {"popup", ItemKind::PopUp},   {"user", ItemKind::User},
};

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// Splits a line into words; "quoted texts" (with \" and \\ escapes) are one word.
struct Token {
  std::string text;
  bool quoted = false;
};

std::vector<Token> tokenize(std::string_view line, int lineNo) {
  std::vector<Token> out;
  std::size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\t') {
      ++i;
      continue;
    }
    Token t;
    if (line[i] == '"') {
      t.quoted = true;
      ++i;
      bool closed = false;
      while (i < line.size()) {
        const char c = line[i++];
        if (c == '"') {
          closed = true;
          break;
        }
        if (c == '\\' && i < line.size()) {
          t.text += line[i++];
          continue;
        }
        t.text += c;
      }
      if (!closed) throw HostError("resources line " + std::to_string(lineNo) + ": unclosed quote");
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') t.text += line[i++];
    }
    out.push_back(std::move(t));
  }
  return out;
}

std::int16_t parseId(std::string_view text, int lineNo) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc{} || end != text.data() + text.size() || value < std::numeric_limits<std::int16_t>::min() ||
      value > std::numeric_limits<std::int16_t>::max())
    throw HostError("resources line " + std::to_string(lineNo) + ": '" + std::string(text) +
                    "' is not a 16-bit number");
  return static_cast<std::int16_t>(value);
}

}  // namespace

std::int16_t abiItemType(ItemKind kind) {
  switch (kind) {
    case ItemKind::Button: return 4;
    case ItemKind::Check: return 5;
    case ItemKind::Radio: return 6;
    case ItemKind::Static: return 8;
    case ItemKind::Edit:
    case ItemKind::Coord:
    case ItemKind::Number: return 16;
    case ItemKind::PopUp: return 64;
    case ItemKind::User: return 0;
  }
  return 0;
}

std::string_view kindName(ItemKind kind) {
  for (const auto& [name, k] : kKinds)
    if (k == kind) return name;
  return "?";
}

Resources Resources::parse(std::string_view text) {
  Resources r;
  enum class Section { None, Strings, Dialog, Menu, Cursor } section = Section::None;
  std::int16_t current = 0;
  int lineNo = 0;
  auto fail = [&lineNo](const std::string& why) -> void {
    throw HostError("resources line " + std::to_string(lineNo) + ": " + why);
  };
  while (!text.empty()) {
    const std::size_t eol = text.find('\n');
    const std::string_view raw = text.substr(0, eol);
    text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
    ++lineNo;
    const std::string_view line = trim(raw);
    if (line.empty() || line.front() == '#') continue;

    if (line.front() == '[') {
      if (line.back() != ']') fail("a section header must end with ]");
      const auto words = tokenize(line.substr(1, line.size() - 2), lineNo);
      if (words.size() < 2) fail("a section needs a kind and a number");
      const std::string& kind = words[0].text;
      current = parseId(words[1].text, lineNo);
      const std::string title = words.size() > 2 ? words[2].text : std::string();
      if (kind == "strings") {
        section = Section::Strings;
        if (!r.strings_.emplace(current, std::map<std::int16_t, std::string>{}).second)
          fail("string list " + std::to_string(current) + " appears twice");
      } else if (kind == "dialog") {
        section = Section::Dialog;
        DialogLayout d{current, title, {}};
        if (words.size() == 5 && words[3].text == "like") {
          const DialogLayout* base = r.dialog(parseId(words[4].text, lineNo));
          if (base == nullptr) fail("dialog " + words[4].text + " must come before a dialog like it");
          d.items = base->items;
        } else if (words.size() > 3) {
          fail("unexpected words after the dialog title");
        }
        if (!r.dialogs_.emplace(current, std::move(d)).second)
          fail("dialog " + std::to_string(current) + " appears twice");
      } else if (kind == "menu") {
        section = Section::Menu;
        if (!r.menus_.emplace(current, MenuLayout{current, title, {}}).second)
          fail("menu " + std::to_string(current) + " appears twice");
      } else if (kind == "cursor") {
        section = Section::Cursor;
        r.cursors_[current] = title;
      } else {
        fail("unknown section kind '" + kind + "'");
      }
      continue;
    }

    switch (section) {
      case Section::None: fail("an entry outside any section"); break;
      case Section::Cursor: fail("a cursor section has no entries"); break;
      case Section::Strings: {
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) fail("a string entry reads N = text");
        const std::int16_t index = parseId(trim(line.substr(0, eq)), lineNo);
        std::string_view value = trim(line.substr(eq + 1));
        std::string entry(value);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
          const auto words = tokenize(value, lineNo);
          if (words.size() != 1) fail("a quoted string entry must be one quoted text");
          entry = words[0].text;
        }
        if (!r.strings_[current].emplace(index, std::move(entry)).second)
          fail("entry " + std::to_string(index) + " appears twice");
        break;
      }
      case Section::Dialog: {
        const auto words = tokenize(line, lineNo);
        if (words.size() < 2 || words.size() > 4) fail("a dialog item reads N kind \"label\" [name]");
        DialogItemLayout item;
        item.number = parseId(words[0].text, lineNo);
        bool known = false;
        for (const auto& [name, k] : kKinds)
          if (name == words[1].text) {
            item.kind = k;
            known = true;
          }
        if (!known) fail("unknown item kind '" + words[1].text + "'");
        if (words.size() >= 3) item.label = words[2].text;
        if (words.size() == 4) {
          if (words[3].quoted || words[3].text.empty() ||
              words[3].text.find_first_not_of("0123456789") == std::string::npos)
            fail("an item name is one unquoted word that is not a number");
          item.name = words[3].text;
        }
        auto& items = r.dialogs_[current].items;
        for (const auto& other : items) {
          if (other.number == item.number) fail("item " + words[0].text + " appears twice");
          if (!item.name.empty() && other.name == item.name) fail("item name " + item.name + " appears twice");
        }
        items.push_back(std::move(item));
        break;
      }
      case Section::Menu: {
        const auto words = tokenize(line, lineNo);
        if (words.size() != 1 || !words[0].quoted) fail("a menu item is one quoted text");
        r.menus_[current].items.push_back(words[0].text);
        break;
      }
    }
  }
  return r;
}

const Resources& Resources::embedded() {
  static const Resources parsed = parse(
      std::string_view(reinterpret_cast<const char*>(kEmbeddedResources), kEmbeddedResourcesSize));
  return parsed;
}

std::optional<std::string> Resources::string(std::int16_t listId, std::int16_t index) const {
  const auto* list = stringList(listId);
  if (list == nullptr) return std::nullopt;
  const auto it = list->find(index);
  if (it == list->end()) return std::nullopt;
  return it->second;
}

const std::map<std::int16_t, std::string>* Resources::stringList(std::int16_t listId) const {
  const auto it = strings_.find(listId);
  return it == strings_.end() ? nullptr : &it->second;
}

const DialogLayout* Resources::dialog(std::int16_t id) const {
  const auto it = dialogs_.find(id);
  return it == dialogs_.end() ? nullptr : &it->second;
}

const MenuLayout* Resources::menu(std::int16_t id) const {
  const auto it = menus_.find(id);
  return it == menus_.end() ? nullptr : &it->second;
}

std::optional<std::string> Resources::cursor(std::int16_t id) const {
  const auto it = cursors_.find(id);
  if (it == cursors_.end()) return std::nullopt;
  return it->second;
}

}  // namespace tinhost
