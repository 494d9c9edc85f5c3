#pragma once

#include <QWidget>
#include <vector>

#include "platform/ui/drawing.h"

namespace vigilix::platform {

// A custom-drawn model view: replays the commands the view recorded, in the
// view's own coordinates (y up unless flipped).
class DrawnViewWidget : public QWidget {
 public:
  explicit DrawnViewWidget(QWidget* parent) : QWidget(parent) {}

  void setDrawing(std::vector<DrawCommand> commands, bool flipped);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<DrawCommand> commands_;
  bool flipped_ = false;
};

}  // namespace vigilix::platform
