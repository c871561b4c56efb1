#include "library/Sha256.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string Hex(const Sha256::Digest& digest) {
  std::string text;
  char pair[3];
  for (const std::uint8_t byte : digest) {
    std::snprintf(pair, sizeof pair, "%02x", byte);
    text += pair;
  }
  return text;
}

std::span<const std::uint8_t> BytesOf(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// The test vectors of FIPS 180-2, appendix B, and of the empty message.
TEST(Sha256, KnownDigests) {
  const struct {
    std::string message;
    const char* digest;
  } cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& [message, digest] : cases) {
    EXPECT_EQ(Hex(Sha256::Of(BytesOf(message))), digest) << message.substr(0, 60);
    // The same bytes in pieces that straddle the 64-byte blocks.
    Sha256 pieces;
    const std::span<const std::uint8_t> bytes = BytesOf(message);
    for (std::size_t at = 0; at < bytes.size(); at += 37)
      pieces.Update(bytes.subspan(at, std::min<std::size_t>(37, bytes.size() - at)));
    EXPECT_EQ(Hex(pieces.Finish()), digest) << "in pieces: " << message.substr(0, 60);
  }
}

}  // namespace
