#include "statusmenu/status_item_controller.h"

#include "platform/base/format_placeholders.h"
#include "platform/base/localized.h"
#include "platform/defaults/user_defaults.h"
#include "platform/tray/status_icon_art.h"

namespace vigilix {
namespace {

using platform::StatusGlyph;
using platform::StatusIconPixmap;

// Pixmaps for hosts without the theme icons, at the two sizes trays ask
// for, in the glyph's colour: a pixmap cannot follow the panel's.
std::vector<StatusIconPixmap> pixmaps(StatusGlyph glyph) {
  const std::uint32_t color = platform::statusGlyphColor(glyph);
  return {platform::statusIconPixmap(glyph, 22, color),
          platform::statusIconPixmap(glyph, 44, color)};
}

}  // namespace

std::expected<std::unique_ptr<DZLStatusItemController>, platform::BusError>
DZLStatusItemController::create(platform::AsyncBusConnection& connection,
                                std::shared_ptr<platform::Menu> menu,
                                std::function<void()> menuWillOpen) {
  std::unique_ptr<DZLStatusItemController> controller(new DZLStatusItemController);
  auto exporter = platform::DBusMenuExporter::create(connection, kMenuPath, std::move(menu));
  if (!exporter) return std::unexpected(exporter.error());
  controller->exporter_ = std::move(*exporter);
  controller->exporter_->setWillOpen(std::move(menuWillOpen));
  auto item = platform::StatusNotifierItem::create(connection, "vigilix", "Vigilix", kMenuPath);
  if (!item) return std::unexpected(item.error());
  controller->item_ = std::move(*item);
  DZLStatusItemController* self = controller.get();
  controller->item_->setOnClick([self](auto click) { self->handleClick(click); });
  controller->readClickSetting();
  controller->clickSettingObserver_ = platform::UserDefaults::standard().observeKey(
      kClickToKeepAwakeKey, [self](const auto&) { self->readClickSetting(); });
  controller->applyImage(false, false);
  controller->updateInteractionStrings(std::nullopt);
  return controller;
}

void DZLStatusItemController::readClickSetting() {
  const bool clickKeepsAwake =
      platform::UserDefaults::standard().boolValue(kClickToKeepAwakeKey).value_or(false);
  item_->setItemIsMenu(!clickKeepsAwake);
}

void DZLStatusItemController::handleClick(platform::StatusNotifierItem::Click) {
  // The item reports a primary click only while it is not a menu, that is
  // while a click keeps awake; a secondary click always acts.
  if (primaryAction_) primaryAction_();
}

void DZLStatusItemController::applyImage(bool hasAttention, bool isActive) {
  // Every synchronisation applies the image; hosts re-read it on each
  // announcement, so only a change is announced.
  const std::pair shown{hasAttention, isActive};
  if (shownImage_ == shown) return;
  shownImage_ = shown;
  const StatusGlyph glyph = hasAttention ? StatusGlyph::attention
                            : isActive   ? StatusGlyph::awake
                                         : StatusGlyph::idle;
  item_->setIcon(platform::statusIconName(glyph, true), pixmaps(glyph));
}

std::string DZLStatusItemController::toolTipTitle(const std::optional<std::string>& status) {
  if (!status || status->empty()) return platform::localized("Vigilix", "Status item tooltip");
  return platform::fillPlaceholders(
      platform::localized("Vigilix — %@", "Status item tooltip with status"), {*status});
}

void DZLStatusItemController::updateInteractionStrings(const std::optional<std::string>& status) {
  toolTipTitle_ = toolTipTitle(status);
  item_->setToolTip(toolTipTitle_, toolTipText_);
}

void DZLStatusItemController::setMenuBarTitle(const std::optional<std::string>& title) {
  toolTipText_ = title.value_or("");
  item_->setToolTip(toolTipTitle_, toolTipText_);
}

}  // namespace vigilix
