#include "platform/tray/dbus_menu_exporter.h"

#include <systemd/sd-bus.h>

#include <cerrno>
#include <cstdlib>
#include <set>
#include <utility>
#include <vector>

#include "platform/base/logger.h"

namespace vigilix::platform {
namespace {

const Logger& log() {
  static const Logger logger("tray");
  return logger;
}

// The names a caller asked for; empty: every property.
using Names = std::set<std::string>;

// A string list sd-bus read, freed as sd-bus allocated it (malloc).
struct Strv {
  char** strings = nullptr;
  Strv() = default;
  Strv(const Strv&) = delete;
  Strv& operator=(const Strv&) = delete;
  ~Strv() {
    if (!strings) return;
    for (char** s = strings; *s; ++s) std::free(*s);
    std::free(static_cast<void*>(strings));
  }
  Names names() const {
    Names out;
    for (char** s = strings; s && *s; ++s) out.insert(*s);
    return out;
  }
};

struct MessageUnref {
  void operator()(sd_bus_message* m) const { sd_bus_message_unref(m); }
};
using Reply = std::unique_ptr<sd_bus_message, MessageUnref>;

int appendValue(sd_bus_message* m, const DBusMenuValue& value) {
  if (auto* text = std::get_if<std::string>(&value)) {
    return sd_bus_message_append(m, "v", "s", text->c_str());
  }
  if (auto* flag = std::get_if<bool>(&value)) {
    return sd_bus_message_append(m, "v", "b", static_cast<int>(*flag));
  }
  if (auto* number = std::get_if<std::int32_t>(&value)) {
    return sd_bus_message_append(m, "v", "i", *number);
  }
  const auto& keys = std::get<std::vector<std::vector<std::string>>>(value);
  int r = sd_bus_message_open_container(m, 'v', "aas");
  if (r >= 0) r = sd_bus_message_open_container(m, 'a', "as");
  for (const auto& combination : keys) {
    std::vector<char*> strv;
    for (const auto& key : combination) strv.push_back(const_cast<char*>(key.c_str()));
    strv.push_back(nullptr);
    if (r >= 0) r = sd_bus_message_append_strv(m, strv.data());
  }
  if (r >= 0) r = sd_bus_message_close_container(m);
  if (r >= 0) r = sd_bus_message_close_container(m);
  return r;
}

int appendProperties(sd_bus_message* m, const DBusMenuProperties& properties, const Names& names) {
  int r = sd_bus_message_open_container(m, 'a', "{sv}");
  for (const auto& [name, value] : properties) {
    if (r < 0) break;
    if (!names.empty() && !names.contains(name)) continue;
    r = sd_bus_message_open_container(m, 'e', "sv");
    if (r >= 0) r = sd_bus_message_append(m, "s", name.c_str());
    if (r >= 0) r = appendValue(m, value);
    if (r >= 0) r = sd_bus_message_close_container(m);
  }
  return r >= 0 ? sd_bus_message_close_container(m) : r;
}

// One row and, `depth` levels down (negative: all), its children.
int appendLayout(sd_bus_message* m, const DBusMenuLayout& layout, const DBusMenuRow& row, int depth,
                 const Names& names) {
  int r = sd_bus_message_open_container(m, 'r', "ia{sv}av");
  if (r >= 0) r = sd_bus_message_append(m, "i", row.id);
  if (r >= 0) r = appendProperties(m, row.properties, names);
  if (r >= 0) r = sd_bus_message_open_container(m, 'a', "v");
  if (depth != 0) {
    for (std::int32_t child : row.children) {
      if (r < 0) break;
      r = sd_bus_message_open_container(m, 'v', "(ia{sv}av)");
      if (r >= 0)
        r = appendLayout(m, layout, *layout.row(child), depth < 0 ? depth : depth - 1, names);
      if (r >= 0) r = sd_bus_message_close_container(m);
    }
  }
  if (r >= 0) r = sd_bus_message_close_container(m);
  return r >= 0 ? sd_bus_message_close_container(m) : r;
}

int unknownRow(sd_bus_error* error, std::int32_t id) {
  return sd_bus_error_setf(error, SD_BUS_ERROR_INVALID_ARGS, "No menu row %d", id);
}

int sendReply(sd_bus_message* call, const std::function<int(sd_bus_message*)>& append) {
  sd_bus_message* raw = nullptr;
  int r = sd_bus_message_new_method_return(call, &raw);
  if (r < 0) return r;
  Reply reply(raw);
  r = append(reply.get());
  return r < 0 ? r : sd_bus_send(nullptr, reply.get(), nullptr);
}

int readIDs(sd_bus_message* m, std::vector<std::int32_t>& ids) {
  const void* data = nullptr;
  std::size_t size = 0;
  const int r = sd_bus_message_read_array(m, 'i', &data, &size);
  if (r < 0) return r;
  const auto* first = static_cast<const std::int32_t*>(data);
  ids.assign(first, first + size / sizeof(std::int32_t));
  return r;
}

int appendIDs(sd_bus_message* m, const std::vector<std::int32_t>& ids) {
  return sd_bus_message_append_array(m, 'i', ids.data(), ids.size() * sizeof(std::int32_t));
}

int getMenuProperty(sd_bus*, const char*, const char*, const char* property, sd_bus_message* reply,
                    void*, sd_bus_error*) {
  const std::string name = property;
  if (name == "Version") return sd_bus_message_append(reply, "u", 3U);
  if (name == "TextDirection") return sd_bus_message_append(reply, "s", "ltr");
  if (name == "Status") return sd_bus_message_append(reply, "s", "normal");
  return sd_bus_message_append(reply, "as", 0);  // IconThemePath
}

const sd_bus_vtable kVTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("GetLayout", "iias", "u(ia{sv}av)", DBusMenuExporter::getLayout,
                  SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("GetGroupProperties", "aias", "a(ia{sv})", DBusMenuExporter::getGroupProperties,
                  SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("GetProperty", "is", "v", DBusMenuExporter::getProperty,
                  SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Event", "isvu", "", DBusMenuExporter::event, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("EventGroup", "a(isvu)", "ai", DBusMenuExporter::eventGroup,
                  SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("AboutToShow", "i", "b", DBusMenuExporter::aboutToShow,
                  SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("AboutToShowGroup", "ai", "aiai", DBusMenuExporter::aboutToShowGroup,
                  SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_PROPERTY("Version", "u", getMenuProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("TextDirection", "s", getMenuProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("Status", "s", getMenuProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("IconThemePath", "as", getMenuProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_SIGNAL("ItemsPropertiesUpdated", "a(ia{sv})a(ias)", 0),
    SD_BUS_SIGNAL("LayoutUpdated", "ui", 0),
    SD_BUS_SIGNAL("ItemActivationRequested", "iu", 0),
    SD_BUS_VTABLE_END};

DBusMenuExporter& exporterOf(void* self) { return *static_cast<DBusMenuExporter*>(self); }

}  // namespace

std::expected<std::unique_ptr<DBusMenuExporter>, BusError> DBusMenuExporter::create(
    AsyncBusConnection& connection, std::string path, std::shared_ptr<Menu> root) {
  std::unique_ptr<DBusMenuExporter> exporter(
      new DBusMenuExporter(connection, std::move(path), std::move(root)));
  auto object = connection.addObject(exporter->path_, kInterface, kVTable, exporter.get());
  if (!object) return std::unexpected(object.error());
  exporter->object_ = std::move(*object);
  return exporter;
}

DBusMenuExporter::DBusMenuExporter(AsyncBusConnection& connection, std::string path,
                                   std::shared_ptr<Menu> root)
    : connection_(connection),
      path_(std::move(path)),
      root_(std::move(root)),
      layout_(DBusMenuLayout::of(*root_)) {}

DBusMenuExporter::~DBusMenuExporter() = default;

void DBusMenuExporter::menuDidChange() {
  DBusMenuLayout fresh = DBusMenuLayout::of(*root_, layout_);
  const bool reshaped = !fresh.hasSameShape(layout_);
  // Rows that stay, with what changed: hosts keep a property the layout no
  // longer lists, so the ones gone are named too.
  std::vector<const DBusMenuRow*> updated;
  std::vector<std::pair<std::int32_t, std::vector<std::string>>> removed;
  for (const DBusMenuRow& row : fresh.rows()) {
    const DBusMenuRow* before = layout_.row(row.id);
    if (!before || row.properties == before->properties) continue;
    updated.push_back(&row);
    std::vector<std::string> gone;
    for (const auto& [name, value] : before->properties) {
      if (!row.properties.contains(name)) gone.push_back(name);
    }
    if (!gone.empty()) removed.emplace_back(row.id, std::move(gone));
  }
  layout_ = std::move(fresh);
  if (!updated.empty()) announceProperties(updated, removed);
  if (!reshaped) return;
  ++revision_;
  const auto sent = connection_.emitSignal(
      {path_.c_str(), kInterface, "LayoutUpdated"},
      [&](sd_bus_message* m) { return sd_bus_message_append(m, "ui", revision_, 0); });
  if (!sent) log().error("The menu's new layout was not announced: {}", sent.error().description());
}

void DBusMenuExporter::announceProperties(
    const std::vector<const DBusMenuRow*>& updated,
    const std::vector<std::pair<std::int32_t, std::vector<std::string>>>& removed) {
  const auto sent = connection_.emitSignal(
      {path_.c_str(), kInterface, "ItemsPropertiesUpdated"}, [&](sd_bus_message* m) {
        int r = sd_bus_message_open_container(m, 'a', "(ia{sv})");
        for (const DBusMenuRow* row : updated) {
          if (r >= 0) r = sd_bus_message_open_container(m, 'r', "ia{sv}");
          if (r >= 0) r = sd_bus_message_append(m, "i", row->id);
          if (r >= 0) r = appendProperties(m, row->properties, {});
          if (r >= 0) r = sd_bus_message_close_container(m);
        }
        if (r >= 0) r = sd_bus_message_close_container(m);
        if (r >= 0) r = sd_bus_message_open_container(m, 'a', "(ias)");
        for (const auto& [id, names] : removed) {
          std::vector<char*> strv;
          for (const auto& name : names) strv.push_back(const_cast<char*>(name.c_str()));
          strv.push_back(nullptr);
          if (r >= 0) r = sd_bus_message_open_container(m, 'r', "ias");
          if (r >= 0) r = sd_bus_message_append(m, "i", id);
          if (r >= 0) r = sd_bus_message_append_strv(m, strv.data());
          if (r >= 0) r = sd_bus_message_close_container(m);
        }
        return r >= 0 ? sd_bus_message_close_container(m) : r;
      });
  if (!sent)
    log().error("The menu's new properties were not announced: {}", sent.error().description());
}

void DBusMenuExporter::handleEvent(std::int32_t id, const std::string& eventID) {
  if (id == 0 && eventID == "closed") {
    if (didClose_) didClose_();
    return;
  }
  const DBusMenuRow* row = layout_.row(id);
  if (!row || eventID != "clicked" || !row->item) return;
  // The action may rebuild the menu and with it the layout: hold the item.
  const std::shared_ptr<MenuItem> item = row->item;
  if (!item->submenu()) item->performAction();
}

bool DBusMenuExporter::prepareToShow(std::int32_t id) {
  if (id != 0 || !willOpen_) return false;
  const std::uint32_t before = revision_;
  willOpen_();
  return revision_ != before;
}

int DBusMenuExporter::getLayout(sd_bus_message* m, void* self, sd_bus_error* error) {
  std::int32_t parent = 0;
  std::int32_t depth = -1;
  Strv names;
  int r = sd_bus_message_read(m, "ii", &parent, &depth);
  if (r >= 0) r = sd_bus_message_read_strv(m, &names.strings);
  if (r < 0) return r;
  const DBusMenuExporter& exporter = exporterOf(self);
  const DBusMenuRow* row = exporter.layout_.row(parent);
  if (!row) return unknownRow(error, parent);
  return sendReply(m, [&](sd_bus_message* reply) {
    const int a = sd_bus_message_append(reply, "u", exporter.revision_);
    return a < 0 ? a : appendLayout(reply, exporter.layout_, *row, depth, names.names());
  });
}

int DBusMenuExporter::getGroupProperties(sd_bus_message* m, void* self, sd_bus_error*) {
  std::vector<std::int32_t> ids;
  Strv names;
  int r = readIDs(m, ids);
  if (r >= 0) r = sd_bus_message_read_strv(m, &names.strings);
  if (r < 0) return r;
  const DBusMenuLayout& layout = exporterOf(self).layout_;
  const Names wanted = names.names();
  return sendReply(m, [&](sd_bus_message* reply) {
    int a = sd_bus_message_open_container(reply, 'a', "(ia{sv})");
    for (std::int32_t id : ids) {
      const DBusMenuRow* row = layout.row(id);
      if (!row) continue;  // rows gone since the host's last layout are left out
      if (a >= 0) a = sd_bus_message_open_container(reply, 'r', "ia{sv}");
      if (a >= 0) a = sd_bus_message_append(reply, "i", id);
      if (a >= 0) a = appendProperties(reply, row->properties, wanted);
      if (a >= 0) a = sd_bus_message_close_container(reply);
    }
    return a >= 0 ? sd_bus_message_close_container(reply) : a;
  });
}

int DBusMenuExporter::getProperty(sd_bus_message* m, void* self, sd_bus_error* error) {
  std::int32_t id = 0;
  const char* name = nullptr;
  const int r = sd_bus_message_read(m, "is", &id, &name);
  if (r < 0) return r;
  const DBusMenuRow* row = exporterOf(self).layout_.row(id);
  if (!row) return unknownRow(error, id);
  const auto found = row->properties.find(name);
  if (found == row->properties.end()) {
    return sd_bus_error_setf(error, SD_BUS_ERROR_INVALID_ARGS, "Menu row %d has no %s", id, name);
  }
  return sendReply(m, [&](sd_bus_message* reply) { return appendValue(reply, found->second); });
}

int DBusMenuExporter::event(sd_bus_message* m, void* self, sd_bus_error* error) {
  std::int32_t id = 0;
  const char* eventID = nullptr;
  std::uint32_t timestamp = 0;
  int r = sd_bus_message_read(m, "is", &id, &eventID);
  if (r >= 0) r = sd_bus_message_skip(m, "v");
  if (r >= 0) r = sd_bus_message_read(m, "u", &timestamp);
  if (r < 0) return r;
  DBusMenuExporter& exporter = exporterOf(self);
  if (!exporter.layout_.row(id)) return unknownRow(error, id);
  const std::string what = eventID;
  // Answer first: the action may take long (a window) and the host waits for the reply.
  r = sd_bus_reply_method_return(m, "");
  exporter.handleEvent(id, what);
  return r;
}

int DBusMenuExporter::eventGroup(sd_bus_message* m, void* self, sd_bus_error*) {
  std::vector<std::pair<std::int32_t, std::string>> events;
  int r = sd_bus_message_enter_container(m, 'a', "(isvu)");
  while (r >= 0) {
    r = sd_bus_message_enter_container(m, 'r', "isvu");
    if (r <= 0) break;
    std::int32_t id = 0;
    const char* eventID = nullptr;
    std::uint32_t timestamp = 0;
    r = sd_bus_message_read(m, "is", &id, &eventID);
    if (r >= 0) r = sd_bus_message_skip(m, "v");
    if (r >= 0) r = sd_bus_message_read(m, "u", &timestamp);
    if (r >= 0) r = sd_bus_message_exit_container(m);
    if (r >= 0) events.emplace_back(id, eventID);
  }
  if (r < 0) return r;
  r = sd_bus_message_exit_container(m);
  if (r < 0) return r;
  DBusMenuExporter& exporter = exporterOf(self);
  std::vector<std::int32_t> unknown;
  for (const auto& [id, what] : events) {
    if (!exporter.layout_.row(id)) unknown.push_back(id);
  }
  r = sendReply(m, [&](sd_bus_message* reply) { return appendIDs(reply, unknown); });
  for (const auto& [id, what] : events) exporter.handleEvent(id, what);
  return r;
}

int DBusMenuExporter::aboutToShow(sd_bus_message* m, void* self, sd_bus_error* error) {
  std::int32_t id = 0;
  const int r = sd_bus_message_read(m, "i", &id);
  if (r < 0) return r;
  DBusMenuExporter& exporter = exporterOf(self);
  if (!exporter.layout_.row(id)) return unknownRow(error, id);
  const int needsUpdate = exporter.prepareToShow(id) ? 1 : 0;
  return sd_bus_reply_method_return(m, "b", needsUpdate);
}

int DBusMenuExporter::aboutToShowGroup(sd_bus_message* m, void* self, sd_bus_error*) {
  std::vector<std::int32_t> ids;
  const int r = readIDs(m, ids);
  if (r < 0) return r;
  DBusMenuExporter& exporter = exporterOf(self);
  std::vector<std::int32_t> updates;
  std::vector<std::int32_t> unknown;
  for (std::int32_t id : ids) {
    if (!exporter.layout_.row(id)) {
      unknown.push_back(id);
    } else if (exporter.prepareToShow(id)) {
      updates.push_back(id);
    }
  }
  return sendReply(m, [&](sd_bus_message* reply) {
    const int a = appendIDs(reply, updates);
    return a < 0 ? a : appendIDs(reply, unknown);
  });
}

}  // namespace vigilix::platform
