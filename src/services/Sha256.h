// SHA-256 as FIPS 180-2 defines it, in the classic three-call form (init, update, final) over a
// two-block buffer, and a small hasher that turns one byte string into its hexadecimal digest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

struct Sha256Context {
  uint64_t totalLength;    // bytes already compressed in whole blocks; 64-bit, so any size is right
  uint32_t pendingLength;  // bytes waiting in the buffer, under 64 between calls
  uint8_t buffer[128];     // room for the two blocks the final padding may need
  uint32_t state[8];
};

namespace Sha256 {

void init(Sha256Context& context);
void update(Sha256Context& context, const uint8_t* bytes, size_t length);
void final(Sha256Context& context, uint8_t out[32]);
// The compression function over that many consecutive 64-byte blocks.
void transform(Sha256Context& context, const uint8_t* bytes, size_t blocks);

}  // namespace Sha256

class Sha256Hasher {
public:
  // Frees any previous result, then digests the bytes.
  void hash(const uint8_t* bytes, size_t length);
  // 64 lower-case hex digits, built once per hash; "" before the first hash.
  const char* hexDigest();

private:
  void reset();

  std::unique_ptr<char[]> hex;
  Sha256Context context{};
  std::unique_ptr<uint8_t[]> digest;
};

// Hex digest of the first length bytes of the text. The length is clamped to the text (negative
// is 0), because scripts pass it separately and may get it wrong.
std::string hashText(const std::string& text, int64_t length);
