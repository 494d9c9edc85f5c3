#include "platform/defaults/property_list_codec.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>

namespace vigilix::platform {
namespace {

const PropertyValue kEveryKind = PropertyDictionary{
    {"bool", true},
    {"false", false},
    {"zero", 0},
    {"negative", std::int64_t{-1800}},
    {"min", std::numeric_limits<std::int64_t>::min()},
    {"max", std::numeric_limits<std::int64_t>::max()},
    {"real", 1799.5},
    {"text", "Vigilix – wach"},
    {"empty", ""},
    {"data", Bytes{0, 1, 254, 255}},
    {"list", PropertyArray{1, "two", PropertyArray{}, PropertyDictionary{}}},
    {"nested", PropertyDictionary{{"run.tarvo.vigilix.ControlRequest",
                                   PropertyDictionary{{"value", false}, {"at", 1767603600.25}}}}},
};

TEST(PropertyListCodec, EveryKindRoundTripsInBothFormats) {
  for (auto format : {PropertyListFormat::Binary, PropertyListFormat::Xml}) {
    auto encoded = encodePropertyList(kEveryKind, format);
    ASSERT_TRUE(encoded.has_value()) << encoded.error();
    auto decoded = decodePropertyList(*encoded);
    ASSERT_TRUE(decoded.has_value()) << decoded.error();
    EXPECT_EQ(*decoded, kEveryKind);
  }
}

TEST(PropertyListCodec, BinaryKeepsDateFractionsAndXmlWholeSeconds) {
  const PropertyValue precise = PropertyArray{Date(789300000.25), Date(0.5), Date(0), Date(-86400)};
  auto binary = decodePropertyList(*encodePropertyList(precise, PropertyListFormat::Binary));
  EXPECT_EQ(binary, precise);

  const PropertyValue whole = PropertyArray{Date(789300000), Date(-86400)};
  auto xml = decodePropertyList(*encodePropertyList(whole, PropertyListFormat::Xml));
  EXPECT_EQ(xml, whole);
}

TEST(PropertyListCodec, ReadsXmlWrittenElsewhere) {
  const std::string text = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>run.tarvo.vigilix.TimeInterval</key>
	<integer>-5</integer>
	<key>run.tarvo.vigilix.AllowDisplaySleep</key>
	<true/>
	<key>run.tarvo.vigilix.BatteryCapacityThreshold</key>
	<real>20.5</real>
	<key>when</key>
	<date>2026-01-05T09:00:00Z</date>
	<key>blob</key>
	<data>AAEC</data>
</dict>
</plist>
)";
  auto decoded = decodePropertyList(text);
  ASSERT_TRUE(decoded.has_value()) << decoded.error();
  EXPECT_EQ(*decoded, (PropertyValue(PropertyDictionary{
                          {"run.tarvo.vigilix.TimeInterval", -5},
                          {"run.tarvo.vigilix.AllowDisplaySleep", true},
                          {"run.tarvo.vigilix.BatteryCapacityThreshold", 20.5},
                          {"when", Date::fromTimeIntervalSince1970(1767603600)},
                          {"blob", Bytes{0, 1, 2}},
                      })));
}

TEST(PropertyListCodec, ReadsANegativeIntegerFromABinaryListWrittenElsewhere) {
  // "bplist00", one 8-byte integer object (0x13) holding -1, its offset, trailer.
  std::string bytes = "bplist00";
  bytes += '\x13';
  bytes += std::string(8, '\xff');
  bytes += '\x08';
  const char trailer[32] = {0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 1,
                            0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 17};
  bytes.append(trailer, sizeof trailer);
  EXPECT_EQ(decodePropertyList(bytes), PropertyValue(std::int64_t{-1}));
}

TEST(PropertyListCodec, DamagedInputIsAnError) {
  EXPECT_FALSE(decodePropertyList("").has_value());
  EXPECT_FALSE(decodePropertyList("not a property list").has_value());
  EXPECT_FALSE(decodePropertyList("bplist00\x08\x09garbage").has_value());
  EXPECT_FALSE(decodePropertyList("<?xml version=\"1.0\"?><plist><dict><key>a</key>").has_value());
  // A NUL inside a key or text made libplist abort the process when the text was read.
  using namespace std::string_view_literals;
  struct Row {
    const char* name;
    std::string_view bytes;
  };
  const Row rows[] = {
      {"XML text",
       "<plist version=\"1.0\"><dict><key>a</key><string>x\0y</string></dict></plist>"sv},
      {"binary key",
       "\x62\x70\x6c\x69\x73\x74\x30\x30\xd3\x01\x02\x03\x04\x05\x06\x5f\x10\x1b\x56\x47"
       "\x58\x43\x6c\x6f\x73\x65\x64\x4c\x69\x64\x42\x61\x74\x74\x65\x72\x79\x43\x61\x70"
       "\x48\x6f\x75\x72\x73\x5f\x10\x18\x56\x47\x58\x43\x6c\x6f\x73\x65\x64\x4c\x69\x64"
       "\x42\x61\x74\x74\x10\x5a\x08\x08\x0f\x2d\x48\x62\x6b\x6d\x00\x56\x47\x58\x44\x69"
       "\x73\x61\x05\x00\x00\x00\x00\x00\x00\x00\x64\x4c\x69\x64\x4d\x6f\x64\x65\x13\xff"
       "\xff\xff\xff\xff\xff\xff\xfc\x10\x5a\x08\x08\x0f\x2d\x48\x62\x6b\x6d\x00\x01\x00"
       "\x00\x00\x00\x01\x01\x00\x00\x00\x00\x00\x00\x00\x07\x00\x00\x00\x00\x00\x00\x00"
       "\x00\x00\x00\x00\x00\x00\x00\x00\x6e"sv},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(decodePropertyList(row.bytes), std::unexpected("NUL character in a key or text"));
  }
}

TEST(PropertyListCodec, DatesBeyondTheLibrarysRangeAreAnError) {
  using namespace std::string_view_literals;
  // A binary list holding one date: NaN, then 1e30 seconds.
  for (auto bytes : {"bplist00\x33\x7f\xf8\x00\x00\x00\x00\x00\x00\x08\x00\x00\x00\x00\x00\x00"
                     "\x01\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00"
                     "\x00\x00\x00\x00\x00\x00\x00\x00\x11"sv,
                     "bplist00\x33\x46\x29\x3e\x59\x39\xa0\x8c\xea\x08\x00\x00\x00\x00\x00\x00"
                     "\x01\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00"
                     "\x00\x00\x00\x00\x00\x00\x00\x00\x11"sv}) {
    EXPECT_EQ(decodePropertyList(bytes), std::unexpected("date out of range"));
  }
}

TEST(PropertyListCodec, RefusesWhatItCannotStoreExactly) {
  const auto refuse = [](const PropertyValue& value) {
    return !encodePropertyList(value, PropertyListFormat::Binary).has_value();
  };
  EXPECT_TRUE(refuse(Date::distantFuture()));
  EXPECT_TRUE(refuse(Date(std::numeric_limits<double>::quiet_NaN())));
  EXPECT_TRUE(refuse(Date(-0.5)));  // would read back as +0.5
  EXPECT_TRUE(refuse(std::string("a\0b", 3)));
  EXPECT_TRUE(refuse(PropertyDictionary{{std::string("k\0", 2), 1}}));
  EXPECT_TRUE(refuse(PropertyArray{PropertyDictionary{{"deep", Date::distantPast()}}}));
  EXPECT_FALSE(refuse(Date(2147483647)));

  PropertyValue deep = PropertyArray{};
  for (int i = 0; i < 300; ++i) deep = PropertyArray{deep};
  EXPECT_TRUE(refuse(deep));
}

}  // namespace
}  // namespace vigilix::platform
