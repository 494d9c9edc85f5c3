#include "platform/json/json_writer.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/json/number_text.h"

namespace vigilix::platform::json {
namespace {

char lowerAscii(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Returns <0, 0, >0 comparing numerically and case-insensitively.
int looseCompare(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (isDigit(a[i]) && isDigit(b[j])) {
      std::size_t ei = i;
      std::size_t ej = j;
      while (ei < a.size() && isDigit(a[ei])) ++ei;
      while (ej < b.size() && isDigit(b[ej])) ++ej;
      std::string_view na = a.substr(i, ei - i);
      std::string_view nb = b.substr(j, ej - j);
      while (na.size() > 1 && na.front() == '0') na.remove_prefix(1);
      while (nb.size() > 1 && nb.front() == '0') nb.remove_prefix(1);
      if (na.size() != nb.size()) return na.size() < nb.size() ? -1 : 1;
      if (int c = na.compare(nb); c != 0) return c;
      i = ei;
      j = ej;
      continue;
    }
    char ca = lowerAscii(a[i]);
    char cb = lowerAscii(b[j]);
    if (ca != cb) return static_cast<unsigned char>(ca) < static_cast<unsigned char>(cb) ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

// Length of the valid UTF-8 sequence at text[i], 0 when invalid.
std::size_t utf8SequenceLength(std::string_view text, std::size_t i) {
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  unsigned char c = byte(i);
  std::size_t length;
  std::uint32_t cp;
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3;
    cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4;
    cp = c & 0x07;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (byte(i + k) & 0x3F);
  }
  if ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF))) return 0;
  if (cp >= 0xD800 && cp <= 0xDFFF) return 0;
  return length;
}

class Writer {
 public:
  explicit Writer(const WriteOptions& options) : options_(options) {}

  bool value(const Value& v, int depth) {
    switch (v.type()) {
      case Value::value_t::null:
        out_ += "null";
        return true;
      case Value::value_t::boolean:
        out_ += v.get<bool>() ? "true" : "false";
        return true;
      case Value::value_t::number_integer:
        out_ += fmt::format("{}", v.get<std::int64_t>());
        return true;
      case Value::value_t::number_unsigned:
        out_ += fmt::format("{}", v.get<std::uint64_t>());
        return true;
      case Value::value_t::number_float: {
        auto text = numberText(v.get<double>());
        if (!text)
          return fail(fmt::format("Unable to encode {} directly in JSON.",
                                  describeNonFinite(v.get<double>())));
        out_ += *text;
        return true;
      }
      case Value::value_t::string:
        return string(v.get_ref<const std::string&>());
      case Value::value_t::array:
        return array(v, depth);
      case Value::value_t::object:
        return object(v, depth);
      case Value::value_t::binary:
      case Value::value_t::discarded:
        return fail("Unable to encode this value in JSON.");
    }
    return fail("Unable to encode this value in JSON.");
  }

  std::string& output() { return out_; }
  EncodingError& error() { return error_; }

 private:
  static std::string describeNonFinite(double d) {
    if (std::isnan(d)) return "Double.nan";
    return d > 0 ? "Double.infinity" : "-Double.infinity";
  }

  bool fail(std::string message) {
    error_ = EncodingError{path_, std::move(message)};
    return false;
  }

  void newline(int depth) {
    if (!options_.prettyPrinted) return;
    out_ += '\n';
    out_.append(static_cast<std::size_t>(depth) * 2, ' ');
  }

  bool string(std::string_view s) {
    out_ += '"';
    for (std::size_t i = 0; i < s.size();) {
      unsigned char c = static_cast<unsigned char>(s[i]);
      if (c >= 0x80) {
        std::size_t length = utf8SequenceLength(s, i);
        if (length == 0) return fail("Unable to encode a string that is not valid UTF-8.");
        out_.append(s.substr(i, length));
        i += length;
        continue;
      }
      switch (c) {
        case '"':
          out_ += "\\\"";
          break;
        case '\\':
          out_ += "\\\\";
          break;
        case '/':
          out_ += options_.withoutEscapingSlashes ? "/" : "\\/";
          break;
        case '\b':
          out_ += "\\b";
          break;
        case '\f':
          out_ += "\\f";
          break;
        case '\n':
          out_ += "\\n";
          break;
        case '\r':
          out_ += "\\r";
          break;
        case '\t':
          out_ += "\\t";
          break;
        default:
          if (c < 0x20) {
            out_ += fmt::format("\\u{:04x}", c);
          } else {
            out_ += static_cast<char>(c);
          }
      }
      ++i;
    }
    out_ += '"';
    return true;
  }

  bool array(const Value& v, int depth) {
    if (v.empty()) {
      out_ += "[]";
      return true;
    }
    out_ += '[';
    std::size_t index = 0;
    for (const auto& element : v) {
      if (index > 0) out_ += ',';
      newline(depth + 1);
      path_.push_back(indexKey(index));
      if (!value(element, depth + 1)) return false;
      path_.pop_back();
      ++index;
    }
    newline(depth);
    out_ += ']';
    return true;
  }

  bool object(const Value& v, int depth) {
    if (v.empty()) {
      out_ += "{}";
      return true;
    }
    std::vector<std::pair<const std::string*, const Value*>> members;
    members.reserve(v.size());
    for (auto it = v.begin(); it != v.end(); ++it) members.emplace_back(&it.key(), &it.value());
    if (options_.sortedKeys) {
      std::stable_sort(members.begin(), members.end(), [](const auto& a, const auto& b) {
        return compareKeys(*a.first, *b.first);
      });
    }
    out_ += '{';
    bool first = true;
    for (const auto& [key, member] : members) {
      if (!first) out_ += ',';
      first = false;
      newline(depth + 1);
      path_.push_back(*key);
      if (!string(*key)) return false;
      out_ += options_.prettyPrinted ? " : " : ":";
      if (!value(*member, depth + 1)) return false;
      path_.pop_back();
    }
    newline(depth);
    out_ += '}';
    return true;
  }

  const WriteOptions& options_;
  std::string out_;
  CodingPath path_;
  EncodingError error_;
};

}  // namespace

bool compareKeys(std::string_view a, std::string_view b) {
  int loose = looseCompare(a, b);
  if (loose != 0) return loose < 0;
  return a < b;
}

std::expected<std::string, EncodingError> write(const Value& value, const WriteOptions& options) {
  Writer writer(options);
  if (!writer.value(value, 0)) return std::unexpected(std::move(writer.error()));
  return std::move(writer.output());
}

}  // namespace vigilix::platform::json
