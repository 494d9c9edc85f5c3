#include "platform/base/localized.h"

#include <mutex>

#include "platform/base/shared_instances.h"

namespace vigilix::platform {
namespace {

struct TableSlot {
  std::mutex mutex;
  std::shared_ptr<const StringTable> table;
};

constinit SharedInstance<TableSlot> sharedSlot;

TableSlot& slot() { return sharedSlot.get(); }

}  // namespace

void setStringTable(std::shared_ptr<const StringTable> table) {
  TableSlot& s = slot();
  std::lock_guard lock(s.mutex);
  s.table = std::move(table);
}

std::string localized(std::string_view text, std::string_view /*comment*/) {
  std::shared_ptr<const StringTable> table;
  {
    TableSlot& s = slot();
    std::lock_guard lock(s.mutex);
    table = s.table;
  }
  if (table) {
    if (auto translated = table->lookup(text)) return *translated;
  }
  return std::string(text);
}

}  // namespace vigilix::platform
