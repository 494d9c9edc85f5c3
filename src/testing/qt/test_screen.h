#pragma once

#include <QAccessible>
#include <QDir>
#include <QImage>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/qt/qt_style.h"
#include "platform/qt/qt_window_renderer.h"
#include "platform/ui/window_rendering.h"
#include "testing/temporary_folder.h"

namespace vigilix::testing {

// Qt's screen for tests: the offscreen platform, which needs no X server,
// and a runtime folder of the test's own. Qt reads both once per process.
inline void useOffscreenScreen() {
  static const bool done = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static const std::filesystem::path runtime = makeTemporaryFolder("vigilix-qt-runtime");
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    std::atexit([] { std::filesystem::remove_all(runtime); });
    return true;
  }();
  (void)done;
}

// The Qt renderer for the model windows shown while it lives; made before
// the windows are shown.
class QtScreen {
 public:
  QtScreen() {
    useOffscreenScreen();
    platform::WindowRendering::useFactory(&platform::makeQtWindowRenderer);
  }
  ~QtScreen() { platform::WindowRendering::reset(); }
  QtScreen(const QtScreen&) = delete;
  QtScreen& operator=(const QtScreen&) = delete;

  platform::QtWindowRenderer& renderer() const {
    return *dynamic_cast<platform::QtWindowRenderer*>(platform::WindowRendering::renderer());
  }
  // The dialog showing `window`, else nullptr.
  platform::RenderedWindowWidget* dialogOf(const platform::Window* window) const {
    return renderer().widgetFor(platform::WindowRendering::idOf(window));
  }
  // The widget showing `view` in `window`, else nullptr.
  QWidget* widgetOf(const platform::Window* window, const platform::View* view) const {
    auto* dialog = dialogOf(window);
    return dialog ? dialog->widgetFor(platform::WindowRendering::idOf(view)) : nullptr;
  }
};

// The names and values the accessibility tree gives for `widget` and
// everything below it, depth first.
inline std::vector<std::string> accessibleTexts(QWidget* widget) {
  std::vector<std::string> texts;
  auto visit = [&](auto&& self, QAccessibleInterface* node) -> void {
    if (!node) return;
    for (auto kind : {QAccessible::Name, QAccessible::Value}) {
      QString text = node->text(kind);
      if (!text.isEmpty()) texts.push_back(text.toStdString());
    }
    for (int i = 0; i < node->childCount(); ++i) self(self, node->child(i));
  };
  visit(visit, QAccessible::queryAccessibleInterface(widget));
  return texts;
}

// Saves the window as screenshots/<name>.png in the test's working folder
// (the build tree) and reads it back.
inline QImage saveScreenshot(QWidget* window, const std::string& name) {
  QDir().mkpath("screenshots");
  QString path = platform::qtString("screenshots/" + name + ".png");
  window->grab().save(path);
  return QImage(path);
}

}  // namespace vigilix::testing
