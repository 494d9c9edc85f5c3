#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/ui/geometry.h"
#include "platform/ui/image.h"
#include "platform/ui/stack_view.h"

namespace vigilix {

class DZLSettingsContentViewController;

// What a pane offers a tabbed settings window: its controller, label and
// toolbar image.
struct VGXSettingsTabViewItem {
  std::shared_ptr<DZLSettingsContentViewController> viewController;
  std::string label;
  std::optional<platform::Image> image;
};

// The base of the panes built in code rather than by the window: each gives
// its title and toolbar image, and may size itself to its contents each
// time it is about to appear. Main thread only.
class DZLSettingsContentViewController {
 public:
  virtual ~DZLSettingsContentViewController() = default;
  DZLSettingsContentViewController(const DZLSettingsContentViewController&) = delete;
  DZLSettingsContentViewController& operator=(const DZLSettingsContentViewController&) = delete;

  // Makes a `Pane` from `args` and wraps it with its title and image.
  template <class Pane, class... Args>
  static VGXSettingsTabViewItem preferredTabViewItem(Args&&... args) {
    auto pane = std::make_shared<Pane>(std::forward<Args>(args)...);
    std::string label = pane->title();
    auto image = pane->tabViewItemImage();
    return {std::move(pane), std::move(label), std::move(image)};
  }

  virtual std::optional<platform::Image> tabViewItemImage() const { return std::nullopt; }
  virtual std::optional<std::string> preferredTitle() const { return std::nullopt; }
  virtual bool resizesView() const { return false; }

  std::string title() const { return preferredTitle().value_or(""); }
  const std::shared_ptr<platform::StackView>& view() const { return view_; }
  platform::Size preferredContentSize() const { return preferredContentSize_; }
  void setPreferredContentSize(platform::Size size) { preferredContentSize_ = size; }
  // A pane that resizes takes its view's fitting size as its preferred size.
  virtual void viewWillAppear();

 protected:
  DZLSettingsContentViewController();
  // The pane's symbol image, without accessibility description.
  static std::optional<platform::Image> symbol(const std::string& name);

 private:
  std::shared_ptr<platform::StackView> view_;
  platform::Size preferredContentSize_;
};

}  // namespace vigilix
