#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "platform/ui/control.h"
#include "platform/ui/geometry.h"

namespace vigilix::platform {

class Menu;
class View;

// A menu item; it may show a custom view in place of its title. Main thread
// only, like every menu.
class MenuItem {
 public:
  using Action = std::function<void(MenuItem& sender)>;
  // What an item stands for besides its title: nothing, a number or a text.
  using RepresentedObject = std::variant<std::monostate, std::int32_t, std::string>;

  explicit MenuItem(std::string title = {});
  static std::shared_ptr<MenuItem> separator();
  ~MenuItem();
  MenuItem(const MenuItem&) = delete;
  MenuItem& operator=(const MenuItem&) = delete;

  const std::string& title() const { return title_; }
  void setTitle(std::string title) { title_ = std::move(title); }
  std::shared_ptr<View> view() const { return view_; }
  void setView(std::shared_ptr<View> view);
  Menu* menu() const { return menu_; }

  bool isSeparator() const { return separator_; }
  bool isEnabled() const { return enabled_; }
  void setEnabled(bool enabled) { enabled_ = enabled; }
  bool isHidden() const { return hidden_; }
  void setHidden(bool hidden) { hidden_ = hidden; }
  // Whether the item shows a place for a check mark even while off (hosts
  // that draw toggles draw one).
  bool isCheckable() const { return checkable_; }
  void setCheckable(bool checkable) { checkable_ = checkable; }
  // The check mark: off unless set.
  ControlStateValue state() const { return state_; }
  void setState(ControlStateValue state) { state_ = state; }
  int tag() const { return tag_; }
  void setTag(int tag) { tag_ = tag; }
  // A plain character used with the platform's default modifier; empty: none.
  const std::string& keyEquivalent() const { return keyEquivalent_; }
  void setKeyEquivalent(std::string key) { keyEquivalent_ = std::move(key); }
  const RepresentedObject& representedObject() const { return representedObject_; }
  void setRepresentedObject(RepresentedObject object) { representedObject_ = std::move(object); }
  // Lines that a host unable to show the item's view shows under it instead.
  const std::vector<std::string>& detailLines() const { return detailLines_; }
  void setDetailLines(std::vector<std::string> lines) { detailLines_ = std::move(lines); }

  bool hasAction() const { return static_cast<bool>(action_); }
  void setAction(Action action) { action_ = std::move(action); }
  // Sends the action when there is one and the item is enabled; answers whether it was sent.
  bool performAction();

  const std::shared_ptr<Menu>& submenu() const { return submenu_; }
  void setSubmenu(std::shared_ptr<Menu> submenu) { submenu_ = std::move(submenu); }

 private:
  friend class Menu;
  std::string title_;
  std::shared_ptr<View> view_;
  Menu* menu_ = nullptr;
  bool separator_ = false;
  bool enabled_ = true;
  bool hidden_ = false;
  bool checkable_ = false;
  ControlStateValue state_ = ControlStateValue::Off;
  int tag_ = 0;
  std::string keyEquivalent_;
  RepresentedObject representedObject_;
  std::vector<std::string> detailLines_;
  Action action_;
  std::shared_ptr<Menu> submenu_;
};

// A menu: its title, items and the size it was laid out at.
class Menu {
 public:
  explicit Menu(std::string title = {}) : title_(std::move(title)) {}
  ~Menu();
  Menu(const Menu&) = delete;
  Menu& operator=(const Menu&) = delete;

  const std::string& title() const { return title_; }
  void addItem(const std::shared_ptr<MenuItem>& item);
  void removeAllItems();
  const std::vector<std::shared_ptr<MenuItem>>& items() const { return items_; }
  // The first item with `tag`, or nullptr.
  std::shared_ptr<MenuItem> itemWithTag(int tag) const;
  // Whether the menu sets its items' enabled state itself; when off, what
  // the owner sets holds.
  bool autoenablesItems() const { return autoenables_; }
  void setAutoenablesItems(bool autoenables) { autoenables_ = autoenables; }
  // The size of the laid-out menu; zero until it is laid out.
  Size size() const { return size_; }
  void setSize(Size size) { size_ = size; }

 private:
  std::string title_;
  std::vector<std::shared_ptr<MenuItem>> items_;
  bool autoenables_ = true;
  Size size_;
};

}  // namespace vigilix::platform
