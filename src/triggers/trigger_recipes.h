#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "triggers/trigger_configuration.h"

namespace vigilix {

// One-click set-ups of the Triggers settings pane. Applying one only adds
// rules to a configuration, it never turns another rule off.
enum class TriggerRecipe {
  atMyDesk,
  inCalls,
  overnightDownload,
  presenting,
};

inline constexpr std::array<TriggerRecipe, 4> kAllTriggerRecipes = {
    TriggerRecipe::atMyDesk, TriggerRecipe::inCalls, TriggerRecipe::overnightDownload,
    TriggerRecipe::presenting};

// The presentation applications, in the order `presenting` adds them, by the
// program name a running application is known by: LibreOffice (Impress runs
// as the one soffice.bin process of all LibreOffice) and pdfpc, the PDF
// presenter console.
inline constexpr std::array<std::string_view, 2> kPresentationBundleIdentifiers = {"soffice.bin",
                                                                                   "pdfpc"};

// The network threshold the overnight download recipe asks for, in bytes per second.
inline constexpr double kOvernightDownloadThresholdBytesPerSecond = 500'000;

// The raw value is the case name.
std::string rawValue(TriggerRecipe recipe);
// None for any text that is not a case name.
std::optional<TriggerRecipe> triggerRecipeFromRawValue(std::string_view rawValue);

// Switches the configuration on and adds the recipe's rules.
void apply(TriggerRecipe recipe, TriggerConfiguration& configuration);
// Whether the configuration is on and already has the recipe's rules.
bool isApplied(TriggerRecipe recipe, const TriggerConfiguration& configuration);

}  // namespace vigilix
