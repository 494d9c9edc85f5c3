#include "platform/crypto/sha256.h"

#include <gtest/gtest.h>

#include <string>

namespace vigilix::platform {
namespace {

TEST(Sha256Test, HexDigestsOfTheNistExamples) {
  struct Row {
    const char* name;
    std::string message;
    const char* hex;
  };
  const Row rows[] = {
      {"empty message", "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"one block", "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"two blocks", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"one million a", std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
      {"bytes with zeros", std::string("a\0b", 3),
       "59b271ae1bbcb1d31d41929817f4b16fb439eb4f31520b5ad1d5ce98920a7138"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(sha256HexString(sha256(row.message)), row.hex);
  }
}

}  // namespace
}  // namespace vigilix::platform
