#include "controls/control_state.h"

#include <string>

#include "platform/base/format_placeholders.h"
#include "platform/base/localized.h"
#include "platform/defaults/user_defaults.h"
#include "platform/json/date_strategy.h"
#include "platform/json/json_reader.h"
#include "platform/json/json_writer.h"
#include "platform/json/value_reader.h"
#include "platform/locale/date_formatter.h"
#include "platform/notifications/notification_center.h"

namespace vigilix {

namespace json = platform::json;

namespace {
constexpr const char* kIsAwakeKey = "isAwake";
constexpr const char* kUntilKey = "until";
constexpr const char* kRequestValueKey = "value";
constexpr const char* kRequestAtKey = "at";
}  // namespace

VGXControlState::VGXControlState(bool isAwake, std::optional<platform::Date> until)
    : isAwake_(isAwake), until_(isAwake ? until : std::nullopt) {}

// Stored form -----------------------------------------------------------------

std::expected<platform::Bytes, json::EncodingError> VGXControlState::encode() const {
  json::Value object = json::Value::object();
  object[kIsAwakeKey] = isAwake_;
  if (until_) object[kUntilKey] = json::encodeDate(*until_);
  auto text = json::write(object);
  if (!text) return std::unexpected(text.error());
  return platform::Bytes(text->begin(), text->end());
}

std::expected<VGXControlState, json::DecodingError> VGXControlState::decode(
    const platform::Bytes& data) {
  auto document = json::parse(data);
  if (!document) return std::unexpected(document.error());
  auto object = json::ValueReader(*document).asObject();
  if (!object) return std::unexpected(object.error());
  auto isAwake = object->requireBool(kIsAwakeKey);
  if (!isAwake) return std::unexpected(isAwake.error());
  auto until = object->optionalDate(kUntilKey);
  if (!until) return std::unexpected(until.error());
  // As found: a stored end time is kept even when not awake.
  VGXControlState state;
  state.isAwake_ = *isAwake;
  state.until_ = *until;
  return state;
}

// Shared state ----------------------------------------------------------------

namespace {

// The stored state as this process last read the suite.
std::optional<VGXControlState> storedState(const platform::UserDefaults& defaults) {
  const auto data = defaults.dataValue(VGXControlState::defaultsKey);
  if (!data) return std::nullopt;
  return VGXControlState::decode(*data).value_or(VGXControlState());
}

}  // namespace

VGXControlState VGXControlState::read(platform::UserDefaults* defaults) {
  if (!defaults) return {};
  defaults->synchronize();
  return storedState(*defaults).value_or(VGXControlState());
}

bool VGXControlState::write(platform::UserDefaults* defaults) const {
  if (!defaults) return false;
  auto data = encode();
  if (!data) return false;
  defaults->synchronize();
  // Undecodable stored data counts as not awake with no end.
  if (const auto stored = storedState(*defaults); stored && *stored == *this) return false;
  defaults->set(defaultsKey, std::move(*data));
  defaults->synchronize();
  return true;
}

// Requests --------------------------------------------------------------------

void VGXControlState::postRequest(bool value, platform::Date now,
                                  platform::UserDefaults* defaults) {
  if (defaults) {
    defaults->set(requestKey, platform::PropertyDictionary{
                                  {kRequestValueKey, value},
                                  {kRequestAtKey, now.timeIntervalSince1970()},
                              });
    defaults->synchronize();
  }
  platform::DistributedNotificationCenter::current().post(requestNotification,
                                                          std::string(value ? "1" : "0"));
}

std::optional<bool> VGXControlState::takeRequest(platform::Date now,
                                                 platform::UserDefaults* defaults) {
  if (!defaults) return std::nullopt;
  defaults->synchronize();
  const auto request = defaults->dictionaryValue(requestKey);
  if (!request) return std::nullopt;
  // Consumed from here on, whether or not it is accepted.
  defaults->remove(requestKey);
  defaults->synchronize();

  const auto value = request->find(kRequestValueKey);
  const auto at = request->find(kRequestAtKey);
  if (value == request->end() || !value->second.isBool()) return std::nullopt;
  if (at == request->end() || !at->second.isNumber()) return std::nullopt;
  const double stamped = at->second.isInteger()
                             ? static_cast<double>(std::get<std::int64_t>(at->second.value))
                             : std::get<double>(at->second.value);
  const double age = now.timeIntervalSince1970() - stamped;
  // NaN fails both comparisons and is refused with the rest.
  if (!(age >= -requestFutureTolerance && age <= requestLifetime)) return std::nullopt;
  return std::get<bool>(value->second.value);
}

// Text ------------------------------------------------------------------------

std::string VGXControlState::valueText() const {
  if (!isAwake_) return platform::localized("Off", "Control Center value while not kept awake");
  if (!until_) return platform::localized("On", "Control Center value while kept awake");
  platform::DateFormatter formatter;
  formatter.setDateStyle(platform::DateFormatStyle::noStyle);
  formatter.setTimeStyle(platform::DateFormatStyle::shortStyle);
  return platform::fillPlaceholders(
      platform::localized("Until %@", "Control Center value of a timed keep-awake; %@ is the end"),
      {formatter.stringFromDate(*until_)});
}

}  // namespace vigilix
