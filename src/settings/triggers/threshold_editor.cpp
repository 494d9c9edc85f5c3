#include "settings/triggers/threshold_editor.h"

#include <cstdlib>
#include <limits>

#include "platform/base/localized.h"
#include "platform/ui/number_formatter.h"
#include "platform/ui/stepper.h"
#include "platform/ui/text_field.h"

namespace vigilix {

using platform::localized;

std::vector<ThresholdRow> thresholdRows() {
  using M = VGXTriggersSettingsModel;
  return {
      {localized("Network Activity", "Triggers advanced"), &M::networkEnabled, &M::networkMBps,
       "MB/s", 0.1, 1000, 1, "Network threshold in MB/s", &M::applyNetworkAndCPUThresholds},
      {localized("CPU Usage", "Triggers advanced"), &M::cpuEnabled, &M::cpuPercent, "%", 1, 100, 5,
       "CPU threshold in percent", &M::applyNetworkAndCPUThresholds},
      {localized("Disk Activity", "Triggers advanced"), &M::diskEnabled, &M::diskMBps,
       localized("MB/s", "Disk throughput unit"), 1, 2000, 5,
       localized("Disk threshold in MB/s", "Disk threshold accessibility label"),
       &M::applyDiskThreshold},
  };
}

std::shared_ptr<platform::StackView> makeThresholdEditor(
    const std::shared_ptr<VGXTriggersSettingsModel>& model, const ThresholdRow& row) {
  auto formatter = std::make_shared<platform::NumberFormatter>();
  formatter->setAllowsFloats(true);
  formatter->setMaximumFractionDigits(2);
  auto field =
      platform::TextField::textFieldWithString(formatter->stringFromNumber((*model).*row.value));
  field->setFormatter(formatter);
  field->setFrameSize({64, field->intrinsicContentSize().height});
  field->setAccessibilityLabel(row.editorLabel);
  auto stepper = std::make_shared<platform::Stepper>();
  stepper->setMinValue(row.minimum);
  stepper->setMaxValue(row.maximum);
  stepper->setIncrement(row.step);
  stepper->setValueWraps(false);  // an end of the range stops it
  stepper->setDoubleValue((*model).*row.value);
  stepper->setAccessibilityLabel(row.editorLabel);
  auto unit = platform::TextField::labelWithString(row.unit);
  unit->setTextColor(platform::Color::secondaryLabel());
  unit->setFrameSize({34, unit->intrinsicContentSize().height});

  const std::weak_ptr<VGXTriggersSettingsModel> weak = model;
  // Both controls show what the model kept after its clamp.
  const auto store = [weak, row, field = std::weak_ptr(field), stepper = std::weak_ptr(stepper),
                      formatter](double value) {
    auto strong = weak.lock();
    if (!strong) return;
    (*strong).*row.value = value;
    ((*strong).*row.apply)();
    const double kept = (*strong).*row.value;
    if (auto shown = field.lock()) shown->setStringValue(formatter->stringFromNumber(kept));
    if (auto shown = stepper.lock()) shown->setDoubleValue(kept);
  };
  // Text that is no number reaches the model as such, which puts the default.
  field->setAction([store](platform::Control& sender) {
    const std::string text = sender.stringValue();
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    store(end == text.c_str() ? std::numeric_limits<double>::quiet_NaN() : value);
  });
  stepper->setAction([store](platform::Control& sender) { store(sender.doubleValue()); });

  auto editor = platform::StackView::make(platform::StackView::Orientation::Horizontal,
                                          {field, stepper, unit});
  editor->setSpacing(6);
  editor->setAlignment(platform::StackView::Alignment::Center);
  return editor;
}

}  // namespace vigilix
