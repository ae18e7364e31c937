#include "tinhost/core/Resources.h"

#include <charconv>
#include <cstddef>
#include <limits>
#include <map>
#include <string>
#include <utility>
#include <vector>

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

[[noreturn]] void failAt(int lineNo, const std::string& why) {
  throw HostError("resources line " + std::to_string(lineNo) + ": " + why);
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
      if (!closed) failAt(lineNo, "unclosed quote");
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
    failAt(lineNo, "'" + std::string(text) + "' is not a 16-bit number");
  return static_cast<std::int16_t>(value);
}

// Takes the next line off the front of text, without its '\n'.
std::string_view takeLine(std::string_view& text) {
  const std::size_t eol = text.find('\n');
  const std::string_view line = text.substr(0, eol);
  text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
  return line;
}

enum class Section { None, Strings, Dialog, Menu, Cursor };

// "[kind number "title" ...]": the words inside the brackets, the number read.
struct SectionHeader {
  std::vector<Token> words;
  std::int16_t id = 0;
  std::string title;
};

SectionHeader readSectionHeader(std::string_view line, int lineNo) {
  if (line.back() != ']') failAt(lineNo, "a section header must end with ]");
  SectionHeader h;
  h.words = tokenize(line.substr(1, line.size() - 2), lineNo);
  if (h.words.size() < 2) failAt(lineNo, "a section needs a kind and a number");
  h.id = parseId(h.words[1].text, lineNo);
  if (h.words.size() > 2) h.title = h.words[2].text;
  return h;
}

Section sectionKind(const std::string& kind, int lineNo) {
  if (kind == "strings") return Section::Strings;
  if (kind == "dialog") return Section::Dialog;
  if (kind == "menu") return Section::Menu;
  if (kind == "cursor") return Section::Cursor;
  failAt(lineNo, "unknown section kind '" + kind + "'");
}

// A dialog section may start from the items of an earlier one: "... like N".
DialogLayout newDialog(const SectionHeader& h, const std::map<std::int16_t, DialogLayout>& earlier, int lineNo) {
  DialogLayout d{h.id, h.title, {}};
  const auto& words = h.words;
  if (words.size() == 5 && words[3].text == "like") {
    const auto base = earlier.find(parseId(words[4].text, lineNo));
    if (base == earlier.end()) failAt(lineNo, "dialog " + words[4].text + " must come before a dialog like it");
    d.items = base->second.items;
  } else if (words.size() > 3) {
    failAt(lineNo, "unexpected words after the dialog title");
  }
  return d;
}

// Enters a new section in its table; a section number appears once per kind.
template <class Table, class Layout>
void addSection(Table& table, std::int16_t id, Layout layout, const std::string& what, int lineNo) {
  if (!table.emplace(id, std::move(layout)).second) failAt(lineNo, what + " " + std::to_string(id) + " appears twice");
}

// "N = text" or "N = "quoted text"".
void addStringEntry(std::map<std::int16_t, std::string>& list, std::string_view line, int lineNo) {
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) failAt(lineNo, "a string entry reads N = text");
  const std::int16_t index = parseId(trim(line.substr(0, eq)), lineNo);
  std::string_view value = trim(line.substr(eq + 1));
  std::string entry(value);
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    const auto words = tokenize(value, lineNo);
    if (words.size() != 1) failAt(lineNo, "a quoted string entry must be one quoted text");
    entry = words[0].text;
  }
  if (!list.emplace(index, std::move(entry)).second)
    failAt(lineNo, "entry " + std::to_string(index) + " appears twice");
}

// "N kind "label" [name]"; numbers and names are unique within the dialog.
void addDialogItem(std::vector<DialogItemLayout>& items, std::string_view line, int lineNo) {
  const auto words = tokenize(line, lineNo);
  if (words.size() < 2 || words.size() > 4) failAt(lineNo, "a dialog item reads N kind \"label\" [name]");
  DialogItemLayout item;
  item.number = parseId(words[0].text, lineNo);
  bool known = false;
  for (const auto& [name, k] : kKinds)
    if (name == words[1].text) {
      item.kind = k;
      known = true;
    }
  if (!known) failAt(lineNo, "unknown item kind '" + words[1].text + "'");
  if (words.size() >= 3) item.label = words[2].text;
  if (words.size() == 4) {
    if (words[3].quoted || words[3].text.empty() ||
        words[3].text.find_first_not_of("0123456789") == std::string::npos)
      failAt(lineNo, "an item name is one unquoted word that is not a number");
    item.name = words[3].text;
  }
  for (const auto& other : items) {
    if (other.number == item.number) failAt(lineNo, "item " + words[0].text + " appears twice");
    if (!item.name.empty() && other.name == item.name) failAt(lineNo, "item name " + item.name + " appears twice");
  }
  items.push_back(std::move(item));
}

void addMenuItem(std::vector<std::string>& items, std::string_view line, int lineNo) {
  const auto words = tokenize(line, lineNo);
  if (words.size() != 1 || !words[0].quoted) failAt(lineNo, "a menu item is one quoted text");
  items.push_back(words[0].text);
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
  Section section = Section::None;
  std::int16_t current = 0;
  for (int lineNo = 1; !text.empty(); ++lineNo) {
    const std::string_view line = trim(takeLine(text));
    if (line.empty() || line.front() == '#') continue;
    if (line.front() == '[') {
      const SectionHeader h = readSectionHeader(line, lineNo);
      current = h.id;
      section = sectionKind(h.words[0].text, lineNo);
      switch (section) {
        case Section::None: break;  // sectionKind gives a real kind or throws
        case Section::Strings:
          addSection(r.strings_, current, std::map<std::int16_t, std::string>{}, "string list", lineNo);
          break;
        case Section::Dialog: addSection(r.dialogs_, current, newDialog(h, r.dialogs_, lineNo), "dialog", lineNo); break;
        case Section::Menu: addSection(r.menus_, current, MenuLayout{current, h.title, {}}, "menu", lineNo); break;
        case Section::Cursor: r.cursors_[current] = h.title; break;
      }
      continue;
    }
    switch (section) {
      case Section::None: failAt(lineNo, "an entry outside any section");
      case Section::Cursor: failAt(lineNo, "a cursor section has no entries");
      case Section::Strings: addStringEntry(r.strings_[current], line, lineNo); break;
      case Section::Dialog: addDialogItem(r.dialogs_[current].items, line, lineNo); break;
      case Section::Menu: addMenuItem(r.menus_[current].items, line, lineNo); break;
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
