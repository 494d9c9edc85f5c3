#include "platform/base/format_placeholders.h"

#include <cctype>
#include <cstddef>

namespace vigilix::platform {
namespace {

// Length of an argument conversion ("@", "d", "ld", "lld", ...) at the start
// of `rest`, 0 when there is none.
std::size_t conversionLength(std::string_view rest) {
  if (rest.starts_with("@")) return 1;
  std::size_t length = 0;
  if (rest.starts_with("ll")) {
    length = 2;
  } else if (rest.starts_with("l")) {
    length = 1;
  }
  if (length < rest.size()) {
    char c = rest[length];
    if (c == 'd' || c == 'i' || c == 'u') return length + 1;
  }
  return 0;
}

}  // namespace

std::string fillPlaceholders(std::string_view format, const std::vector<std::string>& arguments) {
  std::string out;
  out.reserve(format.size());
  std::size_t nextArgument = 0;
  std::size_t i = 0;
  while (i < format.size()) {
    char c = format[i];
    if (c != '%' || i + 1 >= format.size()) {
      out.push_back(c);
      ++i;
      continue;
    }
    std::string_view rest = format.substr(i + 1);
    if (rest.front() == '%') {
      out.push_back('%');
      i += 2;
      continue;
    }
    // Positional form: digits then "$".
    std::size_t digits = 0;
    while (digits < rest.size() && std::isdigit(static_cast<unsigned char>(rest[digits]))) ++digits;
    std::size_t position = 0;  // 0 = next in order
    std::size_t prefix = 0;
    if (digits > 0 && digits < 4 && digits < rest.size() && rest[digits] == '$') {
      position = std::stoul(std::string(rest.substr(0, digits)));
      prefix = digits + 1;
    }
    std::size_t conversion = conversionLength(rest.substr(prefix));
    if (conversion == 0 || (prefix > 0 && position == 0)) {
      out.push_back('%');
      ++i;
      continue;
    }
    std::size_t index = position > 0 ? position - 1 : nextArgument++;
    if (index < arguments.size()) out += arguments[index];
    i += 1 + prefix + conversion;
  }
  return out;
}

}  // namespace vigilix::platform
