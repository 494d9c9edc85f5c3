#include "intents/running_app_entity.h"

#include <algorithm>
#include <set>

#include "platform/base/text.h"

namespace vigilix {

std::vector<RunningAppEntity> runningAppEntities(
    const std::vector<platform::RunningApplication>& applications) {
  std::vector<RunningAppEntity> entities;
  std::set<std::string> seen;
  for (const auto& application : applications) {
    if (!application.isRegular || !application.bundleIdentifier) continue;
    const std::string& identifier = *application.bundleIdentifier;
    if (identifier.empty() || !seen.insert(identifier).second) continue;
    entities.push_back({identifier, application.processIdentifier,
                        application.localizedName.empty() ? identifier : application.localizedName,
                        identifier});
  }
  std::stable_sort(entities.begin(), entities.end(), [](const auto& left, const auto& right) {
    return platform::compareIgnoringCase(left.name, right.name) < 0;
  });
  return entities;
}

std::vector<RunningAppEntity> runningAppEntities(
    const std::vector<platform::RunningApplication>& applications,
    const std::vector<std::string>& ids) {
  std::vector<RunningAppEntity> entities = runningAppEntities(applications);
  std::erase_if(entities, [&](const RunningAppEntity& entity) {
    return std::find(ids.begin(), ids.end(), entity.id) == ids.end();
  });
  return entities;
}

}  // namespace vigilix
