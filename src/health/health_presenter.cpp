#include "health/health_presenter.h"

#include "health/protection_verifier.h"
#include "platform/base/localized.h"
#include "platform/base/shared_instances.h"
#include "platform/runloop/weakly.h"

namespace vigilix {

namespace {

struct CurrentPresenter {
  std::shared_ptr<VGXHealthPresenter> presenter;
};

constinit platform::SharedInstance<CurrentPresenter> sharedCurrent;

std::shared_ptr<VGXHealthPresenter>& currentSlot() { return sharedCurrent.get().presenter; }

std::shared_ptr<VGXProtectionVerifier> verifierOrShared(
    const std::shared_ptr<VGXProtectionVerifier>& verifier) {
  if (verifier) return verifier;
  return VGXProtectionVerifier::shared().shared_from_this();
}

}  // namespace

std::shared_ptr<VGXHealthPresenter> VGXHealthPresenter::current() { return currentSlot(); }

std::shared_ptr<VGXHealthPresenter> VGXHealthPresenter::makeCurrent(
    const std::shared_ptr<VGXProtectionVerifier>& verifier, bool ownWindow) {
  auto presenter = std::make_shared<VGXHealthPresenter>();
  currentSlot() = presenter;
  presenter->ownWindow_ = ownWindow;
  // In a window of its own, "Done" closes that window whatever became of
  // the presenter.
  std::optional<VGXHealthView::Action> onClose;
  if (!ownWindow) {
    onClose = platform::weakly(presenter, [](VGXHealthPresenter& self) { self.close(); });
  }
  presenter->view_ = VGXHealthView::make({}, std::move(onClose), verifierOrShared(verifier));
  const unsigned style = ownWindow ? platform::WindowStyle::Titled | platform::WindowStyle::Closable
                                   : platform::WindowStyle::Titled;
  presenter->sheet_ = std::make_shared<platform::Window>(
      platform::Rect(0, 0, VGXHealthView::kWidth, VGXHealthView::kHeight), style);
  presenter->sheet_->setTitle(platform::localized("Keep-Awake Health", "Health check sheet title"));
  presenter->sheet_->setContentView(presenter->view_);
  return presenter;
}

void VGXHealthPresenter::presentOnWindow(const std::shared_ptr<platform::Window>& window,
                                         const std::shared_ptr<VGXProtectionVerifier>& verifier) {
  if (!window) return;
  window->makeKeyAndOrderFront();
  if (auto attached = window->attachedSheet()) window->endSheet(*attached);
  auto presenter = makeCurrent(verifier, false);
  presenter->parent_ = window;
  // The sheet holds its presenter: one replaced as current still closes
  // its own sheet with "Done".
  window->beginSheet(presenter->sheet_, [presenter](platform::ModalResponse) {
    presenter->sheet_.reset();
    presenter->releaseIfCurrent();
  });
}

void VGXHealthPresenter::presentInOwnWindow(
    const std::shared_ptr<VGXProtectionVerifier>& verifier) {
  if (auto previous = current(); previous && previous->ownWindow_) previous->close();
  auto presenter = makeCurrent(verifier, true);
  presenter->sheet_->setDelegate(presenter);
  presenter->sheet_->center();
  presenter->sheet_->makeKeyAndOrderFront();
}

void VGXHealthPresenter::close() {
  auto self = shared_from_this();
  if (ownWindow_) {
    if (auto window = std::move(sheet_)) window->close();
    return;
  }
  auto parent = parent_.lock();
  if (!parent || !sheet_) return;
  auto sheet = sheet_;
  parent->endSheet(*sheet);
  sheet_.reset();
}

void VGXHealthPresenter::windowWillClose(platform::Window&) {
  sheet_.reset();
  releaseIfCurrent();
}

void VGXHealthPresenter::releaseIfCurrent() {
  if (currentSlot().get() == this) currentSlot().reset();
}

}  // namespace vigilix
