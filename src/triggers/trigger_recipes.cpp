#include "triggers/trigger_recipes.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/base/raw_values.h"
#include "platform/base/text.h"

namespace vigilix {

namespace {

bool containsIgnoringCase(const std::vector<std::string>& list, std::string_view identifier) {
  return std::any_of(list.begin(), list.end(), [&](const std::string& entry) {
    return platform::equalsIgnoringCase(entry, identifier);
  });
}

constexpr std::pair<TriggerRecipe, std::string_view> kRecipeNames[] = {
    {TriggerRecipe::atMyDesk, "atMyDesk"},
    {TriggerRecipe::inCalls, "inCalls"},
    {TriggerRecipe::overnightDownload, "overnightDownload"},
    {TriggerRecipe::presenting, "presenting"}};

void appendUnlessPresent(std::vector<std::string>& list, std::string_view identifier) {
  if (!containsIgnoringCase(list, identifier)) list.emplace_back(identifier);
}

}  // namespace

std::string rawValue(TriggerRecipe recipe) {
  return std::string(platform::rawValueIn(kRecipeNames, recipe));
}

std::optional<TriggerRecipe> triggerRecipeFromRawValue(std::string_view text) {
  return platform::caseWithRawValue<TriggerRecipe>(kRecipeNames, text);
}

void apply(TriggerRecipe recipe, TriggerConfiguration& configuration) {
  configuration.isEnabled = true;
  switch (recipe) {
    case TriggerRecipe::atMyDesk:
      configuration.whenExternalDisplayConnected = true;
      configuration.onlyWhileOnPower = true;
      break;
    case TriggerRecipe::inCalls:
      configuration.duringCalls = true;
      break;
    case TriggerRecipe::overnightDownload: {
      auto& threshold = configuration.networkThresholdBytesPerSecond;
      // A lower threshold the user chose already catches the download.
      if (!threshold || *threshold > kOvernightDownloadThresholdBytesPerSecond) {
        threshold = kOvernightDownloadThresholdBytesPerSecond;
      }
      configuration.onlyWhileOnPower = true;
      break;
    }
    case TriggerRecipe::presenting:
      for (const std::string_view identifier : kPresentationBundleIdentifiers) {
        appendUnlessPresent(configuration.appBundleIdentifiers, identifier);
        appendUnlessPresent(configuration.frontmostOnlyBundleIdentifiers, identifier);
      }
      break;
  }
}

bool isApplied(TriggerRecipe recipe, const TriggerConfiguration& configuration) {
  if (!configuration.isEnabled) return false;
  switch (recipe) {
    case TriggerRecipe::atMyDesk:
      return configuration.whenExternalDisplayConnected && configuration.onlyWhileOnPower;
    case TriggerRecipe::inCalls:
      return configuration.duringCalls;
    case TriggerRecipe::overnightDownload:
      return configuration.onlyWhileOnPower && configuration.networkThresholdBytesPerSecond &&
             *configuration.networkThresholdBytesPerSecond <=
                 kOvernightDownloadThresholdBytesPerSecond;
    case TriggerRecipe::presenting:
      return std::all_of(
          kPresentationBundleIdentifiers.begin(), kPresentationBundleIdentifiers.end(),
          [&](std::string_view identifier) {
            return containsIgnoringCase(configuration.appBundleIdentifiers, identifier) &&
                   containsIgnoringCase(configuration.frontmostOnlyBundleIdentifiers, identifier);
          });
  }
  return false;
}

}  // namespace vigilix
