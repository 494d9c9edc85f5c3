#include "platform/json/object_builder.h"

#include "platform/json/data_coding.h"

namespace vigilix::platform::json {

ObjectBuilder& ObjectBuilder::set(std::string_view key, Value value) {
  object_[std::string(key)] = std::move(value);
  return *this;
}

ObjectBuilder& ObjectBuilder::setDate(std::string_view key, Date date) {
  return set(key, encodeDate(date, dates_));
}

ObjectBuilder& ObjectBuilder::setData(std::string_view key, const Bytes& bytes) {
  return set(key, encodeData(bytes));
}

ObjectBuilder& ObjectBuilder::setOptionalDate(std::string_view key,
                                              const std::optional<Date>& date) {
  if (date) setDate(key, *date);
  return *this;
}

ObjectBuilder& ObjectBuilder::setOptionalData(std::string_view key,
                                              const std::optional<Bytes>& bytes) {
  if (bytes) setData(key, *bytes);
  return *this;
}

}  // namespace vigilix::platform::json
