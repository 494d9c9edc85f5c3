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
      // The padding fits in the last block, just fits, or takes one more.
      {"55 bytes", std::string(55, 'a'),
       "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
      {"56 bytes", std::string(56, 'a'),
       "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
      {"63 bytes", std::string(63, 'a'),
       "7d3e74a05d7db15bce4ad9ec0658ea98e3f06eeecf16b4c6fff2da457ddc2f34"},
      {"64 bytes", std::string(64, 'a'),
       "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
      {"119 bytes", std::string(119, 'a'),
       "31eba51c313a5c08226adf18d4a359cfdfd8d2e816b13f4af952f7ea6584dcfb"},
      {"120 bytes", std::string(120, 'a'),
       "2f3d335432c70b580af0e8e1b3674a7c020d683aa5f73aaaedfdc55af904c21c"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(sha256HexString(sha256(row.message)), row.hex);
  }
}

// A stream gives the digest of everything fed, however it was cut into pieces.
TEST(Sha256Test, StreamedPiecesGiveTheWholeDigest) {
  std::string message;
  for (int round = 0; round < 3; ++round) {
    for (int byte = 0; byte < 256; ++byte) message.push_back(static_cast<char>(byte));
  }
  const char* hex = "f3a25aa93aa2fbba28d79260535bbd6a5eb0fc1c24a8b0f04e12b484c1dfe363";
  struct Row {
    const char* name;
    std::size_t piece;
  };
  const Row rows[] = {
      {"one byte at a time", 1}, {"less than a block", 63}, {"exactly a block", 64},
      {"more than a block", 65}, {"odd pieces", 100},       {"all at once", 768},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Sha256Stream stream;
    for (std::size_t at = 0; at < message.size(); at += row.piece) {
      stream.update(std::string_view(message).substr(at, row.piece));
    }
    EXPECT_EQ(sha256HexString(stream.finish()), hex);
  }
}

}  // namespace
}  // namespace vigilix::platform
