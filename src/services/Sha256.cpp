// Our own SHA-256: FIPS 180-2 constants, message schedule and padding. It works on the caller's
// bytes in place and copies only partial blocks into the context.
#include "services/Sha256.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

const uint32_t roundConstants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

inline uint32_t rotr(uint32_t x, int n) {
  return (x >> n) | (x << (32 - n));
}

inline uint32_t loadBigEndian(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

inline void storeBigEndian(uint32_t x, uint8_t* p) {
  p[0] = uint8_t(x >> 24);
  p[1] = uint8_t(x >> 16);
  p[2] = uint8_t(x >> 8);
  p[3] = uint8_t(x);
}

}  // namespace

namespace Sha256 {

void init(Sha256Context& context) {
  static const uint32_t initial[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                      0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  std::memcpy(context.state, initial, sizeof initial);
  context.totalLength = 0;
  context.pendingLength = 0;
}

void transform(Sha256Context& context, const uint8_t* bytes, size_t blocks) {
  uint32_t w[64];
  for (size_t block = 0; block < blocks; ++block, bytes += 64) {
    for (int i = 0; i < 16; ++i)
      w[i] = loadBigEndian(bytes + 4 * i);
    for (int i = 16; i < 64; ++i) {
      uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
      uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
      w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    uint32_t a = context.state[0], b = context.state[1], c = context.state[2], d = context.state[3];
    uint32_t e = context.state[4], f = context.state[5], g = context.state[6], h = context.state[7];
    for (int i = 0; i < 64; ++i) {
      uint32_t t1 = h + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) + ((e & f) ^ (~e & g)) +
                    roundConstants[i] + w[i];
      uint32_t t2 = (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
      h = g;
      g = f;
      f = e;
      e = d + t1;
      d = c;
      c = b;
      b = a;
      a = t1 + t2;
    }
    context.state[0] += a;
    context.state[1] += b;
    context.state[2] += c;
    context.state[3] += d;
    context.state[4] += e;
    context.state[5] += f;
    context.state[6] += g;
    context.state[7] += h;
  }
}

void update(Sha256Context& context, const uint8_t* bytes, size_t length) {
  size_t room = 64 - context.pendingLength;
  size_t take = std::min(length, room);
  std::memcpy(context.buffer + context.pendingLength, bytes, take);
  if (length < room) {
    context.pendingLength += static_cast<uint32_t>(length);
    return;
  }
  size_t rest = length - take;
  size_t blocks = rest / 64;
  transform(context, context.buffer, 1);
  transform(context, bytes + take, blocks);
  size_t tail = rest % 64;
  std::memcpy(context.buffer, bytes + take + blocks * 64, tail);
  context.pendingLength = static_cast<uint32_t>(tail);
  context.totalLength += (blocks + 1) * 64;
}

void final(Sha256Context& context, uint8_t out[32]) {
  size_t blocks = context.pendingLength > 55 ? 2 : 1;
  uint64_t bits = (context.totalLength + context.pendingLength) * 8;
  size_t end = blocks * 64;
  std::memset(context.buffer + context.pendingLength, 0, end - context.pendingLength);
  context.buffer[context.pendingLength] = 0x80;
  storeBigEndian(uint32_t(bits >> 32), context.buffer + end - 8);
  storeBigEndian(uint32_t(bits), context.buffer + end - 4);
  transform(context, context.buffer, blocks);
  for (int i = 0; i < 8; ++i)
    storeBigEndian(context.state[i], out + 4 * i);
}

}  // namespace Sha256

void Sha256Hasher::hash(const uint8_t* bytes, size_t length) {
  reset();
  Sha256::init(context);
  if (length > 0)
    Sha256::update(context, bytes, length);
  digest = std::make_unique<uint8_t[]>(32);
  Sha256::final(context, digest.get());
}

const char* Sha256Hasher::hexDigest() {
  if (!digest)
    return "";
  if (!hex) {
    hex = std::make_unique<char[]>(65);
    for (int i = 0; i < 32; ++i)
      std::snprintf(hex.get() + 2 * i, 3, "%02x", digest[i]);
  }
  return hex.get();
}

void Sha256Hasher::reset() {
  hex.reset();
  digest.reset();
}

std::string hashText(const std::string& text, int64_t length) {
  size_t used = length <= 0 ? 0 : std::min(static_cast<size_t>(length), text.size());
  Sha256Hasher hasher;
  hasher.hash(reinterpret_cast<const uint8_t*>(text.data()), used);
  return hasher.hexDigest();
}
