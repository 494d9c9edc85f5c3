#include "platform/defaults/property_list_codec.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>

namespace vigilix::platform {
namespace {

using namespace std::string_literals;

// A binary property list of the given object bodies (references one byte
// wide), the first one at the top.
std::string bplist(const std::vector<std::string>& objects) {
  std::string out = "bplist00";
  std::string table;
  for (const auto& body : objects) {
    table += static_cast<char>(out.size());
    out += body;
  }
  const auto tableOffset = static_cast<char>(out.size());
  out += table;
  out += "\0\0\0\0\0\0\x01\x01"s;
  out += std::string(7, '\0') + static_cast<char>(objects.size());
  out += std::string(8, '\0');
  out += std::string(7, '\0') + tableOffset;
  return out;
}

std::string bigEndianDouble(std::uint8_t marker, double value) {
  std::string out(1, static_cast<char>(marker));
  const auto raw = std::bit_cast<std::uint64_t>(value);
  for (int i = 7; i >= 0; --i) out += static_cast<char>((raw >> (8 * i)) & 0xFF);
  return out;
}

std::string xmlOf(std::string_view body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n" +
         std::string(body) + "\n</plist>\n";
}

TEST(PropertyListCodec, WritesTheExactFormats) {
  const PropertyValue value = PropertyDictionary{{"a", 1}};
  EXPECT_EQ(encodePropertyList(value, PropertyListFormat::Binary),
            "bplist00\xD1\x01\x02\x51\x61\x10\x01\x08\x0B\x0D"
            "\0\0\0\0\0\0\x01\x01\0\0\0\0\0\0\0\x03\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\x0F"s);

  const PropertyValue every = PropertyDictionary{
      {"b", true},
      {"d", Date(0)},
      {"i", -5},
      {"r", 20.5},
      {"s", "a<b&c"},
      {"x", Bytes{0, 1, 2}},
      {"l", PropertyArray{PropertyArray{}, PropertyDictionary{}}},
  };
  EXPECT_EQ(encodePropertyList(every, PropertyListFormat::Xml),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
            "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
            "<plist version=\"1.0\">\n"
            "<dict>\n"
            "\t<key>b</key>\n\t<true/>\n"
            "\t<key>d</key>\n\t<date>2001-01-01T00:00:00Z</date>\n"
            "\t<key>i</key>\n\t<integer>-5</integer>\n"
            "\t<key>l</key>\n\t<array>\n\t\t<array/>\n\t\t<dict/>\n\t</array>\n"
            "\t<key>r</key>\n\t<real>20.5</real>\n"
            "\t<key>s</key>\n\t<string>a&lt;b&amp;c</string>\n"
            "\t<key>x</key>\n\t<data>AAEC</data>\n"
            "</dict>\n"
            "</plist>\n");
}

// Values every format must give back exactly (XML: whole-second dates only).
TEST(PropertyListCodec, EveryValueReadsBackExactly) {
  struct Row {
    const char* name;
    PropertyValue value;
    bool xml = true;
  };
  const Row rows[] = {
      {"kinds", PropertyDictionary{{"bool", true},
                                   {"false", false},
                                   {"zero", 0},
                                   {"byte", 255},
                                   {"short", 65535},
                                   {"int", 16777216},
                                   {"long", std::int64_t{4294967296}},
                                   {"min", std::numeric_limits<std::int64_t>::min()},
                                   {"max", std::numeric_limits<std::int64_t>::max()},
                                   {"real", 1799.5},
                                   {"tiny", 5e-324},
                                   {"text", "Vigilix – wach 🚀"},
                                   {"empty", ""},
                                   {"data", Bytes{0, 1, 254, 255}},
                                   {"list", PropertyArray{1, "two", PropertyArray{}}}}},
      {"text with NUL", PropertyDictionary{{"k\0ey"s, "a\0b"s}}},
      {"Latin-1 text and key", PropertyDictionary{{"\xE9t\xE9", "\xE9t\xE9"}}},
      {"lone surrogate bytes", "\xED\xA0\x80"s},
      {"long text", std::string(70000, 'x') + "é"},
      {"dates past 2069 and before 1932",
       PropertyArray{Date::distantPast(), Date::distantFuture(), Date(-2'000'000'000),
                     Date(3'000'000'000), Date(0), Date(-86400)}},
      {"date fractions on either side of 2001",
       PropertyArray{Date(-0.5), Date(-1e-7), Date(0.25), Date(-977616000.5), Date(1e300)}, false},
      {"many entries",
       [] {
         PropertyDictionary many;
         for (int i = 0; i < 300; ++i) many["k" + std::to_string(i)] = i;
         return PropertyValue(many);
       }()},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    for (auto format : {PropertyListFormat::Binary, PropertyListFormat::Xml}) {
      if (format == PropertyListFormat::Xml && !row.xml) continue;
      auto encoded = encodePropertyList(row.value, format);
      ASSERT_TRUE(encoded.has_value()) << encoded.error();
      EXPECT_EQ(decodePropertyList(*encoded), row.value);
    }
  }
}

// Files written elsewhere, by hand or damaged: the value read, or none when
// the file is damaged.
TEST(PropertyListCodec, ReadsWhatOthersWrite) {
  struct Row {
    const char* name;
    std::string bytes;
    std::optional<PropertyValue> value;
  };
  const Row rows[] = {
      {"xml text with a NUL byte", "<plist><string>a\0b</string></plist>"s, "a\0b"s},
      {"xml key with a NUL byte", "<plist><dict><key>k\0</key><true/></dict></plist>"s,
       PropertyDictionary{{"k\0"s, true}}},
      {"xml character references", xmlOf("<string>&#0;&#xe9;&lt;&apos;<![CDATA[<&>]]></string>"),
       "\0é<'<&>"s},
      {"xml Latin-1", xmlOf("<dict><key>\xE9t\xE9</key><string>\xE9t\xE9</string></dict>"),
       PropertyDictionary{{"\xE9t\xE9", "\xE9t\xE9"}}},
      {"xml written elsewhere", R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<!-- a comment -->
<dict>
	<key>run.tarvo.vigilix.TimeInterval</key>
	<integer>-5</integer>
	<key>run.tarvo.vigilix.AllowDisplaySleep</key>
	<true/>
	<key>hex</key> <integer>0x10</integer>
	<key>run.tarvo.vigilix.BatteryCapacityThreshold</key>
	<real>20.5</real>
	<key>when</key>
	<date>2026-01-05T09:00:00Z</date>
	<key>blob</key>
	<data>
	AAEC
	</data>
	<key>empty</key><string/>
</dict>
</plist>
)",
       PropertyDictionary{{"run.tarvo.vigilix.TimeInterval", -5},
                          {"run.tarvo.vigilix.AllowDisplaySleep", true},
                          {"hex", 16},
                          {"run.tarvo.vigilix.BatteryCapacityThreshold", 20.5},
                          {"when", Date::fromTimeIntervalSince1970(1767603600)},
                          {"blob", Bytes{0, 1, 2}},
                          {"empty", ""}}},
      {"xml dates far from 2001",
       xmlOf("<array><date>2100-01-01T00:00:00Z</date><date>1900-01-01T00:00:00Z</date>"
             "<date>0001-01-01T00:00:00Z</date><date>-0001-12-31T23:59:59Z</date></array>"),
       PropertyArray{Date(3124137600), Date(-3187296000), Date(-63113904000),
                     Date(-63113904001 - 86400 * 366)}},
      {"xml reals",
       xmlOf("<array><real>+infinity</real><real>-inf</real><real>1e300</real>"
             "<real>.5</real></array>"),
       PropertyArray{std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity(), 1e300, 0.5}},
      {"xml integer limits",
       xmlOf("<array><integer>-9223372036854775808</integer>"
             "<integer>9223372036854775807</integer></array>"),
       PropertyArray{std::numeric_limits<std::int64_t>::min(),
                     std::numeric_limits<std::int64_t>::max()}},
      {"binary ascii text with NUL",
       bplist({"\x53"
               "a\0b"s}),
       "a\0b"s},
      {"binary utf-16 ending in half a pair", bplist({"\x62\x00\xE9\xD8\x3D"s}), "é\xED\xA0\xBD"s},
      {"binary utf-16 pair", bplist({"\x62\xD8\x3D\xDE\x80"s}), "🚀"},
      {"binary lone surrogate", bplist({"\x61\xD8\x00"s}), "\xED\xA0\x80"s},
      {"binary date after 2069", bplist({bigEndianDouble(0x33, 3e9)}), Date(3e9)},
      {"binary date before 1932", bplist({bigEndianDouble(0x33, -3e9)}), Date(-3e9)},
      {"binary date just before 2001", bplist({bigEndianDouble(0x33, -0.25)}), Date(-0.25)},
      {"binary huge date", bplist({bigEndianDouble(0x33, 1e300)}), Date(1e300)},
      {"binary float32 real", bplist({"\x22\x3F\xC0\x00\x00"s}), 1.5},
      {"binary negative integer", bplist({"\x13" + std::string(8, '\xff')}), -1},
      {"binary 16-byte integer", bplist({"\x14" + std::string(15, '\0') + "\x07"}), 7},
      {"binary 16-byte negative", bplist({"\x14" + std::string(16, '\xff')}), -1},
      {"binary integer beyond 64 bits",
       bplist({"\x14" + std::string(7, '\0') + "\x01" + std::string(8, '\0')}), std::nullopt},
      {"binary array referring to itself", bplist({"\xA1\x00"s}), std::nullopt},
      {"binary reference out of range", bplist({"\xA1\x05"s}), std::nullopt},
      {"binary key that is not text", bplist({"\xD1\x01\x01"s, "\x10\x01"s}), std::nullopt},
      {"binary null object", bplist({"\x00"s}), std::nullopt},
      {"binary uid", bplist({"\x80\x01"s}), std::nullopt},
      {"binary text past the end",
       bplist({"\x5F\x10\x7F"
               "ab"s}),
       std::nullopt},
      {"empty", "", std::nullopt},
      {"not a property list", "not a property list", std::nullopt},
      {"binary header only", "bplist00\x08\x09garbage", std::nullopt},
      {"xml unterminated", "<?xml version=\"1.0\"?><plist><dict><key>a</key>", std::nullopt},
      {"xml unknown element", xmlOf("<set/>"), std::nullopt},
      {"xml key outside a dictionary", xmlOf("<key>a</key>"), std::nullopt},
      {"xml dictionary without key", xmlOf("<dict><true/></dict>"), std::nullopt},
      {"xml integer beyond 64 bits", xmlOf("<integer>9223372036854775808</integer>"), std::nullopt},
      {"xml real out of range", xmlOf("<real>1e999</real>"), std::nullopt},
      {"xml date with impossible day", xmlOf("<date>2026-02-30T00:00:00Z</date>"), std::nullopt},
      {"xml date with a fraction", xmlOf("<date>2026-02-03T00:00:00.5Z</date>"), std::nullopt},
      {"xml bad data", xmlOf("<data>!!</data>"), std::nullopt},
      {"xml bad reference", xmlOf("<string>&#xD800;</string>"), std::nullopt},
      {"xml two values", xmlOf("<true/><false/>"), std::nullopt},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    auto decoded = decodePropertyList(row.bytes);
    if (!row.value) {
      EXPECT_FALSE(decoded.has_value()) << debugDescription(*decoded);
      continue;
    }
    ASSERT_TRUE(decoded.has_value()) << decoded.error();
    EXPECT_EQ(*decoded, *row.value);
    // What was read writes back and reads the same.
    auto again = encodePropertyList(*decoded, PropertyListFormat::Binary);
    ASSERT_TRUE(again.has_value()) << again.error();
    EXPECT_EQ(decodePropertyList(*again), *row.value);
  }
}

TEST(PropertyListCodec, NotANumberDatesAndRealsKeepTheirBits) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  auto decoded = decodePropertyList(
      bplist({"\xA2\x01\x02"s, bigEndianDouble(0x33, nan), bigEndianDouble(0x23, -nan)}));
  ASSERT_TRUE(decoded.has_value()) << decoded.error();
  const auto& items = std::get<PropertyArray>(decoded->value);
  EXPECT_TRUE(std::isnan(std::get<Date>(items[0].value).timeIntervalSinceReferenceDate()));
  EXPECT_TRUE(std::signbit(std::get<double>(items[1].value)));
  auto again = encodePropertyList(*decoded, PropertyListFormat::Binary);
  EXPECT_EQ(again, encodePropertyList(*decodePropertyList(*again), PropertyListFormat::Binary));
}

TEST(PropertyListCodec, RefusesWhatAFormatCannotHold) {
  struct Row {
    const char* name;
    PropertyValue value;
    PropertyListFormat format;
  };
  PropertyValue deep = PropertyArray{};
  for (int i = 0; i < 300; ++i) deep = PropertyArray{deep};
  const Row rows[] = {
      {"deep binary", deep, PropertyListFormat::Binary},
      {"deep xml", deep, PropertyListFormat::Xml},
      {"xml date fraction", PropertyArray{Date(0.5)}, PropertyListFormat::Xml},
      {"xml date not a number", Date(std::numeric_limits<double>::quiet_NaN()),
       PropertyListFormat::Xml},
      {"xml date beyond its years", Date(1e300), PropertyListFormat::Xml},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_FALSE(encodePropertyList(row.value, row.format).has_value());
  }
  // Nesting just inside the limit is kept.
  PropertyValue limit = PropertyArray{};
  for (int i = 0; i < 255; ++i) limit = PropertyArray{limit};
  EXPECT_EQ(decodePropertyList(*encodePropertyList(limit, PropertyListFormat::Binary)), limit);
}

}  // namespace
}  // namespace vigilix::platform
