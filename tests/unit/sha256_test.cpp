// GetHash's digest as lower-case hex, of the text's first bytes up to the length a script passes,
// clamped to the text. SHA-256 itself is libcrypto's.
#include "services/Sha256.h"

#include <gtest/gtest.h>

namespace {

const char* const abcDigest = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

TEST(Sha256, HexDigestOfTheTextUpToItsClampedLength) {
  EXPECT_EQ(hashText("abcdef", 3), abcDigest);
  EXPECT_EQ(hashText("abc", INT64_MAX), abcDigest);
  EXPECT_EQ(hashText("abc", -1), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(hashText(std::string("a\0b", 3), 3), "59b271ae1bbcb1d31d41929817f4b16fb439eb4f31520b5ad1d5ce98920a7138");
}

}  // namespace
