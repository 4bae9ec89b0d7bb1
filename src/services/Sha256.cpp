// The one-shot digest: libcrypto picks the CPU's SHA instructions where it has them.
#include "services/Sha256.h"

#include <openssl/sha.h>

#include <algorithm>

std::string hashText(const std::string& text, int64_t length) {
  size_t used = length <= 0 ? 0 : std::min(static_cast<size_t>(length), text.size());
  unsigned char digest[SHA256_DIGEST_LENGTH];
  SHA256(reinterpret_cast<const unsigned char*>(text.data()), used, digest);
  static const char digits[] = "0123456789abcdef";
  std::string hex(2 * SHA256_DIGEST_LENGTH, '0');
  for (int i = 0; i < SHA256_DIGEST_LENGTH; ++i) {
    hex[2 * i] = digits[digest[i] >> 4];
    hex[2 * i + 1] = digits[digest[i] & 15];
  }
  return hex;
}
