#include "platform/json/json_reader.h"

namespace vigilix::platform::json {

std::expected<Value, DecodingError> parse(std::string_view text) {
  // No exceptions cross this boundary: the parser reports a discarded value.
  Value value = Value::parse(text.begin(), text.end(), nullptr, /*allow_exceptions=*/false);
  if (value.is_discarded()) {
    return std::unexpected(DecodingError{
        DecodingError::Kind::dataCorrupted, {}, "The given data was not valid JSON."});
  }
  return value;
}

std::expected<Value, DecodingError> parse(const std::vector<std::uint8_t>& bytes) {
  return parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace vigilix::platform::json
