#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/geometry.h"

namespace vigilix::platform {

class Menu;
class View;

// A menu item; it may show a custom view in place of its title.
class MenuItem {
 public:
  explicit MenuItem(std::string title = {});
  ~MenuItem();
  MenuItem(const MenuItem&) = delete;
  MenuItem& operator=(const MenuItem&) = delete;

  const std::string& title() const { return title_; }
  void setTitle(std::string title) { title_ = std::move(title); }
  std::shared_ptr<View> view() const { return view_; }
  void setView(std::shared_ptr<View> view);
  Menu* menu() const { return menu_; }

 private:
  friend class Menu;
  std::string title_;
  std::shared_ptr<View> view_;
  Menu* menu_ = nullptr;
};

// A menu: its items and the size it was laid out at.
class Menu {
 public:
  Menu() = default;
  ~Menu();
  Menu(const Menu&) = delete;
  Menu& operator=(const Menu&) = delete;

  void addItem(const std::shared_ptr<MenuItem>& item);
  const std::vector<std::shared_ptr<MenuItem>>& items() const { return items_; }
  // The size of the laid-out menu; zero until it is laid out.
  Size size() const { return size_; }
  void setSize(Size size) { size_ = size; }

 private:
  std::vector<std::shared_ptr<MenuItem>> items_;
  Size size_;
};

}  // namespace vigilix::platform
