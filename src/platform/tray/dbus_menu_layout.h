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
  // What makes it the same row in the next layout: its place by titles
  // (the parent's key, its own title or kind, and which of its equals it is).
  std::string key;
  DBusMenuProperties properties;
  std::vector<std::int32_t> children;
  // The item a click runs; none for the root and for detail lines.
  std::shared_ptr<MenuItem> item;
};

// A menu as dbusmenu rows, in depth-first order. Hosts keep each id's
// properties between readings, so an id is never given to another row: a
// row that was in the previous layout (the same key) keeps its id, any other
// gets one never used before. Properties at their dbusmenu defaults are left
// out, as the protocol allows. An item's detail lines follow it as disabled rows.
class DBusMenuLayout {
 public:
  static DBusMenuLayout of(const Menu& root);
  // The next layout after `previous`.
  static DBusMenuLayout of(const Menu& root, const DBusMenuLayout& previous);

  const DBusMenuRow* row(std::int32_t id) const;
  const std::vector<DBusMenuRow>& rows() const { return rows_; }
  // Same ids in the same order with the same children: only properties can differ.
  bool hasSameShape(const DBusMenuLayout& other) const;

  // A title as a dbusmenu label: "_" marks a mnemonic there, so a plain one is doubled.
  static std::string label(const std::string& title);

 private:
  std::int32_t addRow(std::string key, DBusMenuProperties properties,
                      std::shared_ptr<MenuItem> item, std::size_t parent,
                      const DBusMenuLayout* previous);
  void add(const Menu& menu, std::size_t parent, const DBusMenuLayout* previous);
  std::vector<DBusMenuRow> rows_;
  std::map<std::int32_t, std::size_t> index_;
  std::map<std::string, std::int32_t> idOfKey_;
  std::int32_t nextId_ = 1;
};

}  // namespace vigilix::platform
