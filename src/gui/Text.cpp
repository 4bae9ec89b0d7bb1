#include "gui/Text.h"

#include "core/Log.h"

#include <algorithm>

namespace gui {

namespace {

// Length of the well-formed sequence starting at i, 0 if there is none; the code point in out.
size_t sequenceAt(const std::string& text, size_t i, uint32_t& out) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) {
    out = lead;
    return 1;
  }
  size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
  if (length == 0 || i + length > text.size())
    return 0;
  uint32_t code = lead & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80)
      return 0;
    code = code << 6 | (byte(i + k) & 0x3F);
  }
  // Overlong forms, surrogates and values past the last plane are not characters.
  const uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < smallest[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
    return 0;
  out = code;
  return length;
}

}  // namespace

std::string validUtf8(const std::string& text, size_t maxBytes) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    uint32_t code = 0;
    size_t length = sequenceAt(text, i, code);
    const size_t taken = length ? length : 1;
    if (out.size() + taken > maxBytes)
      break;
    out.append(length ? text.substr(i, length) : std::string("?"));
    i += taken;
  }
  return out;
}

std::string captionText(const std::string& element, const std::string& text) {
  if (text.size() > captionBytes)
    core::log("Overlay text of " + element + " cut to its first " + std::to_string(captionBytes) + " bytes");
  return validUtf8(text, captionBytes);
}

TextSize measureText(const std::string& utf8, float charHeight, const GlyphAspect& aspect) {
  const std::string text = validUtf8(utf8);
  float height = static_cast<float>(static_cast<int>(charHeight));
  float line = 0.0f, widest = 0.0f;
  uint32_t previous = 0;
  for (size_t i = 0; i < text.size();) {
    uint32_t code = 0;
    const size_t length = sequenceAt(text, i, code);
    line += code == ' ' ? blankAspect : aspect(code);
    if (i > 0 && previous == '\n') {
      widest = std::max(widest, line);
      line = 0.0f;
      height = static_cast<float>(static_cast<int>(height + charHeight));
    }
    previous = code;
    i += length;
  }
  widest = std::max(widest, line);
  return {static_cast<int>(widest * charHeight), static_cast<int>(height)};
}

}  // namespace gui
