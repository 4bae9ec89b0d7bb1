// SHA-256 against FIPS 180-2 vectors and digests computed once with sha256sum: padding at the
// one/two block edges, updates split anywhere, lengths beyond 32 bits of bit count, and the
// clamped lengths scripts may pass.
#include "services/Sha256.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const char* const emptyDigest = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
const char* const abcDigest = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

std::string digestOf(const std::string& text) {
  return hashText(text, static_cast<int64_t>(text.size()));
}

std::string hex(const uint8_t digest[32]) {
  char text[65];
  for (int i = 0; i < 32; ++i)
    std::snprintf(text + 2 * i, 3, "%02x", digest[i]);
  return text;
}

TEST(Sha256, FipsVectors) {
  EXPECT_EQ(digestOf("abc"), abcDigest);
  EXPECT_EQ(digestOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(digestOf(std::string(1000000, 'a')),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
  EXPECT_EQ(digestOf(""), emptyDigest);
}

TEST(Sha256, PaddingAtBlockEdges) {
  const std::pair<size_t, const char*> cases[] = {
      {55, "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
      {56, "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
      {63, "7d3e74a05d7db15bce4ad9ec0658ea98e3f06eeecf16b4c6fff2da457ddc2f34"},
      {64, "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
      {65, "635361c48bb9eab14198e76ea8ab7f1a41685d6ad62aa9146d301d4f17eb0ae0"}};
  for (const auto& [length, digest] : cases)
    EXPECT_EQ(digestOf(std::string(length, 'a')), digest) << length << " bytes";
}

TEST(Sha256, UpdatesSplitAnywhereGiveTheOneCallDigest) {
  std::vector<uint8_t> message(300);
  for (size_t i = 0; i < message.size(); ++i)
    message[i] = static_cast<uint8_t>(i * 7 + 3);
  Sha256Context whole;
  uint8_t expected[32];
  Sha256::init(whole);
  Sha256::update(whole, message.data(), message.size());
  Sha256::final(whole, expected);

  for (size_t first = 0; first <= message.size(); first += 13) {
    for (size_t second : {size_t(0), size_t(1), size_t(63), size_t(64), size_t(130)}) {
      size_t cut = std::min(message.size(), first + second);
      Sha256Context parts;
      uint8_t digest[32];
      Sha256::init(parts);
      Sha256::update(parts, message.data(), first);
      Sha256::update(parts, message.data() + first, cut - first);
      Sha256::update(parts, message.data() + cut, message.size() - cut);
      Sha256::final(parts, digest);
      EXPECT_EQ(hex(digest), hex(expected)) << "pieces " << first << ", " << cut - first;
    }
  }
}

TEST(Sha256, BitLengthBeyond32Bits) {
  // 512 MiB + 1 byte: a 32-bit bit count would wrap to 8 bits.
  std::vector<uint8_t> zeros(1 << 20);
  Sha256Context context;
  Sha256::init(context);
  for (int i = 0; i < 512; ++i)
    Sha256::update(context, zeros.data(), zeros.size());
  Sha256::update(context, zeros.data(), 1);
  uint8_t digest[32];
  Sha256::final(context, digest);
  EXPECT_EQ(hex(digest), "7c40fe5ce847740d0f0d0cdde3949d6585804cdec3ae61a15b923165699c8137");
}

TEST(Sha256, LengthsAreClampedToTheText) {
  EXPECT_EQ(hashText("abcdef", 3), abcDigest);
  EXPECT_EQ(hashText("abc", 0), emptyDigest);
  EXPECT_EQ(hashText("abc", -1), emptyDigest);
  EXPECT_EQ(hashText("abc", INT64_MIN), emptyDigest);
  EXPECT_EQ(hashText("abc", 4), abcDigest);
  EXPECT_EQ(hashText("abc", INT64_MAX), abcDigest);
  EXPECT_EQ(hashText(std::string("a\0b", 3), 3),
            "59b271ae1bbcb1d31d41929817f4b16fb439eb4f31520b5ad1d5ce98920a7138");
}

}  // namespace
