#include "platform/tray/dbus_menu_exporter.h"

#include <fmt/format.h>

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

Names namesOf(const std::vector<std::string>& listed) { return {listed.begin(), listed.end()}; }

void writeProperties(BusArgumentWriter& out, const DBusMenuProperties& properties,
                     const Names& names) {
  out.open('a', "{sv}");
  for (const auto& [name, value] : properties) {
    if (!names.empty() && !names.contains(name)) continue;
    out.open('e', "sv").string(name).write(value).close();
  }
  out.close();
}

// One row and, `depth` levels down (negative: all), its children.
void writeLayout(BusArgumentWriter& out, const DBusMenuLayout& layout, const DBusMenuRow& row,
                 int depth, const Names& names) {
  out.open('r', "ia{sv}av").int32(row.id);
  writeProperties(out, row.properties, names);
  out.open('a', "v");
  if (depth != 0) {
    for (std::int32_t child : row.children) {
      out.open('v', "(ia{sv}av)");
      writeLayout(out, layout, *layout.row(child), depth < 0 ? depth : depth - 1, names);
      out.close();
    }
  }
  out.close().close();
}

void failUnknownRow(const BusMethodCall& call, std::int32_t id) {
  (void)call.fail(kBusInvalidArgsError, fmt::format("No menu row {}", id));
}

BusMethod method(const char* name, const char* arguments, const char* result,
                 BusMethodHandler handler) {
  return {name, arguments, result, std::move(handler)};
}

BusProperty constant(const char* name, const char* type, BusWrite read) {
  return {name, type, std::move(read), true};
}

}  // namespace

std::expected<std::unique_ptr<DBusMenuExporter>, BusError> DBusMenuExporter::create(
    AsyncBusConnection& connection, std::string path, std::shared_ptr<Menu> root) {
  std::unique_ptr<DBusMenuExporter> exporter(
      new DBusMenuExporter(connection, std::move(path), std::move(root)));
  auto object = exportInterface(connection, exporter->path_, kInterface, exporter->table(),
                                exporter->properties());
  if (!object) return std::unexpected(object.error());
  exporter->object_ = std::move(*object);
  return exporter;
}

BusInterfaceTable DBusMenuExporter::table() {
  using namespace std::placeholders;
  return {
      .methods = {method("GetLayout", "iias", "u(ia{sv}av)",
                         std::bind(&DBusMenuExporter::getLayout, this, _1, _2)),
                  method("GetGroupProperties", "aias", "a(ia{sv})",
                         std::bind(&DBusMenuExporter::getGroupProperties, this, _1, _2)),
                  method("GetProperty", "is", "v",
                         std::bind(&DBusMenuExporter::getProperty, this, _1, _2)),
                  method("Event", "isvu", "", std::bind(&DBusMenuExporter::event, this, _1, _2)),
                  method("EventGroup", "a(isvu)", "ai",
                         std::bind(&DBusMenuExporter::eventGroup, this, _1, _2)),
                  method("AboutToShow", "i", "b",
                         std::bind(&DBusMenuExporter::aboutToShow, this, _1, _2)),
                  method("AboutToShowGroup", "ai", "aiai",
                         std::bind(&DBusMenuExporter::aboutToShowGroup, this, _1, _2))},
      .signals = {{"ItemsPropertiesUpdated", "a(ia{sv})a(ias)"},
                  {"LayoutUpdated", "ui"},
                  {"ItemActivationRequested", "iu"}}};
}

std::vector<BusProperty> DBusMenuExporter::properties() {
  return {constant("Version", "u", [](BusArgumentWriter& out) { out.uint32(3); }),
          constant("TextDirection", "s", [](BusArgumentWriter& out) { out.string("ltr"); }),
          constant("Status", "s", [](BusArgumentWriter& out) { out.string("normal"); }),
          constant("IconThemePath", "as", [](BusArgumentWriter& out) { out.strings({}); })};
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
  const auto sent =
      connection_.emitSignal({path_.c_str(), kInterface, "LayoutUpdated"},
                             [&](BusArgumentWriter& out) { out.uint32(revision_).int32(0); });
  if (!sent) log().error("The menu's new layout was not announced: {}", sent.error().description());
}

