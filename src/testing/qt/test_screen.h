#pragma once

#include <QAccessible>
#include <QDir>
#include <QImage>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/qt/qt_style.h"
#include "platform/qt/qt_window_renderer.h"
#include "platform/ui/window_rendering.h"
#include "testing/temporary_folder.h"

namespace vigilix::testing {

// Qt's screen for tests: the offscreen platform, which needs no X server,
// and a runtime folder of the test's own. Qt reads both once per process.
// The screen is 1280 x 800 in the windows' points whatever QT_SCALE_FACTOR
// scales them by, as a laptop's is.
inline void useOffscreenScreen() {
  static const bool done = [] {
    static const std::filesystem::path runtime = makeTemporaryFolder("vigilix-qt-runtime");
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    const char* factor = std::getenv("QT_SCALE_FACTOR");
    const double scale = factor && std::atof(factor) > 0 ? std::atof(factor) : 1;
    const std::filesystem::path config = runtime / "screens.json";
    std::ofstream(config) << "{\"screens\": [{\"name\": \"Test\", \"x\": 0, \"y\": 0, "
                          << "\"width\": " << static_cast<int>(1280 * scale)
                          << ", \"height\": " << static_cast<int>(800 * scale)
                          << ", \"logicalDpi\": 96, \"logicalBaseDpi\": 96, \"dpr\": 1}]}";
    setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config.string()).c_str(), 1);
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
