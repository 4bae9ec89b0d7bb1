// The game states on a real scene and camera: the edit camera's turn and wheel factors, and what
// each state tells the scripts about keys. Following the level's camera nodes is the e2e tier's.
#include "EngineFixture.h"
#include "gui/Statistics.h"
#include "states/EditState.h"
#include "world/CameraController.h"

#include <Ogre.h>

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace {

struct InputStates : EngineTest {
  std::unique_ptr<CameraController> camera;
  // A keyboard with at most one key held.
  struct HeldKey : OIS::Keyboard {
    HeldKey() : OIS::Keyboard("test", false, 0, nullptr) {}
    bool isKeyDown(OIS::KeyCode key) const override { return key == held; }
    const std::string& getAsString(OIS::KeyCode) override { return name; }
    void copyKeyStates(char[256]) const override {}
    void setBuffered(bool) override {}
    void capture() override {}
    OIS::Interface* queryInterface(OIS::Interface::IType) override { return nullptr; }
    void _initialize() override {}
    OIS::KeyCode held = OIS::KC_UNASSIGNED;
    std::string name;
  };
  struct Statements : ScriptSink {
    void run(const std::string& statement) override { seen.push_back(statement); }
    std::vector<std::string> seen;
  };

  Statements sink;
  std::vector<std::string>& statements = sink.seen;
  Statistics statistics;
  HeldKey keyboard;

  void SetUp() override {
    EngineTest::SetUp();
    camera = std::make_unique<CameraController>(*scene, [] { return 0u; });
  }
  void TearDown() override {
    camera.reset();
    EngineTest::TearDown();
  }

  StateContext context() { return {*camera, *scene, sink, statistics, &keyboard}; }

  static OIS::MouseState moved(int x, int y, int wheel) {
    OIS::MouseState state;
    state.X.rel = x;
    state.Y.rel = y;
    state.Z.rel = wheel;
    return state;
  }
};

TEST_F(InputStates, EditCameraTurnsATenthOfADegreeAgainstTheMouseAndBacksOffWithTheWheel) {
  EditState edit(context());
  edit.enter();
  Ogre::Camera& view = camera->camera();

  OIS::MouseState right = moved(30, 0, 0);
  edit.mouseMoved(OIS::MouseEvent(nullptr, right));
  EXPECT_TRUE(view.getOrientation().equals(Ogre::Quaternion(Ogre::Degree(-3), Ogre::Vector3::UNIT_Y), Ogre::Degree(0.01f)));

  view.setOrientation(Ogre::Quaternion::IDENTITY);
  OIS::MouseState down = moved(0, 20, 0);
  edit.mouseMoved(OIS::MouseEvent(nullptr, down));
  EXPECT_TRUE(view.getOrientation().equals(Ogre::Quaternion(Ogre::Degree(-2), Ogre::Vector3::UNIT_X), Ogre::Degree(0.01f)));

  // A positive wheel backs away along the view axis, 0.02 per unit.
  view.setOrientation(Ogre::Quaternion(Ogre::Degree(90), Ogre::Vector3::UNIT_Y));
  view.setPosition(Ogre::Vector3::ZERO);
  OIS::MouseState wheel = moved(0, 0, 120);
  edit.mouseMoved(OIS::MouseEvent(nullptr, wheel));
  EXPECT_TRUE(view.getPosition().positionEquals(Ogre::Vector3(2.4f, 0, 0), 1e-4f)) << view.getPosition();
}

TEST_F(InputStates, EditReportsOnlyPressesAndEndsOnAHeldArrow) {
  EditState edit(context());
  OIS::KeyEvent a(nullptr, OIS::KC_A, 97);
  edit.keyPressed(a);
  edit.keyReleased(a);
  EXPECT_EQ(statements, (std::vector<std::string>{"KeyPressed(30, '97')"}));
  edit.enter();
  EXPECT_FALSE(edit.update());
  keyboard.held = OIS::KC_RIGHT;
  EXPECT_TRUE(edit.update());
  keyboard.held = OIS::KC_UNASSIGNED;
  edit.enter();
  edit.leave();
  EXPECT_TRUE(edit.update());
}

}  // namespace
