#include "hub/trigger_configuration_store.h"

#include "platform/base/logger.h"
#include "triggers/trigger_configuration_json.h"

namespace vigilix::VGXTriggerConfigurationStore {

TriggerConfiguration load(const platform::UserDefaults& defaults) {
  const std::optional<platform::PropertyValue> stored = defaults.object(kTriggersDefaultsKey);
  if (!stored) return TriggerConfiguration::defaultConfiguration();
  std::expected<TriggerConfiguration, platform::json::DecodingError> decoded =
      std::unexpected(platform::json::DecodingError{});
  if (const auto* data = std::get_if<platform::Bytes>(&stored->value)) {
    decoded = decodeTriggerConfiguration(*data);
  } else if (const auto* text = std::get_if<std::string>(&stored->value)) {
    decoded = decodeTriggerConfiguration(std::string_view(*text));
  }
  return decoded ? *decoded : TriggerConfiguration::defaultConfiguration();
}

void save(const TriggerConfiguration& configuration, platform::UserDefaults& defaults) {
  auto encoded = encodeTriggerConfiguration(configuration);
  if (!encoded) {
    platform::Logger("triggers")
        .error("Failed to encode trigger configuration: {}",
               encoded.error().localizedDescription());
    return;
  }
  defaults.set(kTriggersDefaultsKey, platform::Bytes(encoded->begin(), encoded->end()));
}

}  // namespace vigilix::VGXTriggerConfigurationStore
