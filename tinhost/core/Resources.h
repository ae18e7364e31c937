// The host's resources: string lists, dialog layouts, pop-up menus and busy
// cursors, read from the text format of tinhost.rsrc (the format is described
// at the top of that file).  The file is compiled into the host; embedded()
// parses that copy once.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tinhost {

enum class ItemKind { Button, Check, Radio, Static, Edit, Coord, Number, PopUp, User };

// The item type code the callback block reports for a kind (KVABI kKVItem...).
std::int16_t abiItemType(ItemKind kind);
std::string_view kindName(ItemKind kind);

struct DialogItemLayout {
  std::int16_t number = 0;
  ItemKind kind = ItemKind::Static;
  std::string label;
  std::string name;  // field name scripts may use instead of the number; may be empty
};

struct DialogLayout {
  std::int16_t id = 0;
  std::string title;
  std::vector<DialogItemLayout> items;  // in the order of the file
};

struct MenuLayout {
  std::int16_t id = 0;
  std::string title;
  std::vector<std::string> items;
};

class Resources {
 public:
  // Throws HostError naming the line of the first fault.
  static Resources parse(std::string_view text);
  static const Resources& embedded();

  std::optional<std::string> string(std::int16_t listId, std::int16_t index) const;
  const std::map<std::int16_t, std::string>* stringList(std::int16_t listId) const;
  const DialogLayout* dialog(std::int16_t id) const;
  const MenuLayout* menu(std::int16_t id) const;
  std::optional<std::string> cursor(std::int16_t id) const;

 private:
  std::map<std::int16_t, std::map<std::int16_t, std::string>> strings_;
  std::map<std::int16_t, DialogLayout> dialogs_;
  std::map<std::int16_t, MenuLayout> menus_;
  std::map<std::int16_t, std::string> cursors_;
};

}  // namespace tinhost
