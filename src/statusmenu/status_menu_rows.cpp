#include "hub/trigger_bridge.h"
#include "menubar/menu_header_model.h"
#include "platform/base/localized.h"
#include "platform/runloop/clock.h"
#include "statusmenu/status_menu.h"

namespace vigilix {

std::vector<VGXAutomaticRow> VGXStatusMenu::automaticRows(const VGXTriggerBridge& hub,
                                                          platform::Date now) {
  const AwakeSnapshot snapshot = hub.snapshot();
  StatusTextContext context = hub.statusTextContext();
  context.now = now;
  context.scheduleEnd.reset();
  std::vector<VGXAutomaticRow> rows;

  if (auto pause = VGXMenuHeaderModel::automaticPauseText(snapshot.pause, context)) {
    rows.push_back({*pause, std::nullopt});
  }
  for (const Watch& watch : hub.activeWatches()) {
    StatusTextContext watchContext = context;
    watchContext.appName = [label = watch.label()](const std::string&) { return label; };
    rows.push_back({AwakeStatusText::reasonClause(watch.triggerReason(), watchContext),
                    watch.id.uuidString()});
  }
  const auto isFocus = [](const std::optional<TriggerReason>& reason) {
    return reason && reason->kind() == TriggerReason::Kind::focus;
  };
  if (isFocus(snapshot.primary.reason()) || isFocus(snapshot.alsoActive)) {
    rows.push_back({platform::localized("While your Focus is on", "Trigger reason"), std::nullopt});
  }
  if (hub.isAutomationEnabled() && snapshot.pause.isNone()) {
    StatusTextContext triggerContext = context;
    triggerContext.appName = AwakeStatusText::defaultAppName;
    for (const TriggerReason& reason : hub.currentDecision().reasons) {
      rows.push_back({AwakeStatusText::reasonClause(reason, triggerContext), std::nullopt});
    }
  }
  if (rows.empty()) {
    rows.push_back({platform::localized("No triggers match right now", "Empty automatic reasons"),
                    std::nullopt});
  }
  return rows;
}

std::string VGXStatusMenu::stateSignature(const VGXTriggerBridge& hub) {
  const platform::Date now = platform::Clock::current().now();
  const AwakeSnapshot snapshot = hub.snapshot();
  const AwakeStatus::Kind primary = snapshot.primary.kind();
  const bool blocked = hub.isBlocked();
  std::string signature;
  signature += hasAttention() ? "attention|" : "|";
  signature += snapshot.isAwake ? "awake|" : "idle|";
  signature += blocked ? "blocked|" : "|";
  signature += hub.isAutomationEnabled() ? "auto|" : "|";
  signature += primary == AwakeStatus::Kind::manualUntil ? "timed|" : "|";
  signature += "|";
  bool first = true;
  for (const VGXAutomaticRow& row : automaticRows(hub, now)) {
    if (!first) signature += "\u00A6";
    first = false;
    signature += row.title + "#" + row.watchIdentifier.value_or("");
  }
  if (const auto& closedLid = slots().signatureHook) signature += "|" + closedLid();
  return signature;
}

platform::Image VGXStatusItemGlyph::attentionImage() {
  auto image = platform::Image::systemSymbol(symbolName, std::nullopt).value_or(platform::Image{});
  image.setTemplate(true);
  return image;
}

}  // namespace vigilix
