#pragma once

#include <expected>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/base/observer_token.h"
#include "platform/dbus/async_bus_connection.h"
#include "platform/tray/dbus_menu_exporter.h"
#include "platform/tray/status_notifier_item.h"
#include "platform/ui/menu.h"

namespace vigilix {

// The application's icon in the desktop's tray and the menu it opens.
// Clicks: with "run.tarvo.vigilix.ClickToKeepAwake" on, a left click is the
// primary action and the host opens the menu on a right click; with it off,
// a left click opens the menu. A middle click is always the primary action,
// standing in for the Option-click trays cannot report. Main thread only; the
// connection must outlive the controller.
class DZLStatusItemController {
 public:
  static constexpr const char* kClickToKeepAwakeKey = "run.tarvo.vigilix.ClickToKeepAwake";
  static constexpr const char* kMenuPath = "/MenuBar";

  // `menu` is the status menu; `menuWillOpen` runs before a host shows it
  // (the owner rebuilds there and then calls menuDidChange).
  static std::expected<std::unique_ptr<DZLStatusItemController>, platform::BusError> create(
      platform::AsyncBusConnection& connection, std::shared_ptr<platform::Menu> menu,
      std::function<void()> menuWillOpen);

  void setPrimaryAction(std::function<void()> action) { primaryAction_ = std::move(action); }
  // After a host closed the menu.
  void setMenuDidClose(std::function<void()> didClose) {
    exporter_->setDidClose(std::move(didClose));
  }
  // After the owner changed the menu.
  void menuDidChange() { exporter_->menuDidChange(); }
  // The icon: attention before active before inactive.
  void applyImage(bool hasAttention, bool isActive);
  // The tooltip's title: "Vigilix — <status>", or "Vigilix" without one.
  void updateInteractionStrings(const std::optional<std::string>& status);
  // The countdown trays cannot show beside the icon goes under the tooltip's title.
  void setMenuBarTitle(const std::optional<std::string>& title);

  const platform::StatusNotifierItem& item() const { return *item_; }
  // Where the tray last reported the item, for a menu opened without a click on it.
  std::optional<platform::Point> itemPosition() const { return item_->clickPosition(); }
  const platform::DBusMenuExporter& exporter() const { return *exporter_; }

  static std::string toolTipTitle(const std::optional<std::string>& status);

 private:
  DZLStatusItemController() = default;
  void readClickSetting();
  void handleClick(platform::StatusNotifierItem::Click click);

  std::unique_ptr<platform::DBusMenuExporter> exporter_;
  std::unique_ptr<platform::StatusNotifierItem> item_;
  std::function<void()> primaryAction_;
  std::string toolTipTitle_;
  // (attention, active) of the image shown; none before the first.
  std::optional<std::pair<bool, bool>> shownImage_;
  std::string toolTipText_;
  platform::ObserverHandle clickSettingObserver_;
};

}  // namespace vigilix