void DBusMenuExporter::announceProperties(
    const std::vector<const DBusMenuRow*>& updated,
    const std::vector<std::pair<std::int32_t, std::vector<std::string>>>& removed) {
  const auto sent = connection_.emitSignal(
      {path_.c_str(), kInterface, "ItemsPropertiesUpdated"}, [&](BusArgumentWriter& out) {
        out.open('a', "(ia{sv})");
        for (const DBusMenuRow* row : updated) {
          out.open('r', "ia{sv}").int32(row->id);
          writeProperties(out, row->properties, {});
          out.close();
        }
        out.close().open('a', "(ias)");
        for (const auto& [id, names] : removed)
          out.open('r', "ias").int32(id).strings(names).close();
        out.close();
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

void DBusMenuExporter::getLayout(BusArgumentReader& in, const BusMethodCall& call) const {
  const std::int32_t parent = in.int32();
  const std::int32_t depth = in.int32();
  const Names names = namesOf(in.strings());
  if (!in) return;
  const DBusMenuRow* row = layout_.row(parent);
  if (!row) return failUnknownRow(call, parent);
  (void)call.reply([&](BusArgumentWriter& out) {
    out.uint32(revision_);
    writeLayout(out, layout_, *row, depth, names);
  });
}

void DBusMenuExporter::getGroupProperties(BusArgumentReader& in, const BusMethodCall& call) const {
  const std::vector<std::int32_t> ids = in.int32s();
  const Names wanted = namesOf(in.strings());
  if (!in) return;
  (void)call.reply([&](BusArgumentWriter& out) {
    out.open('a', "(ia{sv})");
    for (std::int32_t id : ids) {
      const DBusMenuRow* row = layout_.row(id);
      if (!row) continue;  // rows gone since the host's last layout are left out
      out.open('r', "ia{sv}").int32(id);
      writeProperties(out, row->properties, wanted);
      out.close();
    }
    out.close();
  });
}

void DBusMenuExporter::getProperty(BusArgumentReader& in, const BusMethodCall& call) const {
  const std::int32_t id = in.int32();
  const std::string name = in.string();
  if (!in) return;
  const DBusMenuRow* row = layout_.row(id);
  if (!row) return failUnknownRow(call, id);
  const auto found = row->properties.find(name);
  if (found == row->properties.end()) {
    (void)call.fail(kBusInvalidArgsError, fmt::format("Menu row {} has no {}", id, name));
    return;
  }
  (void)call.reply([&](BusArgumentWriter& out) { out.write(found->second); });
}

void DBusMenuExporter::event(BusArgumentReader& in, const BusMethodCall& call) {
  const std::int32_t id = in.int32();
  const std::string what = in.string();
  in.skip("v");
  in.uint32();  // timestamp
  if (!in) return;
  if (!layout_.row(id)) return failUnknownRow(call, id);
  // Answer first: the action may take long (a window) and the host waits for the reply.
  (void)call.reply();
  handleEvent(id, what);
}

void DBusMenuExporter::eventGroup(BusArgumentReader& in, const BusMethodCall& call) {
  std::vector<std::pair<std::int32_t, std::string>> events;
  in.enter('a', "(isvu)");
  while (!in.atEnd()) {
    in.enter('r', "isvu");
    const std::int32_t id = in.int32();
    std::string what = in.string();
    in.skip("v");
    in.uint32();  // timestamp
    in.exit();
    if (in) events.emplace_back(id, std::move(what));
  }
  in.exit();
  if (!in) return;
  std::vector<std::int32_t> unknown;
  for (const auto& [id, what] : events) {
    if (!layout_.row(id)) unknown.push_back(id);
  }
  (void)call.reply([&](BusArgumentWriter& out) { out.int32s(unknown); });
  for (const auto& [id, what] : events) handleEvent(id, what);
}

void DBusMenuExporter::aboutToShow(BusArgumentReader& in, const BusMethodCall& call) {
  const std::int32_t id = in.int32();
  if (!in) return;
  if (!layout_.row(id)) return failUnknownRow(call, id);
  const bool needsUpdate = prepareToShow(id);
  (void)call.reply([needsUpdate](BusArgumentWriter& out) { out.boolean(needsUpdate); });
}

void DBusMenuExporter::aboutToShowGroup(BusArgumentReader& in, const BusMethodCall& call) {
  const std::vector<std::int32_t> ids = in.int32s();
  if (!in) return;
  std::vector<std::int32_t> updates;
  std::vector<std::int32_t> unknown;
  for (std::int32_t id : ids) {
    if (!layout_.row(id)) {
      unknown.push_back(id);
    } else if (prepareToShow(id)) {
      updates.push_back(id);
    }
  }
  (void)call.reply([&](BusArgumentWriter& out) { out.int32s(updates).int32s(unknown); });
}

}  // namespace vigilix::platform
