#include "platform/fs/fs_faults.h"

#include <atomic>
#include <mutex>
#include <vector>

namespace vigilix::platform {

namespace {

struct Faults {
  std::mutex mutex;
  std::vector<FsFault> pending;
  // Read without the lock, so that the live path pays one load when nothing is pending.
  std::atomic<bool> anyPending{false};
};

Faults& faults() {
  static auto* instance = new Faults();
  return *instance;
}

}  // namespace

void FsFaults::inject(FsFault fault) {
  auto& f = faults();
  std::lock_guard lock(f.mutex);
  f.pending.push_back(std::move(fault));
  f.anyPending.store(true, std::memory_order_relaxed);
}

void FsFaults::clear() {
  auto& f = faults();
  std::lock_guard lock(f.mutex);
  f.pending.clear();
  f.anyPending.store(false, std::memory_order_relaxed);
}

std::optional<FsFault> FsFaults::take(FsCall call, std::string_view name) {
  auto& f = faults();
  if (!f.anyPending.load(std::memory_order_relaxed)) return std::nullopt;
  std::lock_guard lock(f.mutex);
  for (auto it = f.pending.begin(); it != f.pending.end(); ++it) {
    if (it->call != call || (!it->name.empty() && it->name != name)) continue;
    if (it->skip > 0) {
      --it->skip;
      return std::nullopt;
    }
    FsFault fault = std::move(*it);
    f.pending.erase(it);
    f.anyPending.store(!f.pending.empty(), std::memory_order_relaxed);
    return fault;
  }
  return std::nullopt;
}

}  // namespace vigilix::platform
