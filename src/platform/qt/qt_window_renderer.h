#pragma once

#include <QFileDialog>
#include <QMenu>
#include <QPointer>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "platform/qt/glib_context_source.h"
#include "platform/qt/rendered_window_widget.h"
#include "platform/ui/rendered_window.h"

namespace vigilix::platform {

// Shows rendered windows as Qt widgets: panels as windows, sheets as
// window-modal dialogs opened with open(), never a nested loop. While any
// window is shown, GLib's default context (Qt's loop) is a source of our
// main loop. Open panels are the toolkit's file dialog, shown without a
// nested loop; their choice goes back as WindowInput::chooseFiles. A panel
// the model has placed opens there, kept on a screen; the user's moves and
// resizes of a panel go back as WindowInput::frameChanged. Main thread only.
class QtWindowRenderer final : public WindowRenderer {
 public:
  QtWindowRenderer(WindowInput& input, DescriptorSources& sources, DispatchQueue& mainQueue);
  ~QtWindowRenderer() override;

  void show(const RenderedWindow& window) override;
  void close(std::uint64_t window) override;
  bool copyText(const std::string& text) override;
  bool popUpMenu(const RenderedMenu& menu, std::optional<Point> at) override;
  RenderedScreens screens() const override;
  // Measured on widgets of the kinds the windows show, never shown themselves.
  std::optional<Size> sizeThatFits(const TextMeasure& measure) override;
  // Ends the QApplication, which the next renderer makes again, unless the
  // clipboard holds text it put there.
  bool release() override;

  // The dialog showing the window, else nullptr.
  RenderedWindowWidget* widgetFor(std::uint64_t window) const;
  // The file dialog showing an open panel, else nullptr.
  QFileDialog* fileDialogFor(std::uint64_t window) const;
  // The menu popped up, while it shows.
  QMenu* poppedMenu() const { return menu_.data(); }
  bool isDrivingToolkitLoop() const { return glib_ != nullptr; }

 private:
  void showFileDialog(const RenderedWindow& window);
  void discard(QWidget* widget);
  void cleanUpLater();

  WindowInput& input_;
  DescriptorSources& sources_;
  DispatchQueue& mainQueue_;
  std::map<std::uint64_t, QPointer<RenderedWindowWidget>> windows_;
  std::map<std::uint64_t, QPointer<QFileDialog>> fileDialogs_;
  std::vector<QPointer<QWidget>> discarded_;
  QPointer<QMenu> menu_;
  std::unique_ptr<GlibContextSource> glib_;
  // The measuring widgets, one of each kind, made on first use.
  struct Probes;
  std::unique_ptr<Probes> probes_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  bool cleanUpScheduled_ = false;
};

// The renderer, with the process's QApplication made when there is none; nullptr
// when no screen can be reached (no display and no Qt platform named), since
// Qt would end the process there.
WindowRenderer* makeQtWindowRenderer(WindowInput& input, DescriptorSources& sources,
                                     DispatchQueue& mainQueue);

}  // namespace vigilix::platform
