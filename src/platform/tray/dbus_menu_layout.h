#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "platform/ui/menu.h"

namespace vigilix::platform {

// One property value of a dbusmenu row: s, b, i, or aas (the shortcut).
using DBusMenuValue =
    std::variant<std::string, bool, std::int32_t, std::vector<std::vector<std::string>>>;
using DBusMenuProperties = std::map<std::string, DBusMenuValue>;

// One row of the exported menu. Row 0 is the root.
struct DBusMenuRow {
  std::int32_t id = 0;
  DBusMenuProperties properties;
  std::vector<std::int32_t> children;
  // The item a click runs; none for the root and for detail lines.
  std::shared_ptr<MenuItem> item;
};

// A menu as dbusmenu rows: ids in depth-first order, so the same shape gives
// the same ids. Properties at their dbusmenu defaults are left out, as the
// protocol allows. An item's detail lines follow it as disabled rows.
class DBusMenuLayout {
 public:
  static DBusMenuLayout of(const Menu& root);

  const DBusMenuRow* row(std::int32_t id) const;
  const std::vector<DBusMenuRow>& rows() const { return rows_; }
  // Same ids with the same children: only properties can differ.
  bool hasSameShape(const DBusMenuLayout& other) const;

  // A title as a dbusmenu label: "_" marks a mnemonic there, so a plain one is doubled.
  static std::string label(const std::string& title);

 private:
  void add(const Menu& menu, std::int32_t parent);
  std::vector<DBusMenuRow> rows_;
};

}  // namespace vigilix::platform
