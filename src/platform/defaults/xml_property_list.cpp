#include "platform/defaults/xml_property_list.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <utility>

#include "platform/base/base64.h"
#include "platform/base/text.h"
#include "platform/defaults/property_list_codec.h"
#include "platform/defaults/property_list_text.h"

namespace vigilix::platform {

namespace {

using Error = std::unexpected<std::string>;

constexpr std::int64_t kSecondsPerDay = 86'400;
constexpr std::int64_t kUnixSecondsAt2001 = 978'307'200;

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t daysFromCivil(std::int64_t year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

struct Civil {
  std::int64_t year;
  int month;
  int day;
};

Civil civilFromDays(std::int64_t days) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const std::int64_t dayOfEra = days - era * 146097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t shifted = (5 * dayOfYear + 2) / 153;
  const int day = static_cast<int>(dayOfYear - (153 * shifted + 2) / 5 + 1);
  const int month = static_cast<int>(shifted < 10 ? shifted + 3 : shifted - 9);
  return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

int daysInMonth(std::int64_t year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

std::optional<std::int64_t> digitsValue(std::string_view text) {
  std::int64_t value = 0;
  if (text.empty()) return std::nullopt;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::optional<Date> parseDate(std::string_view text) {
  const bool negative = text.starts_with('-');
  if (negative) text.remove_prefix(1);
  const std::size_t yearDigits = text.find('-');
  if (yearDigits == std::string_view::npos || yearDigits > 8 || text.size() != yearDigits + 16 ||
      text.substr(yearDigits + 15) != "Z" || text[yearDigits + 3] != '-' ||
      text[yearDigits + 6] != 'T' || text[yearDigits + 9] != ':' || text[yearDigits + 12] != ':') {
    return std::nullopt;
  }
  const auto year = digitsValue(text.substr(0, yearDigits));
  const auto month = digitsValue(text.substr(yearDigits + 1, 2));
  const auto day = digitsValue(text.substr(yearDigits + 4, 2));
  const auto hour = digitsValue(text.substr(yearDigits + 7, 2));
  const auto minute = digitsValue(text.substr(yearDigits + 10, 2));
  const auto second = digitsValue(text.substr(yearDigits + 13, 2));
  if (!year || !month || !day || !hour || !minute || !second || *month < 1 || *month > 12 ||
      *hour > 23 || *minute > 59 || *second > 59) {
    return std::nullopt;
  }
  const std::int64_t signedYear = negative ? -*year : *year;
  if (*day < 1 || *day > daysInMonth(signedYear, static_cast<int>(*month))) return std::nullopt;
  const std::int64_t days =
      daysFromCivil(signedYear, static_cast<int>(*month), static_cast<int>(*day));
  const std::int64_t seconds = days * kSecondsPerDay + *hour * 3600 + *minute * 60 + *second;
  return Date(static_cast<double>(seconds - kUnixSecondsAt2001));
}

std::expected<std::string, std::string> dateText(Date date) {
  const double since = date.timeIntervalSinceReferenceDate();
  // About 95 million years: inside the reader's eight year digits, and every
  // second below it is exact in a double.
  constexpr double kLimit = 3.0e15;
  if (!std::isfinite(since) || std::trunc(since) != since || std::fabs(since) > kLimit) {
    return Error("date cannot be written in XML exactly");
  }
  const std::int64_t seconds = static_cast<std::int64_t>(since) + kUnixSecondsAt2001;
  std::int64_t days = seconds / kSecondsPerDay;
  std::int64_t rest = seconds % kSecondsPerDay;
  if (rest < 0) rest += kSecondsPerDay, days -= 1;
  const Civil civil = civilFromDays(days);
  char text[48];
  const auto length = std::snprintf(
      text, sizeof text, "%s%04lld-%02d-%02dT%02lld:%02lld:%02lldZ", civil.year < 0 ? "-" : "",
      static_cast<long long>(civil.year < 0 ? -civil.year : civil.year), civil.month, civil.day,
      static_cast<long long>(rest / 3600), static_cast<long long>(rest / 60 % 60),
      static_cast<long long>(rest % 60));
  return std::string(text, static_cast<std::size_t>(length));
}

std::string_view trimmed(std::string_view text) {
  const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return text;
}

std::optional<std::int64_t> parseInteger(std::string_view text) {
  text = trimmed(text);
  bool negative = false;
  if (text.starts_with('-') || text.starts_with('+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.starts_with("0x") || text.starts_with("0X")) base = 16, text.remove_prefix(2);
  std::uint64_t magnitude = 0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  constexpr std::uint64_t kMaxPositive = std::uint64_t{1} << 63;
  if (negative) {
    if (magnitude > kMaxPositive) return std::nullopt;
    return static_cast<std::int64_t>(0 - magnitude);
  }
  if (magnitude >= kMaxPositive) return std::nullopt;
  return static_cast<std::int64_t>(magnitude);
}

std::optional<double> parseReal(std::string_view text) {
  text = trimmed(text);
  if (text.starts_with('+')) text.remove_prefix(1);
  if (text.empty() || text.starts_with('+')) return std::nullopt;
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  // Too large or too small for a double reads as infinity or zero, as the
  // text asks; anything else unread is damage.
  if (error == std::errc::result_out_of_range) return std::nullopt;
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string realText(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "+infinity" : "-infinity";
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

class Reader {
 public:
  explicit Reader(std::string_view bytes) : s_(bytes) {}

  std::expected<PropertyValue, std::string> read() {
    if (s_.starts_with("\xEF\xBB\xBF")) p_ = 3;
    if (auto skipped = skipProlog(); !skipped) return Error(skipped.error());
    auto tag = openTag();
    if (!tag) return Error(tag.error());
    std::expected<PropertyValue, std::string> value;
    if (tag->name == "plist") {
      if (tag->empty) return Error("empty property list");
      if (auto skipped = skipSpace(); !skipped) return Error(skipped.error());
      auto inner = openTag();
      if (!inner) return Error(inner.error());
      value = valueOf(*inner, 0);
      if (!value) return value;
      if (auto skipped = skipSpace(); !skipped) return Error(skipped.error());
      if (auto closed = closeTag("plist"); !closed) return Error(closed.error());
    } else {
      value = valueOf(*tag, 0);
      if (!value) return value;
    }
    if (auto skipped = skipProlog(); !skipped) return Error(skipped.error());
    if (p_ != s_.size()) return Error("content after the property list");
    return value;
  }

 private:
  struct Tag {
    std::string_view name;
    bool empty = false;  // <name/>
  };

  bool at(std::string_view text) const { return s_.substr(p_).starts_with(text); }

  std::expected<void, std::string> skipPast(std::string_view end) {
    const std::size_t found = s_.find(end, p_);
    if (found == std::string_view::npos) return Error("unterminated markup");
    p_ = found + end.size();
    return {};
  }

  void skipWhite() {
    while (p_ < s_.size() &&
           (s_[p_] == ' ' || s_[p_] == '\t' || s_[p_] == '\n' || s_[p_] == '\r')) {
      ++p_;
    }
  }

  // White space and comments between elements.
  std::expected<void, std::string> skipSpace() {
    for (;;) {
      skipWhite();
      if (!at("<!--")) return {};
      if (auto skipped = skipPast("-->"); !skipped) return skipped;
    }
  }

  // The declaration, processing instructions, comments and the document type.
  std::expected<void, std::string> skipProlog() {
    for (;;) {
      skipWhite();
      if (at("<?")) {
        if (auto skipped = skipPast("?>"); !skipped) return skipped;
      } else if (at("<!--")) {
        if (auto skipped = skipPast("-->"); !skipped) return skipped;
      } else if (at("<!DOCTYPE")) {
        int depth = 0;
        for (; p_ < s_.size(); ++p_) {
          if (s_[p_] == '[') ++depth;
          if (s_[p_] == ']') --depth;
          if (s_[p_] == '>' && depth <= 0) break;
        }
        if (p_ == s_.size()) return Error("unterminated document type");
        ++p_;
      } else {
        return {};
      }
    }
  }

  std::expected<Tag, std::string> openTag() {
    if (!at("<") || at("</")) return Error("element expected");
    ++p_;
    const std::size_t start = p_;
    while (p_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[p_])) != 0 ||
                              s_[p_] == '_' || s_[p_] == ':' || s_[p_] == '-' || s_[p_] == '.')) {
      ++p_;
    }
    Tag tag{s_.substr(start, p_ - start), false};
    if (tag.name.empty()) return Error("element expected");
    // Attributes are skipped; a quoted value may hold '>'.
    char quote = 0;
    for (; p_ < s_.size(); ++p_) {
      const char c = s_[p_];
      if (quote != 0) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '>') {
        tag.empty = s_[p_ - 1] == '/';
        ++p_;
        return tag;
      }
    }
    return Error("unterminated element");
  }

  std::expected<void, std::string> closeTag(std::string_view name) {
    if (!at("</") || !s_.substr(p_ + 2).starts_with(name)) {
      return Error("</" + std::string(name) + "> expected");
    }
    p_ += 2 + name.size();
    skipWhite();
    if (!at(">")) return Error("</" + std::string(name) + "> expected");
    ++p_;
    return {};
  }

  std::expected<void, std::string> appendReference(std::string& out) {
    const std::size_t end = s_.find(';', p_);
    if (end == std::string_view::npos || end - p_ > 12) return Error("damaged character reference");
    const std::string_view name = s_.substr(p_ + 1, end - p_ - 1);
    p_ = end + 1;
    static constexpr std::pair<std::string_view, char> kNamed[] = {
        {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
    for (const auto& [entity, character] : kNamed) {
      if (name == entity) {
        out += character;
        return {};
      }
    }
    if (!name.starts_with('#')) return Error("unknown entity");
    std::string_view digits = name.substr(1);
    int base = 10;
    if (digits.starts_with('x')) base = 16, digits.remove_prefix(1);
    std::uint32_t codePoint = 0;
    const auto [stop, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), codePoint, base);
    if (digits.empty() || error != std::errc() || stop != digits.data() + digits.size() ||
        codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
      return Error("damaged character reference");
    }
    plist_text::appendCodePoint(out, codePoint);
    return {};
  }

  // The character data up to the element's end tag.
  std::expected<std::string, std::string> text(const Tag& tag) {
    std::string out;
    if (tag.empty) return out;
    for (;;) {
      const std::size_t next = s_.find_first_of("<&", p_);
      if (next == std::string_view::npos) return Error("unterminated text");
      out.append(s_.substr(p_, next - p_));
      p_ = next;
      if (s_[p_] == '&') {
        if (auto appended = appendReference(out); !appended) return Error(appended.error());
      } else if (at("<![CDATA[")) {
        const std::size_t end = s_.find("]]>", p_);
        if (end == std::string_view::npos) return Error("unterminated text");
        out.append(s_.substr(p_ + 9, end - p_ - 9));
        p_ = end + 3;
      } else if (at("<!--")) {
        if (auto skipped = skipPast("-->"); !skipped) return Error(skipped.error());
      } else {
        if (auto closed = closeTag(tag.name); !closed) return Error(closed.error());
        return out;
      }
    }
  }

  std::expected<PropertyValue, std::string> valueOf(const Tag& tag, int depth) {
    if (depth > kPropertyListMaxDepth) return Error("property list nested too deeply");
    const std::string_view name = tag.name;
    if (name == "dict" || name == "array") return container(tag, depth);
    if (name == "true" || name == "false") {
      if (!tag.empty) {
        if (auto closed = closeTag(name); !closed) return Error(closed.error());
      }
      return PropertyValue(name == "true");
    }
    auto content = text(tag);
    if (!content) return Error(content.error());
    if (name == "string") return PropertyValue(std::move(*content));
    if (name == "integer") {
      if (auto number = parseInteger(*content)) return PropertyValue(*number);
      return Error("damaged integer");
    }
    if (name == "real") {
      if (auto number = parseReal(*content)) return PropertyValue(*number);
      return Error("damaged real");
    }
    if (name == "date") {
      if (auto date = parseDate(trimmed(*content))) return PropertyValue(*date);
      return Error("damaged date");
    }
    if (name == "data") {
      std::string compact;
      for (char c : *content) {
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') compact += c;
      }
      if (auto bytes = base64Decode(compact)) return PropertyValue(std::move(*bytes));
      return Error("damaged data");
    }
    return Error("unsupported element <" + std::string(name) + ">");
  }

  std::expected<PropertyValue, std::string> container(const Tag& tag, int depth) {
    const bool isDict = tag.name == "dict";
    PropertyArray items;
    PropertyDictionary entries;
    if (tag.empty) return isDict ? PropertyValue(entries) : PropertyValue(items);
    for (;;) {
      if (auto skipped = skipSpace(); !skipped) return Error(skipped.error());
      if (at("</")) break;
      std::optional<std::string> key;
      if (isDict) {
        auto keyTag = openTag();
        if (!keyTag) return Error(keyTag.error());
        if (keyTag->name != "key") return Error("<key> expected");
        auto keyText = text(*keyTag);
        if (!keyText) return Error(keyText.error());
        key = std::move(*keyText);
        if (auto skipped = skipSpace(); !skipped) return Error(skipped.error());
      }
      auto itemTag = openTag();
      if (!itemTag) return Error(itemTag.error());
      auto item = valueOf(*itemTag, depth + 1);
      if (!item) return item;
      if (key) {
        entries[std::move(*key)] = std::move(*item);
      } else {
        items.push_back(std::move(*item));
      }
    }
    if (auto closed = closeTag(tag.name); !closed) return Error(closed.error());
    return isDict ? PropertyValue(std::move(entries)) : PropertyValue(std::move(items));
  }

  std::string_view s_;
  std::size_t p_ = 0;
};

class Writer {
 public:
  std::string out;

  std::expected<void, std::string> write(const PropertyValue& value, int depth) {
    if (depth > kPropertyListMaxDepth) return Error("property list nested too deeply");
    const std::string indent(static_cast<std::size_t>(depth), '\t');
    if (const auto* array = std::get_if<PropertyArray>(&value.value)) {
      if (array->empty()) return line(indent, "<array/>");
      line(indent, "<array>");
      for (const auto& item : *array) {
        if (auto written = write(item, depth + 1); !written) return written;
      }
      return line(indent, "</array>");
    }
    if (const auto* dict = std::get_if<PropertyDictionary>(&value.value)) {
      if (dict->empty()) return line(indent, "<dict/>");
      line(indent, "<dict>");
      for (const auto& [key, item] : *dict) {
        line(indent + '\t', "<key>" + escapeXmlText(key) + "</key>");
        if (auto written = write(item, depth + 1); !written) return written;
      }
      return line(indent, "</dict>");
    }
    if (const auto* flag = std::get_if<bool>(&value.value)) {
      return line(indent, *flag ? "<true/>" : "<false/>");
    }
    if (const auto* integer = std::get_if<std::int64_t>(&value.value)) {
      return line(indent, "<integer>" + std::to_string(*integer) + "</integer>");
    }
    if (const auto* real = std::get_if<double>(&value.value)) {
      return line(indent, "<real>" + realText(*real) + "</real>");
    }
    if (const auto* string = std::get_if<std::string>(&value.value)) {
      return line(indent, "<string>" + escapeXmlText(*string) + "</string>");
    }
    if (const auto* bytes = std::get_if<Bytes>(&value.value)) {
      return line(indent, "<data>" + base64Encode(*bytes) + "</data>");
    }
    auto date = dateText(std::get<Date>(value.value));
    if (!date) return Error(date.error());
    return line(indent, "<date>" + *date + "</date>");
  }

 private:
  std::expected<void, std::string> line(const std::string& indent, const std::string& text) {
    out += indent;
    out += text;
    out += '\n';
    return {};
  }
};

}  // namespace

std::expected<PropertyValue, std::string> decodeXmlPropertyList(std::string_view bytes) {
  return Reader(bytes).read();
}

std::expected<std::string, std::string> encodeXmlPropertyList(const PropertyValue& value) {
  Writer writer;
  writer.out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
      "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
      "<plist version=\"1.0\">\n";
  // The top value sits at the left margin, one level below <plist>.
  if (auto written = writer.write(value, 0); !written) return Error(written.error());
  writer.out += "</plist>\n";
  return std::move(writer.out);
}

}  // namespace vigilix::platform
