#include "platform/ui/application.h"

#include "platform/base/shared_instances.h"
#include "platform/ui/window.h"

namespace vigilix::platform {

namespace {

constexpr OperatingSystemVersion kNewestFollowed{26, 0, 0};

struct Shared {
  std::unique_ptr<Application> application;
  OperatingSystemVersion version = kNewestFollowed;
};

constinit SharedInstance<Shared> sharedState;

Shared& shared() { return sharedState.get(); }

}  // namespace

Application& Application::shared() {
  auto& s = vigilix::platform::shared();
  if (!s.application) s.application.reset(new Application);
  return *s.application;
}

OperatingSystemVersion Application::operatingSystemVersion() {
  return vigilix::platform::shared().version;
}

void Application::setOperatingSystemVersion(OperatingSystemVersion version) {
  vigilix::platform::shared().version = version;
}

bool Application::isOperatingSystemAtLeast(int majorVersion) {
  return operatingSystemVersion().majorVersion >= majorVersion;
}

void Application::activate() {
  active_ = true;
  activations_.push_back(Activation::Plain);
}

void Application::activateIgnoringOtherApps(bool flag) {
  active_ = true;
  activations_.push_back(flag ? Activation::IgnoringOtherApps : Activation::Plain);
}

Window* Application::keyWindow() const { return keyWindow_.lock().get(); }

void Application::setKeyWindow(const std::shared_ptr<Window>& window) { keyWindow_ = window; }

void Application::resignKeyWindow(const Window* window) {
  if (keyWindow_.lock().get() == window) keyWindow_.reset();
}

void Application::endModalWindow(const Window& window) {
  if (modalWindow_.lock().get() == &window) modalWindow_.reset();
}

void Application::terminate() {
  ++terminations_;
  if (terminate_) terminate_();
}

}  // namespace vigilix::platform
