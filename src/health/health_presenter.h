#pragma once

#include <memory>

#include "health/health_view.h"
#include "platform/ui/window.h"

namespace vigilix {

class VGXProtectionVerifier;

// Shows the health check as a sheet on a window (the settings window) and
// keeps the one current presenter until that sheet ends. Main thread only.
class VGXHealthPresenter : public platform::WindowDelegate,
                           public std::enable_shared_from_this<VGXHealthPresenter> {
 public:
  // Brings `window` forward, ends any sheet it carries, and begins a new
  // health sheet on it; the new presenter becomes current (the previous one
  // is released, not closed). A null window is ignored. The sheet's actions
  // reach `verifier` (null: the shared verifier).
  static void presentOnWindow(const std::shared_ptr<platform::Window>& window,
                              const std::shared_ptr<VGXProtectionVerifier>& verifier = nullptr);
  // Without a window to carry the sheet: the health check in a window of
  // its own, titled "Keep-Awake Health"; "Done" or the close button closes
  // it. A window shown this way before is closed first.
  static void presentInOwnWindow(const std::shared_ptr<VGXProtectionVerifier>& verifier = nullptr);
  static std::shared_ptr<VGXHealthPresenter> current();

  // Ends the sheet on its parent (closes the own window); nothing once the
  // parent has gone or the sheet has ended.
  void close();

  std::shared_ptr<platform::Window> parent() const { return parent_.lock(); }
  const std::shared_ptr<platform::Window>& sheet() const { return sheet_; }
  const std::shared_ptr<VGXHealthView>& view() const { return view_; }

  void windowWillClose(platform::Window& window) override;

 private:
  static std::shared_ptr<VGXHealthPresenter> makeCurrent(
      const std::shared_ptr<VGXProtectionVerifier>& verifier, bool ownWindow);
  void releaseIfCurrent();

  std::weak_ptr<platform::Window> parent_;
  std::shared_ptr<platform::Window> sheet_;
  std::shared_ptr<VGXHealthView> view_;
  bool ownWindow_ = false;
};

}  // namespace vigilix
