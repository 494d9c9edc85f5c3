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
  std::function<void()> terminate_;
  int terminations_ = 0;
};

}  // namespace vigilix::platform
