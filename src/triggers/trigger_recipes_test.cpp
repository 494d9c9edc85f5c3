#include "triggers/trigger_recipes.h"

#include <gtest/gtest.h>

namespace vigilix {
namespace {

TEST(TriggerRecipeTest, RawValuesAreTheCaseNames) {
  EXPECT_EQ(rawValue(TriggerRecipe::atMyDesk), "atMyDesk");
  EXPECT_EQ(rawValue(TriggerRecipe::inCalls), "inCalls");
  EXPECT_EQ(rawValue(TriggerRecipe::overnightDownload), "overnightDownload");
  EXPECT_EQ(rawValue(TriggerRecipe::presenting), "presenting");
  for (const TriggerRecipe recipe : kAllTriggerRecipes) {
    EXPECT_EQ(triggerRecipeFromRawValue(rawValue(recipe)), recipe);
  }
  EXPECT_EQ(triggerRecipeFromRawValue("AtMyDesk"), std::nullopt);
  EXPECT_EQ(triggerRecipeFromRawValue(""), std::nullopt);
}

TEST(TriggerRecipeTest, EveryRecipeTurnsTheDefaultOnAndThenCountsAsApplied) {
  for (const TriggerRecipe recipe : kAllTriggerRecipes) {
    TriggerConfiguration configuration = TriggerConfiguration::defaultConfiguration();
    EXPECT_FALSE(isApplied(recipe, configuration)) << rawValue(recipe);
    apply(recipe, configuration);
    EXPECT_TRUE(configuration.isEnabled) << rawValue(recipe);
    EXPECT_TRUE(isApplied(recipe, configuration)) << rawValue(recipe);
  }
}

TEST(TriggerRecipeTest, RecipesSetTheirRulesAndLeaveOthersAlone) {
  TriggerConfiguration configuration;
  configuration.whileAudioPlaying = true;
  configuration.wifiNetworkNames = {"Office"};
  apply(TriggerRecipe::atMyDesk, configuration);
  EXPECT_TRUE(configuration.whenExternalDisplayConnected);
  EXPECT_TRUE(configuration.onlyWhileOnPower);
  EXPECT_FALSE(configuration.duringCalls);
  apply(TriggerRecipe::inCalls, configuration);
  EXPECT_TRUE(configuration.duringCalls);
  EXPECT_TRUE(configuration.whileAudioPlaying);
  EXPECT_EQ(configuration.wifiNetworkNames, std::vector<std::string>{"Office"});
  EXPECT_TRUE(isApplied(TriggerRecipe::atMyDesk, configuration));
  EXPECT_FALSE(isApplied(TriggerRecipe::presenting, configuration));
}

TEST(TriggerRecipeTest, OvernightDownloadKeepsALowerThreshold) {
  const auto thresholdAfterApplying = [](std::optional<double> threshold) {
    TriggerConfiguration configuration;
    configuration.networkThresholdBytesPerSecond = threshold;
    apply(TriggerRecipe::overnightDownload, configuration);
    EXPECT_TRUE(configuration.onlyWhileOnPower);
    return configuration.networkThresholdBytesPerSecond;
  };
  EXPECT_EQ(thresholdAfterApplying(100'000), 100'000);
  EXPECT_EQ(thresholdAfterApplying(500'000), 500'000);
  EXPECT_EQ(thresholdAfterApplying(2'000'000), 500'000);
  EXPECT_EQ(thresholdAfterApplying(std::nullopt), 500'000);

  TriggerConfiguration high;
  high.isEnabled = true;
  high.onlyWhileOnPower = true;
  high.networkThresholdBytesPerSecond = 500'001;
  EXPECT_FALSE(isApplied(TriggerRecipe::overnightDownload, high));
  high.networkThresholdBytesPerSecond.reset();
  EXPECT_FALSE(isApplied(TriggerRecipe::overnightDownload, high));
}

TEST(TriggerRecipeTest, PresentingAddsEachAppOnceIgnoringCase) {
  TriggerConfiguration configuration;
  configuration.appBundleIdentifiers = {"SOFFICE.BIN", "org.example.Other"};
  apply(TriggerRecipe::presenting, configuration);
  apply(TriggerRecipe::presenting, configuration);
  EXPECT_EQ(configuration.appBundleIdentifiers,
            (std::vector<std::string>{"SOFFICE.BIN", "org.example.Other", "pdfpc"}));
  EXPECT_EQ(configuration.frontmostOnlyBundleIdentifiers,
            (std::vector<std::string>{"soffice.bin", "pdfpc"}));
  EXPECT_TRUE(isApplied(TriggerRecipe::presenting, configuration));

  // Both apps must be in both lists.
  configuration.frontmostOnlyBundleIdentifiers.pop_back();
  EXPECT_FALSE(isApplied(TriggerRecipe::presenting, configuration));
}

TEST(TriggerRecipeTest, ASwitchedOffConfigurationHasNoRecipeApplied) {
  TriggerConfiguration configuration;
  for (const TriggerRecipe recipe : kAllTriggerRecipes) apply(recipe, configuration);
  configuration.isEnabled = false;
  for (const TriggerRecipe recipe : kAllTriggerRecipes) {
    EXPECT_FALSE(isApplied(recipe, configuration)) << rawValue(recipe);
  }
  EXPECT_TRUE(configuration.duringCalls);
  EXPECT_TRUE(configuration.whenExternalDisplayConnected);
}

}  // namespace
}  // namespace vigilix
