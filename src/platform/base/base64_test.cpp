#include "platform/base/base64.h"

#include <gtest/gtest.h>

namespace vigilix::platform {
namespace {

std::vector<std::uint8_t> bytesOf(std::string_view text) { return {text.begin(), text.end()}; }

TEST(Base64Test, EncodesWithPaddingForEveryRemainder) {
  EXPECT_EQ(base64Encode({}), "");
  EXPECT_EQ(base64Encode(bytesOf("f")), "Zg==");
  EXPECT_EQ(base64Encode(bytesOf("fo")), "Zm8=");
  EXPECT_EQ(base64Encode(bytesOf("foo")), "Zm9v");
  EXPECT_EQ(base64Encode(bytesOf("foobar")), "Zm9vYmFy");
  // The two characters that differ between alphabets.
  EXPECT_EQ(base64Encode({0xFB, 0xFF, 0xBF}), "+/+/");
}

TEST(Base64Test, DecodesWhatItEncodes) {
  std::vector<std::uint8_t> all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<std::uint8_t>(i));
  for (std::size_t n = 0; n <= all.size(); n += 37) {
    std::vector<std::uint8_t> part(all.begin(), all.begin() + static_cast<long>(n));
    EXPECT_EQ(base64Decode(base64Encode(part)), part) << n;
  }
  EXPECT_EQ(base64Decode(""), std::vector<std::uint8_t>{});
  EXPECT_EQ(base64Decode("Zg=="), bytesOf("f"));
  EXPECT_EQ(base64Decode("Zm8="), bytesOf("fo"));
}

TEST(Base64Test, RefusesMalformedText) {
  for (const char* bad : {"Zg", "Zg=", "Zm9vY", "Z===", "Zg=a", "Zm=v", "Zg==Zg==", "Zm9v\n",
                          "Zm 9v", "Zm9-", "Zm9_", "====", "Zm9v===="}) {
    EXPECT_FALSE(base64Decode(bad).has_value()) << bad;
  }
}

}  // namespace
}  // namespace vigilix::platform
