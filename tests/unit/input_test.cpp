// Input without devices: key statement texts the e2e tier cannot send, and a press and its release
// on either side of a web panel's edge (with panels that a test places).
#include "input/MouseRouter.h"
#include "states/KeyStatements.h"
#include "states/StateStack.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

// The common keys run through real X events in the e2e tier; these are the edges it cannot send.
TEST(InputStatements, UnknownKeysAndTextCodesPastTheSignedRangeStayDecimal) {
  EXPECT_EQ(key_statements::released(OIS::KC_UNASSIGNED, 0x80000000u), "KeyReleased(0, '2147483648')");
  EXPECT_EQ(key_statements::pressed(-1, 0xFFFFFFFFu), Strings{"KeyPressed(-1, '4294967295')"});
}

// Panels at x >= 100; the test reads what each was given.
struct FakePanels : WebPanelInput {
  Strings given;
  uint64_t getTopNavi(int x, int) const override { return x >= 100 ? 1 : 0; }
  void injectMouseWheel(int z) override { given.push_back("wheel " + std::to_string(z)); }
  void injectMouseMove(int x, int y) override { given.push_back("move " + std::to_string(x) + " " + std::to_string(y)); }
  void injectMouseDown(int button) override { given.push_back("down " + std::to_string(button)); }
  void injectMouseUp(int button) override { given.push_back("up " + std::to_string(button)); }
};

struct InputMouseRouting : ::testing::Test, ScriptSink {
  FakePanels panels;
  Strings statements;
  StateStack states;
  MouseRouter router{panels, *this, states, nullptr, ""};

  void run(const std::string& statement) override { statements.push_back(statement); }

  static OIS::MouseState at(int x, int y) {
    OIS::MouseState state;
    state.width = 1024;
    state.height = 768;
    state.X.abs = x;
    state.Y.abs = y;
    return state;
  }
};

TEST_F(InputMouseRouting, PressAndReleaseAreEachAskedWhereTheyHappen) {
  OIS::MouseState onPanel = at(200, 10);
  OIS::MouseState beside = at(20, 10);
  router.mousePressed(OIS::MouseEvent(nullptr, onPanel), OIS::MB_Left);
  router.mouseReleased(OIS::MouseEvent(nullptr, beside), OIS::MB_Left);
  router.mousePressed(OIS::MouseEvent(nullptr, beside), OIS::MB_Middle);
  router.mouseReleased(OIS::MouseEvent(nullptr, onPanel), OIS::MB_Middle);
  // Each press and release elsewhere than the last move moves the panels there first: OIS
  // reports the move that came with a click after the click.
  EXPECT_EQ(panels.given, (Strings{"move 200 10", "down 0", "move 20 10", "move 200 10", "up 2"}));
  EXPECT_EQ(statements, (Strings{"MouseReleased(20, 10, 0)", "MousePressed(20, 10, 2)"}));
}

}  // namespace
