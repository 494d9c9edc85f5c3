#include "platform/base/property_value.h"

#include <fmt/format.h>

#include <ostream>

#include "platform/base/date_format.h"

namespace vigilix::platform {
namespace {

std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string realText(double d) {
  std::string text = fmt::format("{}", d);
  if (text.find_first_of(".eEn") == std::string::npos) text += ".0";  // keep it visibly real
  return text;
}

}  // namespace

std::string debugDescription(const PropertyValue& value) {
  struct Visitor {
    std::string operator()(bool b) const { return b ? "true" : "false"; }
    std::string operator()(std::int64_t i) const { return fmt::format("{}", i); }
    std::string operator()(double d) const { return realText(d); }
    std::string operator()(const std::string& s) const { return quoted(s); }
    std::string operator()(const Bytes& bytes) const {
      std::string out = "<";
      for (auto b : bytes) out += fmt::format("{:02x}", b);
      return out + ">";
    }
    std::string operator()(const Date& date) const { return dateDescription(date); }
    std::string operator()(const PropertyArray& array) const {
      std::string out = "[";
      for (std::size_t i = 0; i < array.size(); ++i) {
        if (i > 0) out += ", ";
        out += debugDescription(array[i]);
      }
      return out + "]";
    }
    std::string operator()(const PropertyDictionary& dictionary) const {
      std::string out = "{";
      bool first = true;
      for (const auto& [key, member] : dictionary) {
        if (!first) out += ", ";
        first = false;
        out += quoted(key) + ": " + debugDescription(member);
      }
      return out + "}";
    }
  };
  return std::visit(Visitor{}, value.value);
}

void PrintTo(const PropertyValue& value, std::ostream* os) { *os << debugDescription(value); }

}  // namespace vigilix::platform
