#include "platform/tray/status_notifier_item.h"

#include <systemd/sd-bus.h>
#include <unistd.h>

#include <atomic>
#include <cmath>

#include "platform/base/logger.h"
#include "platform/buswire/match_rule.h"

namespace vigilix::platform {
namespace {

const Logger& log() {
  static const Logger logger("tray");
  return logger;
}

constexpr const char* kWatcherPath = "/StatusNotifierWatcher";

StatusNotifierItem& itemOf(void* self) { return *static_cast<StatusNotifierItem*>(self); }

int appendPixmaps(sd_bus_message* m, const std::vector<StatusIconPixmap>& pixmaps) {
  int r = sd_bus_message_open_container(m, 'a', "(iiay)");
  for (const StatusIconPixmap& pixmap : pixmaps) {
    if (r >= 0) r = sd_bus_message_open_container(m, 'r', "iiay");
    if (r >= 0) r = sd_bus_message_append(m, "ii", pixmap.width, pixmap.height);
    if (r >= 0) r = sd_bus_message_append_array(m, 'y', pixmap.argb.data(), pixmap.argb.size());
    if (r >= 0) r = sd_bus_message_close_container(m);
  }
  return r >= 0 ? sd_bus_message_close_container(m) : r;
}

// The host's click position, kept for a menu the application opens itself.
int readPosition(sd_bus_message* message, std::optional<Point>& position) {
  std::int32_t x = 0;
  std::int32_t y = 0;
  const int r = sd_bus_message_read(message, "ii", &x, &y);
  if (r >= 0) position = Point{static_cast<double>(x), static_cast<double>(y)};
  return r;
}

const sd_bus_vtable kVTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Activate", "ii", "", StatusNotifierItem::activate, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("SecondaryActivate", "ii", "", StatusNotifierItem::secondaryActivate,
                  SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("ContextMenu", "ii", "", StatusNotifierItem::contextMenu,
                  SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Scroll", "is", "", StatusNotifierItem::scroll, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_PROPERTY("Category", "s", StatusNotifierItem::property, 0, 0),
    SD_BUS_PROPERTY("Id", "s", StatusNotifierItem::property, 0, 0),
    SD_BUS_PROPERTY("Title", "s", StatusNotifierItem::property, 0, 0),
    SD_BUS_PROPERTY("Status", "s", StatusNotifierItem::property, 0, 0),
    SD_BUS_PROPERTY("WindowId", "i", StatusNotifierItem::property, 0, 0),
    SD_BUS_PROPERTY("IconName", "s", StatusNotifierItem::property, 0, 0),
    SD_BUS_PROPERTY("IconThemePath", "s", StatusNotifierItem::property, 0, 0),
    SD_BUS_PROPERTY("IconPixmap", "a(iiay)", StatusNotifierItem::property, 0, 0),
    SD_BUS_PROPERTY("OverlayIconName", "s", StatusNotifierItem::property, 0, 0),
    SD_BUS_PROPERTY("OverlayIconPixmap", "a(iiay)", StatusNotifierItem::property, 0, 0),
    SD_BUS_PROPERTY("AttentionIconName", "s", StatusNotifierItem::property, 0, 0),
    SD_BUS_PROPERTY("AttentionIconPixmap", "a(iiay)", StatusNotifierItem::property, 0, 0),
    SD_BUS_PROPERTY("AttentionMovieName", "s", StatusNotifierItem::property, 0, 0),
    SD_BUS_PROPERTY("ToolTip", "(sa(iiay)ss)", StatusNotifierItem::property, 0, 0),
    SD_BUS_PROPERTY("ItemIsMenu", "b", StatusNotifierItem::property, 0, 0),
    SD_BUS_PROPERTY("Menu", "o", StatusNotifierItem::property, 0, 0),
    SD_BUS_SIGNAL("NewTitle", "", 0),
    SD_BUS_SIGNAL("NewIcon", "", 0),
    SD_BUS_SIGNAL("NewAttentionIcon", "", 0),
    SD_BUS_SIGNAL("NewOverlayIcon", "", 0),
    SD_BUS_SIGNAL("NewToolTip", "", 0),
    SD_BUS_SIGNAL("NewStatus", "s", 0),
    SD_BUS_VTABLE_END};

}  // namespace

std::expected<std::unique_ptr<StatusNotifierItem>, BusError> StatusNotifierItem::create(
    AsyncBusConnection& connection, std::string id, std::string title, std::string menuPath) {
  std::unique_ptr<StatusNotifierItem> item(
      new StatusNotifierItem(connection, std::move(id), std::move(title), std::move(menuPath)));
  StatusNotifierItem* self = item.get();
  auto object = connection.addObject(kPath, kInterface, kVTable, self);
  if (!object) return std::unexpected(object.error());
  item->object_ = std::move(*object);

  // Matched before the name is asked, so no watcher start falls between the two.
  const auto rule = signalMatchRule({.sender = "org.freedesktop.DBus",
                                     .path = "/org/freedesktop/DBus",
                                     .interface = "org.freedesktop.DBus",
                                     .member = "NameOwnerChanged",
                                     .arg0 = kWatcherName});
  if (!rule) return std::unexpected(BusError{.code = EINVAL, .name = {}, .message = "match rule"});
  auto match = connection.addMatch(*rule, [self](sd_bus_message* m) {
    const char* name = nullptr;
    const char* before = nullptr;
    const char* after = nullptr;
    if (sd_bus_message_read(m, "sss", &name, &before, &after) < 0) return;
    if (after && *after) {
      log().info("A status notifier watcher appeared; registering the status item");
      self->registerWithWatcher();
    } else {
      self->registered_ = false;
    }
  });
  if (!match) return std::unexpected(match.error());
  item->watcherMatch_ = std::move(*match);

  auto name = connection.requestName(item->busName_, 0, [self](const BusReply& reply) {
    if (!reply) {
      log().error("The status item's bus name was refused: {}", reply.error().description());
      return;
    }
    self->registerWithWatcher();
  });
  if (!name) return std::unexpected(name.error());
  item->name_ = std::move(*name);
  return item;
}

StatusNotifierItem::StatusNotifierItem(AsyncBusConnection& connection, std::string id,
                                       std::string title, std::string menuPath)
    : connection_(connection),
      id_(std::move(id)),
      title_(std::move(title)),
      menuPath_(std::move(menuPath)) {
  static std::atomic<int> made = 0;
  busName_ =
      "org.kde.StatusNotifierItem-" + std::to_string(::getpid()) + "-" + std::to_string(++made);
}

StatusNotifierItem::~StatusNotifierItem() = default;

void StatusNotifierItem::registerWithWatcher() {
  auto call = connection_.callAsync(
      {kWatcherName, kWatcherPath, kWatcherName, "RegisterStatusNotifierItem"},
      [this](sd_bus_message* m) { return sd_bus_message_append(m, "s", busName_.c_str()); },
      [this](const BusReply& reply) {
        registered_ = reply.has_value();
        if (!reply) {
          log().info("No tray host took the status item yet ({}); waiting for a watcher",
                     reply.error().description());
        }
      });
  if (call) {
    registration_ = std::move(*call);
  } else {
    log().error("The status item could not ask for registration: {}", call.error().description());
  }
}

void StatusNotifierItem::announce(const char* signal) {
  const auto sent = connection_.emitSignal({kPath, kInterface, signal}, nullptr);
  if (!sent) log().error("{} was not sent: {}", signal, sent.error().description());
}

void StatusNotifierItem::setIcon(std::string name, std::vector<StatusIconPixmap> pixmaps) {
  iconName_ = std::move(name);
  pixmaps_ = std::move(pixmaps);
  announce("NewIcon");
}

void StatusNotifierItem::setToolTip(std::string title, std::string text) {
  if (title == toolTipTitle_ && text == toolTipText_) return;
  toolTipTitle_ = std::move(title);
  toolTipText_ = std::move(text);
  announce("NewToolTip");
}

int StatusNotifierItem::activate(sd_bus_message* message, void* self, sd_bus_error*) {
  StatusNotifierItem& item = itemOf(self);
  const int r = readPosition(message, item.clickPosition_);
  if (r < 0) return r;
  const int replied = sd_bus_reply_method_return(message, "");
  if (!item.itemIsMenu_ && item.onClick_) item.onClick_(Click::primary);
  return replied;
}

int StatusNotifierItem::secondaryActivate(sd_bus_message* message, void* self, sd_bus_error*) {
  StatusNotifierItem& item = itemOf(self);
  const int r = readPosition(message, item.clickPosition_);
  if (r < 0) return r;
  const int replied = sd_bus_reply_method_return(message, "");
  if (item.onClick_) item.onClick_(Click::secondary);
  return replied;
}

// The host shows the menu from the Menu property itself.
int StatusNotifierItem::contextMenu(sd_bus_message* message, void* self, sd_bus_error*) {
  const int r = readPosition(message, itemOf(self).clickPosition_);
  return r < 0 ? r : sd_bus_reply_method_return(message, "");
}

int StatusNotifierItem::scroll(sd_bus_message* message, void*, sd_bus_error*) {
  return sd_bus_reply_method_return(message, "");
}

int StatusNotifierItem::property(sd_bus*, const char*, const char*, const char* name,
                                 sd_bus_message* reply, void* self, sd_bus_error*) {
  const StatusNotifierItem& item = itemOf(self);
  const std::string property = name;
  if (property == "Category") return sd_bus_message_append(reply, "s", "ApplicationStatus");
  if (property == "Id") return sd_bus_message_append(reply, "s", item.id_.c_str());
  if (property == "Title") return sd_bus_message_append(reply, "s", item.title_.c_str());
  if (property == "Status") return sd_bus_message_append(reply, "s", "Active");
  if (property == "WindowId") return sd_bus_message_append(reply, "i", 0);
  if (property == "IconName") return sd_bus_message_append(reply, "s", item.iconName_.c_str());
  if (property == "IconPixmap") return appendPixmaps(reply, item.pixmaps_);
  if (property == "OverlayIconPixmap" || property == "AttentionIconPixmap") {
    return appendPixmaps(reply, {});
  }
  if (property == "ToolTip") {
    int r = sd_bus_message_open_container(reply, 'r', "sa(iiay)ss");
    if (r >= 0) r = sd_bus_message_append(reply, "s", item.iconName_.c_str());
    if (r >= 0) r = appendPixmaps(reply, {});
    if (r >= 0) {
      r = sd_bus_message_append(reply, "ss", item.toolTipTitle_.c_str(), item.toolTipText_.c_str());
    }
    return r >= 0 ? sd_bus_message_close_container(reply) : r;
  }
  if (property == "ItemIsMenu") {
    return sd_bus_message_append(reply, "b", static_cast<int>(item.itemIsMenu_));
  }
  if (property == "Menu") return sd_bus_message_append(reply, "o", item.menuPath_.c_str());
  return sd_bus_message_append(reply, "s", "");  // theme path, overlay and attention names
}

}  // namespace vigilix::platform
