#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/ui/stack_view.h"
#include "platform/ui/text_field.h"

namespace vigilix {

// One titled group of a settings pane: a header, its rows, and a footer
// that may be empty and is drawn again when a policy changes.
class VGXSettingsSection {
 public:
  explicit VGXSettingsSection(const std::optional<std::string>& header);

  const std::shared_ptr<platform::StackView>& view() const { return view_; }
  void addRow(const std::shared_ptr<platform::View>& row);
  // Hidden while there is no text.
  void setFooter(const std::optional<std::string>& text);
  const std::shared_ptr<platform::TextField>& footer() const { return footer_; }

 private:
  std::shared_ptr<platform::StackView> view_;
  std::shared_ptr<platform::TextField> footer_;
};

// A wrapping line in the secondary style.
std::shared_ptr<platform::TextField> secondaryLine(const std::string& text);

}  // namespace vigilix
