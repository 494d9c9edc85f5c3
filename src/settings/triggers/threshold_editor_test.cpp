#include "settings/triggers/threshold_editor.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "hub/trigger_configuration_store.h"
#include "platform/ui/stepper.h"
#include "platform/ui/text_field.h"
#include "testing/test_platform.h"
#include "testing/test_user_defaults.h"

namespace vigilix {
namespace {

using platform::Stepper;
using platform::TextField;

// The editor's field and stepper, driven as a person would; the stored rules
// are read back through the defaults.
TEST(ThresholdEditorTest, EditsAreClampedStoredAndShownBack) {
  struct Row {
    const char* name;
    std::size_t threshold;  // 0 network, 1 CPU, 2 disk
    std::function<void(TextField&, Stepper&)> act;
    std::optional<double> stored;  // bytes per second or percent
    std::string shown;
  };
  const auto type = [](const char* text) {
    return [text](TextField& field, Stepper&) {
      field.setStringValue(text);
      field.sendAction();
    };
  };
  const Row rows[] = {
      {"network typed in MB/s", 0, type("2.5"), 2'500'000, "2.5"},
      {"network below 0.1 stores 0.1 MB/s", 0, type("0.01"), 100'000, "0.1"},
      {"disk above 2000 stores 2000 MB/s", 2, type("9000"), 2'000'000'000, "2000"},
      {"CPU stepped up from 100 goes no higher", 1,
       [](TextField&, Stepper& stepper) {
         stepper.setDoubleValue(100);
         stepper.stepUp();
       },
       100, "100"},
      {"CPU stepped down by 5", 1, [](TextField&, Stepper& stepper) { stepper.stepDown(); }, 45,
       "45"},
      {"text that is no number stores the default", 2, type("abc"), 20'000'000, "20"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestPlatform platform;
    testing::TestUserDefaults defaults;
    auto model = std::make_shared<VGXTriggersSettingsModel>(
        VGXTriggersSettingsModel::Collaborators{defaults, nullptr});
    model->load();
    const ThresholdRow threshold = thresholdRows().at(row.threshold);
    (*model).*threshold.enabled = true;
    const auto editor = makeThresholdEditor(model, threshold);
    auto& field = dynamic_cast<TextField&>(*editor->subviews().at(0));
    auto& stepper = dynamic_cast<Stepper&>(*editor->subviews().at(1));
    EXPECT_EQ(field.accessibilityLabel(), threshold.editorLabel);
    EXPECT_EQ(stepper.accessibilityLabel(), threshold.editorLabel);
    row.act(field, stepper);
    const TriggerConfiguration stored = VGXTriggerConfigurationStore::load(defaults);
    const std::optional<double> value = row.threshold == 0   ? stored.networkThresholdBytesPerSecond
                                        : row.threshold == 1 ? stored.cpuThresholdPercent
                                                             : stored.diskThresholdBytesPerSecond;
    EXPECT_EQ(value, row.stored);
    EXPECT_EQ(field.stringValue(), row.shown);
  }
}

}  // namespace
}  // namespace vigilix
