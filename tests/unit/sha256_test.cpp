// SHA-256 against FIPS 180-2 vectors and digests computed once with sha256sum: padding at the
// one/two block edges, and the clamped lengths scripts may pass.
#include "services/Sha256.h"

#include <gtest/gtest.h>

namespace {

const char* const emptyDigest = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
const char* const abcDigest = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

TEST(Sha256, KnownDigestsAtTheBlockEdgesAndLengthsClampedToTheText) {
  EXPECT_EQ(hashText("abc", 3), abcDigest);
  const std::pair<size_t, const char*> cases[] = {
      {55, "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
      {56, "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
      {64, "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
      {65, "635361c48bb9eab14198e76ea8ab7f1a41685d6ad62aa9146d301d4f17eb0ae0"}};
  for (const auto& [length, digest] : cases)
    EXPECT_EQ(hashText(std::string(length, 'a'), length), digest) << length << " bytes";

  EXPECT_EQ(hashText("abcdef", 3), abcDigest);
  EXPECT_EQ(hashText("abc", -1), emptyDigest);
  EXPECT_EQ(hashText("abc", INT64_MAX), abcDigest);
  EXPECT_EQ(hashText(std::string("a\0b", 3), 3), "59b271ae1bbcb1d31d41929817f4b16fb439eb4f31520b5ad1d5ce98920a7138");
}

}  // namespace
