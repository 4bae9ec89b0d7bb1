// SHA-256 of the texts scripts hash, through OpenSSL's libcrypto.
#pragma once

#include <cstdint>
#include <string>

// Hex digest of the first length bytes of the text. The length is clamped to the text (negative
// is 0), because scripts pass it separately and may get it wrong.
std::string hashText(const std::string& text, int64_t length);
