#pragma once

#include <memory>
#include <string>
#include <vector>

#include "agentsettings/agent_install_sheet.h"
#include "agentsettings/agent_settings_model.h"
#include "platform/ui/button.h"
#include "platform/ui/stack_view.h"
#include "platform/ui/text_field.h"

namespace vigilix {

// One tool's row: its name and hook status, the buttons its state offers, the Codex trust note
// and the tool's last failure. For the screen reader it is one element: the tool's name, valued
// by the status. The buttons are inactive while the tool is busy.
class VGXAgentToolRow : public platform::StackView {
 public:
  static std::shared_ptr<VGXAgentToolRow> make(VGXAgentTool tool,
                                               const std::shared_ptr<VGXAgentSettingsModel>& model);

  VGXAgentTool tool() const { return tool_; }
  const std::vector<std::shared_ptr<platform::Button>>& buttons() const { return buttons_; }
  // The texts of the row, top to bottom, without the buttons.
  std::vector<std::string> texts() const;

  explicit VGXAgentToolRow(VGXAgentTool tool) : StackView(Orientation::Vertical), tool_(tool) {}

 private:
  VGXAgentTool tool_;
  std::vector<std::shared_ptr<platform::Button>> buttons_;
};

// The "AI Agents" section of the triggers settings: one row per agent tool, or the managed
// notice while policy forbids agent hooks, then the footer. It owns its model and refreshes it
// each time it is put in a window; while the model has a sheet and the section is in a window,
// the install sheet for it hangs on that window. Main thread only.
class VGXAgentSettingsSection : public platform::View {
 public:
  static std::shared_ptr<VGXAgentSettingsSection> make(
      VGXAgentSettingsModel::Environment environment =
          VGXAgentSettingsModel::Environment::current());

  const std::shared_ptr<VGXAgentSettingsModel>& model() const { return model_; }
  const std::shared_ptr<platform::TextField>& header() const { return header_; }
  // The rows, or none while policy forbids agent hooks.
  std::vector<std::shared_ptr<VGXAgentToolRow>> rows() const;
  // The content's texts when it is not made of rows, and the footer's lines.
  std::vector<std::string> contentTexts() const;
  std::vector<std::string> footerLines() const;
  // False while policy forbids agent hooks: every control in the section is inactive.
  bool isSectionEnabled() const { return !model_->policyDenied(); }
  // The sheet being shown, if any.
  const std::shared_ptr<VGXAgentInstallSheet>& presentedSheet() const { return presented_; }

  bool isFlipped() const override { return true; }
  platform::Size intrinsicContentSize() const override { return body_->fittingSize(); }
  double heightForWidth(double width) const override { return body_->heightForWidth(width); }
  void layout() override;
  void viewDidMoveToWindow() override;

  explicit VGXAgentSettingsSection(std::shared_ptr<VGXAgentSettingsModel> model);

 private:
  void rebuild();
  void presentOrDismissSheet();
  void sheetEnded(const platform::Window& sheet);

  std::shared_ptr<VGXAgentSettingsModel> model_;
  std::shared_ptr<platform::StackView> body_;
  std::shared_ptr<platform::TextField> header_;
  std::shared_ptr<platform::StackView> content_;
  std::shared_ptr<platform::StackView> footer_;
  std::shared_ptr<VGXAgentInstallSheet> presented_;
};

}  // namespace vigilix
