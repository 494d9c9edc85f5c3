#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/rendered_window.h"

namespace vigilix::platform {

class Menu;
class View;
class Window;

// Between the window models and a renderer that puts them on a screen. The
// models report here; until a window is shown the reports cost one test.
// The renderer is made when the first window is built, from a module loaded
// only then, so a program that never opens a window never maps the toolkit;
// from then on the views measure their text as the toolkit draws it.
// Without a module or factory nothing is rendered, and without a screen to
// reach (no display named) the module is not loaded. Main thread only.
class WindowRendering {
 public:
  // Nothing shown for this long, the renderer lets go of what showing took (a window closed
  // and opened again at once keeps it), and the next window makes it again.
  static constexpr double kReleaseDelaySeconds = 2;

  // The program: load the renderer from `modulePath` on the first window.
  static void loadModuleOnFirstWindow(std::string modulePath);
  // The renderer module of the running program (see moduleForProgram).
  static std::string moduleBesideProgram();
  // The renderer module for the program at `program`: beside it in a build
  // tree, else in "../lib/vigilix/" where an install puts it. Names the
  // installed place when neither exists, so a failure to load says where
  // the module was looked for.
  static std::string moduleForProgram(const std::string& program);
  // Tests: make the renderer with `factory` on the first window.
  static void useFactory(WindowRendererFactory factory);
  // Drops the renderer and forgets the module path and the factory.
  static void reset();
  // The renderer once made, else nullptr. A module that failed to load is
  // logged once and not tried again.
  static WindowRenderer* renderer();
  // The desktop's screens' visible parts in the models' coordinates, the main
  // one first, from the renderer (made now when it can be); none without one.
  static std::vector<Rect> screenVisibleFrames();
  // Plain text onto the desktop's clipboard through the renderer, loading it
  // when needed; false without one.
  static bool copyText(const std::string& text);
  // Pops `menu` up as the toolkit's own menu at `at` on the desktop (top left
  // origin), else at the pointer, loading the renderer when needed. Its
  // delegate is told first; a chosen row's action runs; `didClose` hears the
  // menu close. False without a renderer.
  static bool popUpMenu(std::shared_ptr<Menu> menu, std::optional<Point> at,
                        std::function<void()> didClose);
  // A window is being built: the renderer is made now (when it can be), so
  // that its views are measured in the toolkit's fonts from the start.
  static void prepare();
  // The size a view needs as the renderer draws it; none without a renderer,
  // where the models' fixed metrics stand in. Answers are kept per renderer.
  static std::optional<Size> measuredSize(const TextMeasure& measure);

  // What the models report.
  static void windowDidShow(Window& window);
  static void windowDidClose(const Window* window);
  static void windowDidChange(const Window& window);
  static void viewDidChange(const View& view);

  // Brings every changed window up to date now (otherwise done on the main
  // queue, once per turn).
  static void flush();

  // What the renderer is given for `window`: its visible views, back to front.
  static RenderedWindow render(Window& window);
  // The id a view or window is known by in renderings.
  static std::uint64_t idOf(const void* object);
};

}  // namespace vigilix::platform
