#include "platform/tray/dbus_menu_layout.h"

namespace vigilix::platform {
namespace {

DBusMenuProperties propertiesOf(const MenuItem& item) {
  DBusMenuProperties properties;
  if (item.isSeparatorItem()) {
    properties["type"] = std::string("separator");
  } else {
    properties["label"] = DBusMenuLayout::label(item.title());
    // A separator is never chosen; saying so again only adds noise for hosts.
    if (!item.isEnabled()) properties["enabled"] = false;
  }
  // Trays report no modifier keys, so an alternate could never take its
  // place: it would show as a second copy of its row.
  if (item.isHidden() || item.isAlternate()) properties["visible"] = false;
  if (item.isCheckable() || item.state() != ControlStateValue::Off) {
    properties["toggle-type"] = std::string("checkmark");
    properties["toggle-state"] = static_cast<std::int32_t>(item.state());
  }
  if (item.submenu()) properties["children-display"] = std::string("submenu");
  if (!item.keyEquivalent().empty()) {
    properties["shortcut"] =
        std::vector<std::vector<std::string>>{{"Control", item.keyEquivalent()}};
  }
  return properties;
}

}  // namespace

DBusMenuLayout DBusMenuLayout::of(const Menu& root) {
  DBusMenuLayout layout;
  layout.rows_.push_back({0, {{"children-display", std::string("submenu")}}, {}, nullptr});
  layout.add(root, 0);
  return layout;
}

void DBusMenuLayout::add(const Menu& menu, std::int32_t parent) {
  for (const auto& item : menu.items()) {
    const auto id = static_cast<std::int32_t>(rows_.size());
    rows_.push_back({id, propertiesOf(*item), {}, item});
    rows_[static_cast<std::size_t>(parent)].children.push_back(id);
    if (item->submenu()) add(*item->submenu(), id);
    for (const std::string& line : item->detailLines()) {
      const auto lineID = static_cast<std::int32_t>(rows_.size());
      rows_.push_back({lineID, {{"label", label(line)}, {"enabled", false}}, {}, nullptr});
      rows_[static_cast<std::size_t>(parent)].children.push_back(lineID);
    }
  }
}

const DBusMenuRow* DBusMenuLayout::row(std::int32_t id) const {
  if (id < 0 || static_cast<std::size_t>(id) >= rows_.size()) return nullptr;
  return &rows_[static_cast<std::size_t>(id)];
}

bool DBusMenuLayout::hasSameShape(const DBusMenuLayout& other) const {
  if (rows_.size() != other.rows_.size()) return false;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].children != other.rows_[i].children) return false;
  }
  return true;
}

std::string DBusMenuLayout::label(const std::string& title) {
  std::string out;
  out.reserve(title.size());
  for (char c : title) {
    out += c;
    if (c == '_') out += '_';
  }
  return out;
}

}  // namespace vigilix::platform
