#include "keepawake/health_registry.h"

#include <mutex>

#include "platform/base/shared_instances.h"

namespace vigilix {

namespace {

struct Registry {
  std::mutex mutex;
  std::vector<VGXHealthRegistry::Provider> providers;
};

constinit platform::SharedInstance<Registry> sharedRegistry;

Registry& registry() { return sharedRegistry.get(); }

}  // namespace

void VGXHealthRegistry::registerProvider(Provider provider) {
  Registry& shared = registry();
  std::lock_guard lock(shared.mutex);
  shared.providers.push_back(std::move(provider));
}

std::vector<VGXHealthLine> VGXHealthRegistry::lines() {
  Registry& shared = registry();
  std::vector<Provider> providers;
  {
    std::lock_guard lock(shared.mutex);
    providers = shared.providers;
  }
  std::vector<VGXHealthLine> all;
  for (const Provider& provider : providers) {
    if (!provider) continue;
    auto lines = provider();
    all.insert(all.end(), std::make_move_iterator(lines.begin()),
               std::make_move_iterator(lines.end()));
  }
  return all;
}

}  // namespace vigilix
