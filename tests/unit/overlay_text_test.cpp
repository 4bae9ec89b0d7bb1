// Panel text and fade arithmetic: the box a caption gets, what reaches the renderer, and the
// opacity of every frame of a fade.
#include "gui/FadeCurve.h"
#include "gui/Text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <vector>

namespace {

// A font where every glyph's aspect tells which character was asked for; like the game's font it
// has no line feed, and a glyph it lacks is 1 wide, as the renderer draws it.
float aspect(uint32_t code) {
  static const std::map<uint32_t, float> glyphs{
      {'A', 0.5f}, {'B', 0.75f}, {'0', 0.625f}, {' ', 0.875f}, {0xE9, 1.25f}, {0x20AC, 2.0f}};  // é, €
  auto glyph = glyphs.find(code);
  return glyph == glyphs.end() ? 1.0f : glyph->second;
}

gui::TextSize measure(const std::string& text) { return gui::measureText(text, 24, aspect); }

TEST(PanelText, BoxesFollowTheOneLateLineRuleAndCountCodePoints) {
  EXPECT_EQ(measure("AB").width, 30);  // (0.5 + 0.75) * 24
  // The first line takes A, the line feed (a glyph the font lacks) and B; the second line is empty.
  gui::TextSize twoLines = measure("A\nB");
  EXPECT_EQ(twoLines.width, 54);
  EXPECT_EQ(twoLines.height, 48);
  EXPECT_EQ(measure("AB\n").height, 24);  // a trailing line feed adds no line
  // A blank is as wide as the overlay draws it, neither a '0' nor the font's own blank glyph.
  EXPECT_EQ(measure("A B").width, static_cast<int>((0.5f + gui::blankAspect + 0.75f) * 24));
  EXPECT_EQ(measure("").height, 24);
  EXPECT_EQ(measure("\xC3\xA9").width, 30);        // é is one glyph, not two unknown bytes
  EXPECT_EQ(measure("\xE2\x82\xAC" "A").width, 60);  // € then A
}

TEST(PanelText, OnlyWellFormedUtf8ReachesTheRenderer) {
  EXPECT_EQ(gui::validUtf8("ok \xC3\xA9"), "ok \xC3\xA9");
  EXPECT_EQ(gui::validUtf8("a\xFF" "b"), "a?b");
  EXPECT_EQ(gui::validUtf8("\xC0\xAF"), "??");               // overlong '/'
  EXPECT_EQ(gui::validUtf8("\xED\xA0\x80"), "???");          // a surrogate
  EXPECT_EQ(gui::validUtf8("x\xE2\x82"), "x??");             // cut in the middle
  EXPECT_EQ(gui::validUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
  // A limit never splits a character.
  EXPECT_EQ(gui::validUtf8("ab\xE2\x82\xAC", 4), "ab");
  EXPECT_EQ(gui::validUtf8("ab\xE2\x82\xAC", 5), "ab\xE2\x82\xAC");
}

// The opacity applied on each frame until the fade stops.
std::vector<double> frames(bool fadeIn, double duration) {
  FadeCurve fade;
  fade.start(fadeIn, duration);
  std::vector<double> applied;
  while (fade.state != FadeState::None && applied.size() < 1000) {
    applied.push_back(fade.alpha);
    fade.step(0.05);
  }
  return applied;
}

TEST(FadeCurve, FadesLastTwentyFramesAUnitAndUnusableLengthsStillEnd) {
  std::vector<double> out = frames(false, 1);
  ASSERT_EQ(out.size(), 20u);
  EXPECT_NEAR(out.back(), 0.95, 1e-9);
  EXPECT_NEAR(frames(false, 2)[1], 0.025, 1e-9);
  EXPECT_DOUBLE_EQ(frames(true, 1).front(), 1.0);
  EXPECT_EQ(frames(true, 0), frames(true, 1));   // no length means one unit
  EXPECT_EQ(frames(true, -3), frames(true, 3));  // a negative length counts by its size
  EXPECT_EQ(frames(false, std::nan("")), out);
  EXPECT_EQ(frames(true, std::numeric_limits<double>::infinity()), frames(true, 1));

  // Only the end of a fade-in takes the cover away, once.
  for (bool fadeIn : {true, false}) {
    FadeCurve fade;
    fade.start(fadeIn, 1);
    int ends = 0;
    for (int i = 0; i < 30; ++i)
      ends += fade.step(0.05);
    EXPECT_EQ(ends, fadeIn ? 1 : 0);
  }
}

}  // namespace
