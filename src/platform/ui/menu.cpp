#include "platform/ui/menu.h"

#include "platform/ui/view.h"

namespace vigilix::platform {

MenuItem::MenuItem(std::string title) : title_(std::move(title)) {}

MenuItem::~MenuItem() {
  if (view_) view_->menuItem_ = nullptr;
}

void MenuItem::setView(std::shared_ptr<View> view) {
  if (view_) view_->menuItem_ = nullptr;
  view_ = std::move(view);
  if (view_) {
    view_->menuItem_ = this;
    view_->viewDidMoveToSuperview();  // it now sits in the menu's own view
  }
}

Menu::~Menu() {
  for (auto& item : items_) item->menu_ = nullptr;
}

void Menu::addItem(const std::shared_ptr<MenuItem>& item) {
  if (!item) return;
  if (item->menu_ && item->menu_ != this) return;  // an item belongs to one menu
  items_.push_back(item);
  item->menu_ = this;
}

}  // namespace vigilix::platform
