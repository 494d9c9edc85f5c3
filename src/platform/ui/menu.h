#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "platform/ui/color.h"
#include "platform/ui/control.h"
#include "platform/ui/font.h"
#include "platform/ui/geometry.h"

namespace vigilix::platform {

class Menu;
class View;

// One styled run of a menu item's title.
struct TitleRun {
  std::string text;
  Font font = Font::systemFont(Font::systemFontSize());
  Color color = Color::label();
  bool operator==(const TitleRun&) const = default;
};

// A menu item; it may show a custom view in place of its title. Main thread.
class MenuItem {
 public:
  // The action stands for target and selector; owners bind it to a weak
  // reference of themselves so an item never calls a dead target.
  using Action = std::function<void(MenuItem& sender)>;
  // What an item stands for besides its title: nothing, a number or a text.
  using RepresentedObject = std::variant<std::monostate, std::int32_t, std::string>;

  explicit MenuItem(std::string title = {});
  ~MenuItem();
  MenuItem(const MenuItem&) = delete;
  MenuItem& operator=(const MenuItem&) = delete;

  static std::shared_ptr<MenuItem> separatorItem();
  bool isSeparatorItem() const { return separator_; }

  const std::string& title() const { return title_; }
  void setTitle(std::string title) { title_ = std::move(title); }
  // Shown in place of the title when not empty.
  const std::vector<TitleRun>& attributedTitle() const { return attributedTitle_; }
  void setAttributedTitle(std::vector<TitleRun> runs) { attributedTitle_ = std::move(runs); }
  std::shared_ptr<View> view() const { return view_; }
  void setView(std::shared_ptr<View> view);
  Menu* menu() const { return menu_; }

  bool hasAction() const { return static_cast<bool>(action_); }
  void setAction(Action action) { action_ = std::move(action); }
  // What choosing the item does: runs the action of an enabled item; false
  // when it is disabled, a separator or has no action.
  bool performAction();
  std::int64_t tag() const { return tag_; }
  void setTag(std::int64_t tag) { tag_ = tag; }
  // On shows a check mark.
  ControlStateValue state() const { return state_; }
  void setState(ControlStateValue state) { state_ = state; }
  bool isEnabled() const { return enabled_; }
  void setEnabled(bool enabled) { enabled_ = enabled; }
  // Shown in place of the item before it while the Option key is held.
  bool isAlternate() const { return alternate_; }
  void setAlternate(bool alternate) { alternate_ = alternate; }
  bool isHidden() const { return hidden_; }
  void setHidden(bool hidden) { hidden_ = hidden; }
  // Whether the item shows a place for a check mark even while off (hosts
  // that draw toggles draw one).
  bool isCheckable() const { return checkable_; }
  void setCheckable(bool checkable) { checkable_ = checkable; }
  // A plain character used with the platform's default modifier; empty: none.
  const std::string& keyEquivalent() const { return keyEquivalent_; }
  void setKeyEquivalent(std::string key) { keyEquivalent_ = std::move(key); }
  const RepresentedObject& representedObject() const { return representedObject_; }
  void setRepresentedObject(RepresentedObject object) { representedObject_ = std::move(object); }
  // Lines that a host unable to show the item's view shows under it instead.
  const std::vector<std::string>& detailLines() const { return detailLines_; }
  void setDetailLines(std::vector<std::string> lines) { detailLines_ = std::move(lines); }
  const std::shared_ptr<Menu>& submenu() const { return submenu_; }
  void setSubmenu(std::shared_ptr<Menu> submenu) { submenu_ = std::move(submenu); }

 private:
  friend class Menu;
  std::string title_;
  std::vector<TitleRun> attributedTitle_;
  std::shared_ptr<View> view_;
  Menu* menu_ = nullptr;
  Action action_;
  std::int64_t tag_ = 0;
  ControlStateValue state_ = ControlStateValue::Off;
  bool enabled_ = true;
  bool alternate_ = false;
  bool separator_ = false;
  bool hidden_ = false;
  bool checkable_ = false;
  std::string keyEquivalent_;
  RepresentedObject representedObject_;
  std::vector<std::string> detailLines_;
  std::shared_ptr<Menu> submenu_;
};

// Told before its menu opens, to bring the items up to date.
class MenuDelegate {
 public:
  virtual ~MenuDelegate() = default;
  virtual void menuNeedsUpdate(Menu& menu) = 0;
};

// A menu: its title, its items and the size it was laid out at. Main thread.
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
  std::shared_ptr<MenuItem> itemWithTag(std::int64_t tag) const;
  // Whether the menu sets its items' enabled state itself; when off, what
  // the owner sets holds.
  bool autoenablesItems() const { return autoenables_; }
  void setAutoenablesItems(bool autoenables) { autoenables_ = autoenables; }
  // The size of the laid-out menu; zero until it is laid out.
  Size size() const { return size_; }
  void setSize(Size size) { size_ = size; }

  void setDelegate(std::weak_ptr<MenuDelegate> delegate) { delegate_ = std::move(delegate); }
  // Whoever shows the menu calls this just before it opens.
  void menuWillOpen();

 private:
  std::string title_;
  std::vector<std::shared_ptr<MenuItem>> items_;
  bool autoenables_ = true;
  Size size_;
  std::weak_ptr<MenuDelegate> delegate_;
};

}  // namespace vigilix::platform
