#include "platform/dbus/exported_object.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/dbus/bus_callbacks.h"

namespace vigilix::platform {

struct BusMethodCall::State {
  sd_bus_message* message;
  bool answered = false;

  explicit State(sd_bus_message* call) : message(sd_bus_message_ref(call)) {}
  ~State() { sd_bus_message_unref(message); }
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  std::expected<void, BusError> answer(int result) {
    answered = true;
    if (result < 0) return std::unexpected(busErrorFromResult(result));
    return {};
  }
};

BusMethodCall::BusMethodCall(sd_bus_message* call) : state_(std::make_shared<State>(call)) {}

bool BusMethodCall::answered() const { return state_->answered; }

std::expected<void, BusError> BusMethodCall::reply(const BusWrite& write) const {
  if (state_->answered) return std::unexpected(busErrorFromResult(-EALREADY));
  sd_bus_message* raw = nullptr;
  int result = sd_bus_message_new_method_return(state_->message, &raw);
  if (result < 0) return state_->answer(result);
  const BusMessage reply(raw);
  result = writeArguments(raw, write);
  if (result < 0) {
    // The caller is told rather than left waiting for its timeout.
    (void)sd_bus_reply_method_errno(state_->message, result, nullptr);
    return state_->answer(result);
  }
  return state_->answer(sd_bus_send(nullptr, raw, nullptr));
}

std::expected<void, BusError> BusMethodCall::fail(const std::string& errorName,
                                                  const std::string& text) const {
  if (state_->answered) return std::unexpected(busErrorFromResult(-EALREADY));
  return state_->answer(
      sd_bus_reply_method_errorf(state_->message, errorName.c_str(), "%s", text.c_str()));
}

namespace {

// The table and the vtable made from it, which sd-bus reads for as long as the object exists;
// freed by sd-bus when it lets go of the slot, which may be after the slot's owner dropped it.
struct ExportedInterface {
  BusInterfaceTable table;
  std::vector<BusProperty> properties;
  std::vector<sd_bus_vtable> vtable;
};

sd_bus_vtable blankEntry(std::uint8_t type) {
  // sd-bus reads the union's unused bytes as well: they must be zero.
  sd_bus_vtable entry;
  std::memset(&entry, 0, sizeof entry);
  entry.type = type;
  return entry;
}

std::vector<sd_bus_vtable> vtableOf(const BusInterfaceTable& table,
                                    const std::vector<BusProperty>& properties) {
  std::vector<sd_bus_vtable> vtable;
  sd_bus_vtable start = blankEntry(_SD_BUS_VTABLE_START);
  start.x.start.element_size = sizeof(sd_bus_vtable);
  start.x.start.features = _SD_BUS_VTABLE_PARAM_NAMES;
  start.x.start.vtable_format_reference = &sd_bus_object_vtable_format;
  vtable.push_back(start);
  for (const BusMethod& method : table.methods) {
    sd_bus_vtable entry = blankEntry(_SD_BUS_VTABLE_METHOD);
    entry.flags = SD_BUS_VTABLE_UNPRIVILEGED;
    entry.x.method.member = method.name.c_str();
    entry.x.method.signature = method.arguments.c_str();
    entry.x.method.result = method.result.c_str();
    entry.x.method.names = "";
    entry.x.method.handler = [](sd_bus_message* message, void* userdata,
                                sd_bus_error*) noexcept -> int {
      const auto& exported = *static_cast<const ExportedInterface*>(userdata);
      const char* member = sd_bus_message_get_member(message);
      for (const BusMethod& candidate : exported.table.methods) {
        if (member == nullptr || candidate.name != member) continue;
        BusArgumentReader arguments(message);
        const BusMethodCall call(message);
        if (candidate.handler) candidate.handler(arguments, call);
        if (!arguments && !call.answered()) return arguments.result();
        return 1;
      }
      return -EOPNOTSUPP;
    };
    vtable.push_back(entry);
  }
  for (const BusProperty& property : properties) {
    sd_bus_vtable entry = blankEntry(_SD_BUS_VTABLE_PROPERTY);
    if (property.constant) entry.flags = SD_BUS_VTABLE_PROPERTY_CONST;
    entry.x.property.member = property.name.c_str();
    entry.x.property.signature = property.type.c_str();
    entry.x.property.get = [](sd_bus*, const char*, const char*, const char* name,
                              sd_bus_message* reply, void* userdata,
                              sd_bus_error*) noexcept -> int {
      const auto& exported = *static_cast<const ExportedInterface*>(userdata);
      for (const BusProperty& candidate : exported.properties) {
        if (name != nullptr && candidate.name == name) return writeArguments(reply, candidate.read);
      }
      return -EOPNOTSUPP;
    };
    vtable.push_back(entry);
  }
  for (const BusSignal& signal : table.signals) {
    sd_bus_vtable entry = blankEntry(_SD_BUS_VTABLE_SIGNAL);
    entry.x.signal.member = signal.name.c_str();
    entry.x.signal.signature = signal.arguments.c_str();
    entry.x.signal.names = "";
    vtable.push_back(entry);
  }
  vtable.push_back(blankEntry(_SD_BUS_VTABLE_END));
  return vtable;
}

}  // namespace

std::expected<BusSlot, BusError> exportInterface(AsyncBusConnection& connection,
                                                 const std::string& path,
                                                 const std::string& interface,
                                                 BusInterfaceTable table,
                                                 std::vector<BusProperty> properties) {
  auto exported = std::make_unique<ExportedInterface>();
  exported->table = std::move(table);
  exported->properties = std::move(properties);
  exported->vtable = vtableOf(exported->table, exported->properties);
  sd_bus_slot* slot = nullptr;
  int result = sd_bus_add_object_vtable(connection.bus(), &slot, path.c_str(), interface.c_str(),
                                        exported->vtable.data(), exported.get());
  if (result < 0) return std::unexpected(busErrorFromResult(result));
  // A handler may drop the slot while sd-bus still holds it: the table goes only with sd-bus's
  // last reference.
  result = sd_bus_slot_set_destroy_callback(
      slot, [](void* userdata) { delete static_cast<ExportedInterface*>(userdata); });
  if (result < 0) {
    sd_bus_slot_unref(slot);
    return std::unexpected(busErrorFromResult(result));
  }
  exported.release();
  return BusSlot(slot, nullptr);
}

}  // namespace vigilix::platform
