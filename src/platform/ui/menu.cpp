#include "platform/ui/menu.h"

#include "platform/ui/view.h"

namespace vigilix::platform {

MenuItem::MenuItem(std::string title) : title_(std::move(title)) {}

std::shared_ptr<MenuItem> MenuItem::separator() {
  auto item = std::make_shared<MenuItem>();
  item->separator_ = true;
  return item;
}

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

bool MenuItem::performAction() {
  if (!action_ || !enabled_ || separator_) return false;
  // The action may rebuild the menu that holds this item: keep it alive.
  const Action action = action_;
  action(*this);
  return true;
}

Menu::~Menu() { removeAllItems(); }

void Menu::addItem(const std::shared_ptr<MenuItem>& item) {
  if (!item) return;
  if (item->menu_ && item->menu_ != this) return;  // an item belongs to one menu
  items_.push_back(item);
  item->menu_ = this;
}

void Menu::removeAllItems() {
  for (auto& item : items_) item->menu_ = nullptr;
  items_.clear();
}

std::shared_ptr<MenuItem> Menu::itemWithTag(int tag) const {
  for (const auto& item : items_) {
    if (item->tag() == tag) return item;
  }
  return nullptr;
}

}  // namespace vigilix::platform
