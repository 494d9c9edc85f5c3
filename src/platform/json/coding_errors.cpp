#include "platform/json/coding_errors.h"

#include <fmt/format.h>

#include <ostream>

namespace vigilix::platform::json {
namespace {

std::string_view kindName(DecodingError::Kind kind) {
  switch (kind) {
    case DecodingError::Kind::typeMismatch:
      return "typeMismatch";
    case DecodingError::Kind::valueNotFound:
      return "valueNotFound";
    case DecodingError::Kind::keyNotFound:
      return "keyNotFound";
    case DecodingError::Kind::dataCorrupted:
      return "dataCorrupted";
  }
  return "dataCorrupted";
}

}  // namespace

std::string codingPathText(const CodingPath& path) {
  std::string out;
  for (const auto& key : path) {
    if (!out.empty()) out += '.';
    out += key;
  }
  return out;
}

std::string indexKey(std::size_t index) { return fmt::format("Index {}", index); }

std::string DecodingError::localizedDescription() const {
  // Missing keys and values read as "missing", every other fault as a bad
  // format (the two Cocoa coder errors).
  if (kind == Kind::keyNotFound || kind == Kind::valueNotFound) {
    return "The data couldn\u2019t be read because it is missing.";
  }
  return "The data couldn\u2019t be read because it isn\u2019t in the correct format.";
}

std::string DecodingError::description() const {
  if (codingPath.empty()) return fmt::format("{}: {}", kindName(kind), debugDescription);
  return fmt::format("{} at {}: {}", kindName(kind), codingPathText(codingPath), debugDescription);
}

std::string EncodingError::localizedDescription() const {
  return "The data couldn\u2019t be written because it isn\u2019t in the correct format.";
}

std::string EncodingError::description() const {
  if (codingPath.empty()) return fmt::format("invalidValue: {}", debugDescription);
  return fmt::format("invalidValue at {}: {}", codingPathText(codingPath), debugDescription);
}

void PrintTo(const DecodingError& error, std::ostream* os) { *os << error.description(); }
void PrintTo(const EncodingError& error, std::ostream* os) { *os << error.description(); }

}  // namespace vigilix::platform::json
