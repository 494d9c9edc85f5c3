#include "platform/base/localized.h"

#include "platform/base/current_instance.h"
#include "platform/base/shared_instances.h"

namespace vigilix::platform {
namespace {

using TableSlot = CurrentValue<std::shared_ptr<const StringTable>>;

constinit SharedInstance<TableSlot> sharedTable{[] {
  return std::make_shared<TableSlot>([] { return std::shared_ptr<const StringTable>(); });
}};

}  // namespace

void setStringTable(std::shared_ptr<const StringTable> table) {
  sharedTable.get().install(std::move(table));
}

std::string localized(std::string_view text, std::string_view /*comment*/) {
  if (const auto table = sharedTable.get().get()) {
    if (auto translated = table->lookup(text)) return *translated;
  }
  return std::string(text);
}

}  // namespace vigilix::platform
