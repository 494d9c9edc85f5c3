#include "platform/ui/menu.h"

#include "platform/ui/view.h"

namespace vigilix::platform {

MenuItem::MenuItem(std::string title) : title_(std::move(title)) {}

std::shared_ptr<MenuItem> MenuItem::separatorItem() {
  auto item = std::make_shared<MenuItem>();
  item->separator_ = true;
  item->enabled_ = false;
  return item;
}

bool MenuItem::performAction() {
  if (!enabled_ || separator_ || !action_) return false;
  // A copy: the action may rebuild the menu and replace this item's action.
  Action action = action_;
  action(*this);
  return true;
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

Menu::~Menu() { removeAllItems(); }

void Menu::removeAllItems() {
  for (auto& item : items_) item->menu_ = nullptr;
  items_.clear();
}

void Menu::menuWillOpen() {
  if (auto delegate = delegate_.lock()) delegate->menuNeedsUpdate(*this);
}

void Menu::addItem(const std::shared_ptr<MenuItem>& item) {
  if (!item) return;
  if (item->menu_ && item->menu_ != this) return;  // an item belongs to one menu
  items_.push_back(item);
  item->menu_ = this;
}

std::shared_ptr<MenuItem> Menu::itemWithTag(std::int64_t tag) const {
  for (const auto& item : items_) {
    if (item->tag() == tag) return item;
  }
  return nullptr;
}

}  // namespace vigilix::platform
