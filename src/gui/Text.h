// Text for overlay panels: UTF-8 made safe to hand to the overlay renderer, and the size a text
// takes in the panel font. Free of the engine so the measuring rule can be checked on its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace gui {

// The text with every byte that is not part of a well-formed UTF-8 sequence replaced by '?',
// cut before the sequence that would pass maxBytes.
std::string validUtf8(const std::string& text, size_t maxBytes = std::string::npos);

// The most bytes of text an overlay element is given: pages more than a screen shows, since the
// overlay renderer keeps a few hundred bytes of vertices for every character it is handed.
constexpr size_t captionBytes = 16384;

// validUtf8 cut at captionBytes, with one log line naming the element when the text was longer.
std::string captionText(const std::string& element, const std::string& text);

// Width over height of a glyph; 1 for one the font does not have, as the overlay renderer draws it.
using GlyphAspect = std::function<float(uint32_t codePoint)>;

// Width over height of a blank, as the game's own overlays draw it (their space_width); the
// renderer draws a blank at a set width, never as a glyph.
constexpr float blankAspect = 0.3f;

struct TextSize {
  int width = 0;
  int height = 0;
};

// The box a text needs at a character height, by code point: blanks at blankAspect, every other
// character, the line feed too, as its glyph. Each line break is noticed one character late, so a
// line's width includes the line feed and the first character of the next line; layouts are made
// to that rule. A trailing line feed adds no line.
TextSize measureText(const std::string& utf8, float charHeight, const GlyphAspect& aspect);

}  // namespace gui
