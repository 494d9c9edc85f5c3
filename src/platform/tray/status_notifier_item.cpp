#include "platform/tray/status_notifier_item.h"

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

void writePixmaps(BusArgumentWriter& out, const std::vector<StatusIconPixmap>& pixmaps) {
  out.open('a', "(iiay)");
  for (const StatusIconPixmap& pixmap : pixmaps) {
    out.open('r', "iiay").int32(pixmap.width).int32(pixmap.height).bytes(pixmap.argb).close();
  }
  out.close();
}

BusProperty text(const char* name, std::function<std::string()> value) {
  return {name, "s", [value = std::move(value)](BusArgumentWriter& out) { out.string(value()); }};
}

BusProperty noPixmaps(const char* name) {
  return {name, "a(iiay)", [](BusArgumentWriter& out) { writePixmaps(out, {}); }};
}

}  // namespace

std::expected<std::unique_ptr<StatusNotifierItem>, BusError> StatusNotifierItem::create(
    AsyncBusConnection& connection, std::string id, std::string title, std::string menuPath) {
  std::unique_ptr<StatusNotifierItem> item(
      new StatusNotifierItem(connection, std::move(id), std::move(title), std::move(menuPath)));
  StatusNotifierItem* self = item.get();
  auto object = exportInterface(connection, kPath, kInterface, item->table(), item->properties());
  if (!object) return std::unexpected(object.error());
  item->object_ = std::move(*object);

  // Matched before the name is asked, so no watcher start falls between the two.
  const auto rule = signalMatchRule({.sender = "org.freedesktop.DBus",
                                     .path = "/org/freedesktop/DBus",
                                     .interface = "org.freedesktop.DBus",
                                     .member = "NameOwnerChanged",
                                     .arg0 = kWatcherName});
  if (!rule) return std::unexpected(BusError{.code = EINVAL, .name = {}, .message = "match rule"});
  auto match = connection.addMatch(*rule, [self](BusArgumentReader& signal) {
    signal.string();
    signal.string();
    const std::string after = signal.string();
    if (!signal) return;
    if (!after.empty()) {
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
      [this](BusArgumentWriter& out) { out.string(busName_); },
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
  const auto sent = connection_.emitSignal({kPath, kInterface, signal});
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

BusInterfaceTable StatusNotifierItem::table() {
  const auto primary = [this] {
    if (!itemIsMenu_ && onClick_) onClick_(Click::primary);
  };
  const auto secondary = [this] {
    if (onClick_) onClick_(Click::secondary);
  };
  return {.methods = {{"Activate", "ii", "", click(primary)},
                      {"SecondaryActivate", "ii", "", click(secondary)},
                      // The host shows the menu from the Menu property itself.
                      {"ContextMenu", "ii", "", click({})},
                      {"Scroll", "is", "",
                       [](BusArgumentReader&, const BusMethodCall& call) { (void)call.reply(); }}},
          .signals = {{"NewTitle", ""},
                      {"NewIcon", ""},
                      {"NewAttentionIcon", ""},
                      {"NewOverlayIcon", ""},
                      {"NewToolTip", ""},
                      {"NewStatus", "s"}}};
}

std::vector<BusProperty> StatusNotifierItem::properties() {
  return {
      text("Category", [] { return "ApplicationStatus"; }),
      text("Id", [this] { return id_; }),
      text("Title", [this] { return title_; }),
      text("Status", [] { return "Active"; }),
      {"WindowId", "i", [](BusArgumentWriter& out) { out.int32(0); }},
      text("IconName", [this] { return iconName_; }),
      text("IconThemePath", [] { return ""; }),
      {"IconPixmap", "a(iiay)", [this](BusArgumentWriter& out) { writePixmaps(out, pixmaps_); }},
      text("OverlayIconName", [] { return ""; }),
      noPixmaps("OverlayIconPixmap"),
      text("AttentionIconName", [] { return ""; }),
      noPixmaps("AttentionIconPixmap"),
      text("AttentionMovieName", [] { return ""; }),
      {"ToolTip", "(sa(iiay)ss)",
       [this](BusArgumentWriter& out) {
         out.open('r', "sa(iiay)ss").string(iconName_);
         writePixmaps(out, {});
         out.string(toolTipTitle_).string(toolTipText_).close();
       }},
      {"ItemIsMenu", "b", [this](BusArgumentWriter& out) { out.boolean(itemIsMenu_); }},
      {"Menu", "o", [this](BusArgumentWriter& out) { out.objectPath(menuPath_); }},
  };
}

BusMethodHandler StatusNotifierItem::click(std::function<void()> then) {
  return [this, then = std::move(then)](BusArgumentReader& in, const BusMethodCall& call) {
    const std::int32_t x = in.int32();
    const std::int32_t y = in.int32();
    if (!in) return;
    clickPosition_ = Point{static_cast<double>(x), static_cast<double>(y)};
    (void)call.reply();
    if (then) then();
  };
}

}  // namespace vigilix::platform
