#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/control.h"

namespace vigilix::platform {

// A list of rows of text in columns, one row selected at most. A click or
// the arrow keys move the selection and send the action; the list shows a
// number of rows and scrolls the rest. Main thread only.
class TableView : public Control {
 public:
  struct Row {
    std::vector<std::string> cells;
    bool emphasized = false;  // drawn in the semibold weight
    bool operator==(const Row&) const = default;
  };

  explicit TableView(Rect frame = {});

  const std::vector<Row>& rows() const { return rows_; }
  // A selection beyond the new rows is dropped.
  void setRows(std::vector<Row> rows);
  std::optional<std::size_t> selectedRow() const { return selected_; }
  // Selects without sending the action; none or a row beyond the list clears it.
  void selectRow(std::optional<std::size_t> row);
  // The user's choice: selects the row and sends the action.
  void chooseRow(std::size_t row);
  // How many rows show before the list scrolls.
  int visibleRows() const { return visibleRows_; }
  void setVisibleRows(int rows);
  // One line of the font and room around it.
  double rowHeight() const;

  bool acceptsFirstResponder() const override { return isEnabled() && !rows_.empty(); }
  // Up and Down move the selection by a row; from no selection, Down takes
  // the first row and Up the last.
  void keyDown(const Event& event) override;
  Size intrinsicContentSize() const override;
  AccessibilityRole accessibilityRole() const override { return AccessibilityRole::Table; }

 private:
  std::vector<Row> rows_;
  std::optional<std::size_t> selected_;
  int visibleRows_ = 10;
};

}  // namespace vigilix::platform
