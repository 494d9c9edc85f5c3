#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "health/health_presenter.h"
#include "health/health_view.h"
#include "keepawake/health_registry.h"
#include "platform/ui/window.h"
#include "testing/health/protection_verifier_test_fixture.h"

namespace vigilix::testing {

// A started verifier whose inspection is counted, and a provider of the
// test's own lines after the verifier's.
struct SheetWorld {
  SheetWorld() {
    world.verifier->providers().inspect = [this] {
      ++inspections;
      return std::pair{std::optional<std::set<std::string>>{world.expectedTypes()},
                       std::optional<std::string>{}};
    };
    world.start();
    VGXHealthRegistry::registerProvider([this] {
      ++reads;
      return extra;
    });
    window->makeKeyAndOrderFront();
  }
  void recordIncident() {
    world.verifier->incidentLog().record(
        VGXIncident::make(VGXIncident::Kind::sleptWhileAwake, VGXIncident::Cause::lidClosed, {}));
  }
  std::shared_ptr<VGXHealthView> openedView() {
    VGXHealthPresenter::presentOnWindow(window, world.verifier);
    return VGXHealthPresenter::current()->view();
  }
  std::optional<std::string> line(const VGXHealthView& view, const std::string& title) {
    for (const auto& l : view.lines()) {
      if (l.title == title) return l.detail;
    }
    return std::nullopt;
  }

  testing::VerifierWorld world;
  int inspections = 0;
  int reads = 0;
  std::vector<VGXHealthLine> extra{
      {"Custom", "Fine", VGXHealthSeverity::Ok, std::nullopt},
      {"Hooks", "Missing", VGXHealthSeverity::Warning, "reinstallHooks"},
      {"Store", "Broken", VGXHealthSeverity::Error, std::nullopt}};
  std::shared_ptr<platform::Window> window = std::make_shared<platform::Window>(
      platform::Rect(0, 0, 600, 500), platform::WindowStyle::Titled);
};

}  // namespace vigilix::testing
