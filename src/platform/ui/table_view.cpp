#include "platform/ui/table_view.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/event.h"
#include "platform/ui/window_rendering.h"

namespace vigilix::platform {

namespace {
// Without a renderer: room around a row's line, and a point of frame.
constexpr double kRowPadding = 8;
constexpr double kFrame = 2;

std::optional<Size> measuredTable(const Font& font) {
  return WindowRendering::measuredSize(
      {.kind = RenderedView::Kind::Table, .text = {}, .font = font});
}
}  // namespace

TableView::TableView(Rect frame) : Control(frame) {}

void TableView::setRows(std::vector<Row> rows) {
  rows_ = std::move(rows);
  if (selected_ && *selected_ >= rows_.size()) selected_.reset();
  invalidateIntrinsicContentSize();
  setNeedsDisplay();
}

void TableView::selectRow(std::optional<std::size_t> row) {
  if (row && *row >= rows_.size()) row.reset();
  if (row == selected_) return;
  selected_ = row;
  setNeedsDisplay();
}

void TableView::chooseRow(std::size_t row) {
  if (!isEnabled() || row >= rows_.size()) return;
  selectRow(row);
  sendAction();
}

void TableView::setVisibleRows(int rows) {
  visibleRows_ = std::max(1, rows);
  invalidateIntrinsicContentSize();
}

double TableView::rowHeight() const {
  if (auto table = measuredTable(font())) return table->height;
  return std::ceil(font().lineHeight()) + kRowPadding;
}

void TableView::keyDown(const Event& event) {
  const bool down = event.keyCode == KeyCode::DownArrow;
  if ((!down && event.keyCode != KeyCode::UpArrow) || rows_.empty()) {
    Control::keyDown(event);
    return;
  }
  std::size_t row = 0;
  if (!selected_) {
    row = down ? 0 : rows_.size() - 1;
  } else if (down) {
    row = std::min(*selected_ + 1, rows_.size() - 1);
  } else {
    row = *selected_ > 0 ? *selected_ - 1 : 0;
  }
  if (row != selected_) chooseRow(row);
}

Size TableView::intrinsicContentSize() const {
  const auto shown =
      std::clamp<std::size_t>(rows_.size(), 1, static_cast<std::size_t>(visibleRows_));
  const auto table = measuredTable(font());
  return Size{kNoIntrinsicMetric,
              static_cast<double>(shown) * rowHeight() + (table ? table->width : kFrame)};
}

}  // namespace vigilix::platform
