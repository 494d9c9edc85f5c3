#pragma once

#include <QDialog>
#include <QVariantAnimation>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>

#include "platform/ui/rendered_window.h"

class QLabel;
class QTableWidget;

namespace vigilix::platform {

// A label as the windows show model text: plain, from the top left corner.
void configureLabel(QLabel* label);
// A list of rows that the model selects: no editing, no headers, no grid.
void configureTable(QTableWidget* table);

// One model window on the screen: a dialog whose children are the model's
// visible views at their frames. Widgets never change state on their own
// account: the user's mouse and keys go to the model, and the model's next
// rendering updates them. Main thread only.
class RenderedWindowWidget : public QDialog {
 public:
  // `discard` takes widgets that are no longer shown, to delete them when no
  // event of theirs is being handled.
  RenderedWindowWidget(WindowInput& input, std::uint64_t id, QWidget* parent,
                       std::function<void(QWidget*)> discard);

  std::uint64_t id() const { return id_; }
  void apply(const RenderedWindow& window);
  // The widget that shows the view, else nullptr.
  QWidget* widgetFor(std::uint64_t view) const;
  // From now on, moves and resizes of the shown window that the renderer did
  // not make itself go to the model; at once when it is not where `asked`.
  void reportFrameChanges(std::optional<QPoint> asked);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Child {
    RenderedView view;
    QWidget* widget;
  };

  QWidget* make(const RenderedView& view);
  void update(QWidget* widget, const RenderedView& view);
  void updateTable(QTableWidget* table, const RenderedView& view);
  Point inWindow(QWidget* widget, QPointF position) const;
  void resizeTo(QSize size, bool animate);
  void frameMayHaveChanged();

  WindowInput& input_;
  std::uint64_t id_;
  std::function<void(QWidget*)> discard_;
  std::map<std::uint64_t, Child> children_;
  bool applying_ = false;
  Qt::WindowFlags flags_;
  QVariantAnimation* resize_ = nullptr;
  bool reportsFrame_ = false;
  // The frame as last made or reported: its top left corner and content size.
  QPoint frameOrigin_;
  QSize frameSize_;
  QSize askedSize_;  // the content size of the model's last rendering
};

}  // namespace vigilix::platform
