#include "triggers/trigger_configuration.h"

namespace vigilix {

const TriggerConfiguration& TriggerConfiguration::defaultConfiguration() {
  static const TriggerConfiguration configuration;
  return configuration;
}

}  // namespace vigilix
