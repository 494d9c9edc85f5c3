#include "bridge/trigger_configuration_store.h"

namespace vigilix::VGXTriggerConfigurationStore {

TriggerConfiguration load(const platform::UserDefaults&) {
  return TriggerConfiguration::defaultConfiguration();
}
void save(const TriggerConfiguration&, platform::UserDefaults&) {}

}  // namespace vigilix::VGXTriggerConfigurationStore
