#include "platform/ui/open_panel.h"

#include <utility>

namespace vigilix::platform {

// Hears any close (the close button, Escape in the toolkit's dialog) as a
// cancel, unless a choice already ended the panel.
class OpenPanel::Closing final : public WindowDelegate {
 public:
  explicit Closing(OpenPanel& panel) : panel_(panel) {}
  void windowWillClose(Window&) override { panel_.finish(ModalResponse::Cancel, {}); }

 private:
  OpenPanel& panel_;
};

std::shared_ptr<OpenPanel> OpenPanel::make() { return std::make_shared<OpenPanel>(); }

OpenPanel::OpenPanel()
    : Window(Rect(0, 0, 640, 420),
             WindowStyle::Titled | WindowStyle::Closable | WindowStyle::Resizable),
      closing_(std::make_shared<Closing>(*this)) {
  setDelegate(closing_);
}

void OpenPanel::begin(Completion completion) {
  if (!self_) {
    self_ = std::static_pointer_cast<OpenPanel>(shared_from_this());
    completion_ = std::move(completion);
  }
  makeKeyAndOrderFront();
}

void OpenPanel::choose(std::vector<std::string> paths) {
  if (!self_) return;
  const auto keep = self_;
  const ModalResponse response = paths.empty() ? ModalResponse::Cancel : ModalResponse::OK;
  finish(response, std::move(paths));
  close();
}

void OpenPanel::finish(ModalResponse response, std::vector<std::string> paths) {
  if (!self_) return;
  // The completion may begin the panel again; this end is over first.
  auto self = std::exchange(self_, nullptr);
  auto completion = std::exchange(completion_, nullptr);
  if (completion) completion(response, std::move(paths));
}

}  // namespace vigilix::platform
