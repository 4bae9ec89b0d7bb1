// Mouse routing without devices: a press and its release on either side of a web panel's edge.
// Key statements and whole clicks run through real X events in the e2e tier.
#include "input/MouseRouter.h"
#include "states/StateStack.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

// Panels at x >= 100; the test reads what they were given and what the scripts were told.
struct InputMouseRouting : ::testing::Test, ScriptSink, WebPanelInput {
  uint64_t getTopNavi(int x, int) const override { return x >= 100 ? 1 : 0; }
  void injectMouseWheel(int) override {}
  void injectMouseMove(int x, int y) override { given.push_back("move " + std::to_string(x) + " " + std::to_string(y)); }
  void injectMouseDown(int button) override { given.push_back("down " + std::to_string(button)); }
  void injectMouseUp(int button) override { given.push_back("up " + std::to_string(button)); }
  void run(const std::string& statement) override { statements.push_back(statement); }

  // The button goes down, or up, at (x, 10).
  void button(int x, OIS::MouseButtonID id, bool down) {
    OIS::MouseState state;
    state.X.abs = x;
    state.Y.abs = 10;
    down ? router.mousePressed({nullptr, state}, id) : router.mouseReleased({nullptr, state}, id);
  }

  Strings given, statements;
  StateStack states;
  MouseRouter router{*this, *this, states, nullptr, ""};
};

TEST_F(InputMouseRouting, PressAndReleaseAreEachAskedWhereTheyHappen) {
  button(200, OIS::MB_Left, true);
  button(20, OIS::MB_Left, false);
  button(20, OIS::MB_Middle, true);
  button(200, OIS::MB_Middle, false);
  // Each press and release elsewhere than the last move moves the panels there first: OIS
  // reports the move that came with a click after the click.
  EXPECT_EQ(given, (Strings{"move 200 10", "down 0", "move 20 10", "move 200 10", "up 2"}));
  EXPECT_EQ(statements, (Strings{"MouseReleased(20, 10, 0)", "MousePressed(20, 10, 2)"}));
}

}  // namespace
