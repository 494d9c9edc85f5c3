#pragma once

#include <QWidget>
#include <vector>

#include "platform/ui/accessibility.h"
#include "platform/ui/drawing.h"

namespace vigilix::platform {

// A custom-drawn model view: replays the commands the view recorded, in the
// view's own coordinates (y up unless flipped).
class DrawnViewWidget : public QWidget {
  // A class name of its own, by which Qt asks for its accessible interface.
  Q_OBJECT

 public:
  explicit DrawnViewWidget(QWidget* parent) : QWidget(parent) {}

  void setDrawing(std::vector<DrawCommand> commands, bool flipped);
  // What a screen reader is told the view is (a recorder drawn as a button
  // reads as a button).
  void setAccessibilityRole(AccessibilityRole role) { role_ = role; }
  AccessibilityRole accessibilityRole() const { return role_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<DrawCommand> commands_;
  bool flipped_ = false;
  AccessibilityRole role_ = AccessibilityRole::Unknown;
};

// Gives drawn views their model role in Qt's accessibility tree; installed
// once with the renderer.
void installDrawnViewAccessibility();

}  // namespace vigilix::platform
