#pragma once

#include <functional>
#include <memory>
#include <vector>

namespace vigilix::platform {

class Window;

struct OperatingSystemVersion {
  int majorVersion = 0;
  int minorVersion = 0;
  int patchVersion = 0;
  auto operator<=>(const OperatingSystemVersion&) const = default;
};

// The application object: activation and the key window. One per process.
class Application {
 public:
  enum class Activation { Plain, IgnoringOtherApps };

  static Application& shared();

  // The system version the interface adapts to. The model reports the
  // newest system it follows unless told otherwise.
  static OperatingSystemVersion operatingSystemVersion();
  static void setOperatingSystemVersion(OperatingSystemVersion version);
  static bool isOperatingSystemAtLeast(int majorVersion);

  bool isActive() const { return active_; }
  void activate();
  void activateIgnoringOtherApps(bool flag);
  void deactivate() { active_ = false; }
  // Every activation request, oldest first.
  const std::vector<Activation>& activationRequests() const { return activations_; }

  Window* keyWindow() const;

  // The application-modal window: while one is set, only it (and its
  // sheets) take events. Set by an application-modal presentation and
  // cleared by the same window; no nested loop runs.
  std::shared_ptr<Window> modalWindow() const { return modalWindow_.lock(); }
  void beginModalWindow(const std::shared_ptr<Window>& window) { modalWindow_ = window; }
  void endModalWindow(const Window& window);

  // Asks the program to end; the program's handler decides how (none set:
  // the request is only counted).
  void terminate();
  void setTerminationHandler(std::function<void()> handler) { terminate_ = std::move(handler); }
  int terminationRequests() const { return terminations_; }

 private:
  friend class Window;
  void setKeyWindow(const std::shared_ptr<Window>& window);
  void resignKeyWindow(const Window* window);

  bool active_ = false;
  std::vector<Activation> activations_;
  std::weak_ptr<Window> keyWindow_;
  std::weak_ptr<Window> modalWindow_;
  std::function<void()> terminate_;
  int terminations_ = 0;
};

}  // namespace vigilix::platform
