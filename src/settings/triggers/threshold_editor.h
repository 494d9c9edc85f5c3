#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/stack_view.h"
#include "settings/triggers/triggers_settings_model.h"

namespace vigilix {

// One threshold of the Advanced group: its switch, its value in the
// model and the editor's range, step and unit.
struct ThresholdRow {
  std::string toggleTitle;
  bool VGXTriggersSettingsModel::*enabled;
  double VGXTriggersSettingsModel::*value;
  std::string unit;
  double minimum;
  double maximum;
  double step;
  std::string editorLabel;
  void (VGXTriggersSettingsModel::*apply)();
};

// Network, CPU, disk, in the order the group shows them.
std::vector<ThresholdRow> thresholdRows();

// The value editor: a 64-point field, a stepper over the same value, the
// unit; 6 points apart. Each edit is clamped and saved by the model.
// The model is held weakly.
std::shared_ptr<platform::StackView> makeThresholdEditor(
    const std::shared_ptr<VGXTriggersSettingsModel>& model, const ThresholdRow& row);

}  // namespace vigilix
