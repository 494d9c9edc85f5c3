#include "platform/qt/qt_window_renderer.h"

#include <QApplication>
#include <cstdlib>

#include "platform/runloop/dispatch_queue.h"

namespace vigilix::platform {

namespace {

bool canReachScreen() {
  for (const char* name : {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

void ensureApplication() {
  if (QCoreApplication::instance()) return;
  // Qt keeps argc and argv for the application's life, which is the process's.
  static int argc = 1;
  static char name[] = "vigilix";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);  // never destroyed: Qt cannot be loaded twice
  // Windows come and go with the models; the program ends on its own terms.
  QApplication::setQuitOnLastWindowClosed(false);
}

}  // namespace

QtWindowRenderer::QtWindowRenderer(WindowInput& input, DescriptorSources& sources,
                                   DispatchQueue& mainQueue)
    : input_(input), sources_(sources), mainQueue_(mainQueue) {}

QtWindowRenderer::~QtWindowRenderer() {
  *alive_ = false;
  for (auto& [id, window] : windows_) delete window.data();
  for (auto& widget : discarded_) delete widget.data();
}

RenderedWindowWidget* QtWindowRenderer::widgetFor(std::uint64_t window) const {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : it->second.data();
}

void QtWindowRenderer::show(const RenderedWindow& window) {
  if (!glib_) glib_ = std::make_unique<GlibContextSource>(sources_);
  RenderedWindowWidget* widget = widgetFor(window.id);
  bool opening = widget == nullptr;
  if (opening) {
    QWidget* parent =
        window.kind == RenderedWindow::Kind::Sheet ? widgetFor(window.parentId) : nullptr;
    widget = new RenderedWindowWidget(input_, window.id, parent,
                                      [this](QWidget* gone) { discard(gone); });
    windows_[window.id] = widget;
    if (parent) widget->setWindowModality(Qt::WindowModal);
  }
  widget->apply(window);
  if (opening) {
    if (window.kind == RenderedWindow::Kind::Panel) {
      widget->show();
    } else {
      widget->open();  // modal to its parent, returning at once
    }
  }
  if (window.key && !widget->isActiveWindow()) {
    if (!opening) widget->raise();  // a window that was behind others
    widget->activateWindow();
  }
}

void QtWindowRenderer::close(std::uint64_t window) {
  auto it = windows_.find(window);
  if (it == windows_.end()) return;
  QPointer<RenderedWindowWidget> widget = it->second;
  windows_.erase(it);
  if (widget) discard(widget.data());
}

void QtWindowRenderer::discard(QWidget* widget) {
  // The widget may be handling the click that closed it: hide it now and
  // delete it from the main queue, outside any toolkit event.
  widget->hide();
  discarded_.emplace_back(widget);
  cleanUpLater();
}

void QtWindowRenderer::cleanUpLater() {
  if (cleanUpScheduled_) return;
  cleanUpScheduled_ = true;
  mainQueue_.async([this, alive = std::weak_ptr<bool>(alive_)] {
    if (!alive.lock()) return;
    cleanUpScheduled_ = false;
    for (auto& widget : std::exchange(discarded_, {})) delete widget.data();
    if (windows_.empty()) glib_.reset();
  });
}

WindowRenderer* makeQtWindowRenderer(WindowInput& input, DescriptorSources& sources,
                                     DispatchQueue& mainQueue) {
  if (!canReachScreen()) return nullptr;
  ensureApplication();
  return new QtWindowRenderer(input, sources, mainQueue);
}

}  // namespace vigilix::platform
