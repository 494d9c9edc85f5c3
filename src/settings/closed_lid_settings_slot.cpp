#include "settings/closed_lid_settings_slot.h"

#include "platform/base/shared_instances.h"

namespace vigilix::VGXClosedLidSettingsSlot {

namespace {
constinit platform::SharedInstance<Factory> factory;
}  // namespace

const Factory& section() { return factory.get(); }
void setSection(Factory made) { factory.get() = std::move(made); }

}  // namespace vigilix::VGXClosedLidSettingsSlot
