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

DBusMenuLayout DBusMenuLayout::of(const Menu& root) { return of(root, DBusMenuLayout()); }

DBusMenuLayout DBusMenuLayout::of(const Menu& root, const DBusMenuLayout& previous) {
  DBusMenuLayout layout;
  layout.nextId_ = previous.nextId_;
  layout.rows_.push_back({0, "", {{"children-display", std::string("submenu")}}, {}, nullptr});
  layout.index_[0] = 0;
  layout.add(root, 0, &previous);
  return layout;
}

std::int32_t DBusMenuLayout::addRow(std::string key, DBusMenuProperties properties,
                                    std::shared_ptr<MenuItem> item, std::size_t parent,
                                    const DBusMenuLayout* previous) {
  // Equal keys among siblings (two separators) are told apart by their count.
  const std::string base = key;
  for (int n = 2; idOfKey_.contains(key); ++n) key = base + "#" + std::to_string(n);
  std::int32_t id = 0;
  if (auto kept = previous->idOfKey_.find(key); kept != previous->idOfKey_.end()) {
    id = kept->second;
  } else {
    id = nextId_++;
  }
  idOfKey_[key] = id;
  index_[id] = rows_.size();
  rows_[parent].children.push_back(id);
  rows_.push_back({id, std::move(key), std::move(properties), {}, std::move(item)});
  return id;
}

void DBusMenuLayout::add(const Menu& menu, std::size_t parent, const DBusMenuLayout* previous) {
  const std::string parentKey = rows_[parent].key;
  for (const auto& item : menu.items()) {
    const std::string key =
        parentKey + "/" + (item->isSeparatorItem() ? std::string("-") : "=" + item->title());
    const std::int32_t id = addRow(key, propertiesOf(*item), item, parent, previous);
    const std::size_t at = index_[id];
    if (item->submenu()) add(*item->submenu(), at, previous);
    const std::string itemKey = rows_[at].key;
    int line = 0;
    for (const std::string& text : item->detailLines()) {
      addRow(itemKey + "/line " + std::to_string(++line),
             {{"label", label(text)}, {"enabled", false}}, nullptr, parent, previous);
    }
  }
}

const DBusMenuRow* DBusMenuLayout::row(std::int32_t id) const {
  auto it = index_.find(id);
  return it == index_.end() ? nullptr : &rows_[it->second];
}

bool DBusMenuLayout::hasSameShape(const DBusMenuLayout& other) const {
  if (rows_.size() != other.rows_.size()) return false;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].id != other.rows_[i].id || rows_[i].children != other.rows_[i].children) {
      return false;
    }
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
