#include "core/dzl_event.h"

#include <fmt/format.h>

#include <charconv>
#include <cmath>

#include "platform/base/hex.h"

namespace vigilix {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isSchemeCharacter(char c, bool first) {
  const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  if (first) return letter;
  return letter || isDigit(c) || c == '+' || c == '-' || c == '.';
}

std::string_view lastComponent(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  if (path == "/") return path;
  const auto slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::optional<DZLEvent> DZLEvent::eventForURL(std::string_view url) {
  const auto colon = url.find(':');
  if (colon == std::string_view::npos || colon == 0) return std::nullopt;
  for (std::size_t i = 0; i < colon; ++i) {
    if (!isSchemeCharacter(url[i], i == 0)) return std::nullopt;
  }
  std::string_view rest = url.substr(colon + 1);
  if (const auto hash = rest.find('#'); hash != std::string_view::npos) rest = rest.substr(0, hash);
  std::optional<std::string_view> query;
  if (const auto mark = rest.find('?'); mark != std::string_view::npos) {
    query = rest.substr(mark + 1);
    rest = rest.substr(0, mark);
  }
  std::string_view host;
  if (rest.starts_with("//")) {
    rest.remove_prefix(2);
    const auto slash = rest.find('/');
    host = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
  }

  const auto name = platform::percentDecoded(rest.empty() ? host : lastComponent(rest));
  if (!name) return std::nullopt;
  DZLEvent event{.name = *name, .arguments = std::nullopt};
  if (!query) return event;
  Arguments arguments;
  std::string_view items = *query;
  while (!items.empty()) {
    const auto amp = items.find('&');
    const std::string_view item = items.substr(0, amp);
    items = amp == std::string_view::npos ? std::string_view() : items.substr(amp + 1);
    if (item.empty()) continue;
    const auto equals = item.find('=');
    const auto key = platform::percentDecoded(item.substr(0, equals));
    const auto value = platform::percentDecoded(
        equals == std::string_view::npos ? std::string_view() : item.substr(equals + 1));
    if (!key || !value) return std::nullopt;
    arguments[*key] = *value;
  }
  if (!arguments.empty()) event.arguments = std::move(arguments);
  return event;
}

std::string DZLEvent::debugDescription() const {
  std::string text;
  if (arguments) {
    for (const auto& [key, value] : *arguments) {
      text += fmt::format("\n\t\t{} = {};", key, value);
    }
    text = "{" + text + "\n\t}";
  } else {
    text = "(null)";
  }
  return fmt::format("{{\n\tname: {},\n\targuments: {}\n}}", name, text);
}

double dzl_argumentNumberValue(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size() && isBlank(text[start])) ++start;
  std::size_t end = start;
  if (end < text.size() && (text[end] == '+' || text[end] == '-')) ++end;
  const std::size_t digitsStart = end;
  while (end < text.size() && isDigit(text[end])) ++end;
  std::size_t digits = end - digitsStart;
  if (end < text.size() && text[end] == '.') {
    const std::size_t fraction = ++end;
    while (end < text.size() && isDigit(text[end])) ++end;
    digits += end - fraction;
  }
  if (digits == 0) return 0;
  if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
    std::size_t exponent = end + 1;
    if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) ++exponent;
    if (exponent < text.size() && isDigit(text[exponent])) {
      while (exponent < text.size() && isDigit(text[exponent])) ++exponent;
      end = exponent;
    }
  }
  // from_chars takes no leading "+".
  std::size_t from = start;
  if (text[from] == '+') ++from;
  double value = 0;
  const auto [ptr, error] = std::from_chars(text.data() + from, text.data() + end, value);
  (void)ptr;
  if (error != std::errc() || !std::isfinite(value)) return 0;
  return value;
}

bool dzl_argumentBoolValue(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && isBlank(text[i])) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  while (i < text.size() && text[i] == '0') ++i;
  if (i == text.size()) return false;
  const char c = text[i];
  return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

}  // namespace vigilix
