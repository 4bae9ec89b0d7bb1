// The scripts', the frame's and the mouse's operations on web panels, over the web-panel library.
#include "gui/GameGui.h"

#include "core/Log.h"
#include "core/Text.h"
#include "gui/navi/BrowserSession.h"
#include "gui/navi/NaviManager.h"

namespace {
const char guiFolder[] = "..\\Resource\\GUI";
const int updatesPerSecond = 70;
const uint16_t fadeMs = 500;
const uint16_t firstHideMs = 300;
const char javascriptMessage[] = "Error while calling JavaScript for navi. No navi exists with name: ";
}  // namespace

GameGui::GameGui(Ogre::Viewport* viewport, ScriptSink& scripts, std::unique_ptr<NaviLibrary::BrowserSession> browser)
    : naviManager(std::make_unique<NaviLibrary::NaviManager>(viewport, guiFolder, std::move(browser))),
      scripts(scripts) {}

GameGui::~GameGui() {
  naviManager.reset();
}

NaviLibrary::Navi* GameGui::find(const std::string& name, const char* message) {
  NaviLibrary::Navi* navi = naviManager->getNavi(name);
  if (!navi)
    core::log(message + name);
  return navi;
}

void GameGui::createNavi(const std::string& name, const std::string& source, uint16_t width, uint16_t height,
                         int16_t left, int16_t top) {
  NaviLibrary::Navi* navi = naviManager->createNavi(name, width, height, NaviLibrary::NaviPosition(left, top), false,
                                                     updatesPerSecond, NaviLibrary::Tier(1), nullptr);
  if (!navi)
    return;  // the name is taken: the library said so
  if (source.compare(0, 4, "http") == 0)
    navi->loadURL(source);
  else
    navi->loadFile(source);
  navi->setTransparent(true);
  navi->bind("Callback", [this](NaviLibrary::Navi& caller, const NaviLibrary::JSArguments& arguments) {
    onCallback(caller, arguments);
  });
  navi->focus();
  navi->hide(false, firstHideMs);
}

void GameGui::onCallback(NaviLibrary::Navi& caller, const std::vector<NaviLibrary::JSValue>& arguments) {
  if (arguments.empty()) {
    core::log("Error. Callback without a statement from navi: " + caller.getName());
    return;
  }
  // Copied: the statement may destroy the panel and with it the arguments.
  const std::string statement = arguments.front().toString();
  scripts.run(statement);
}

void GameGui::removeNavi(const std::string& name) {
  if (find(name, "Error while removing navi. No navi exists with name: "))
    naviManager->destroyNavi(name);
}

void GameGui::hideNavi(const std::string& name, bool fade) {
  if (NaviLibrary::Navi* navi = find(name, "Error while hiding navi. No navi exists with name: "))
    navi->hide(fade, fadeMs);
}

void GameGui::showNavi(const std::string& name, bool fade) {
  if (NaviLibrary::Navi* navi = find(name, "Error while showing navi. No navi exists with name: "))
    navi->show(fade, fadeMs);
}

void GameGui::setTransparent(const std::string& name, bool transparent) {
  if (NaviLibrary::Navi* navi = find(name, "Error while setting navi transparency. No navi exists with name: "))
    navi->setTransparent(transparent);
}

void GameGui::setMovable(const std::string& name, bool movable) {
  if (NaviLibrary::Navi* navi = find(name, "Error while setting navi movability. No navi exists with name: "))
    navi->setMovable(movable);
}

void GameGui::executeNavi(const std::string& name, const std::string& javascript) {
  if (NaviLibrary::Navi* navi = find(name, javascriptMessage))
    navi->evaluateJS(javascript, {});
}

void GameGui::zoomInNavi(const std::string& name) {
  if (NaviLibrary::Navi* navi = find(name, javascriptMessage))
    navi->zoomIn();
}

void GameGui::zoomOutNavi(const std::string& name) {
  if (NaviLibrary::Navi* navi = find(name, javascriptMessage))
    navi->zoomOut();
}

void GameGui::refreshNavi(const std::string& name) {
  if (NaviLibrary::Navi* navi = find(name, javascriptMessage)) {
    navi->injectMouseDown(1, 1);
    navi->injectMouseUp(1, 1);
  }
}

int GameGui::reloadPages(const std::string& fileName) {
  const bool page = core::endsWith(fileName, ".html") || core::endsWith(fileName, ".htm");
  int reloaded = 0;
  for (NaviLibrary::Navi* navi : naviManager->getNavis("*")) {
    const std::string& address = navi->address();
    if (address.compare(0, 7, "file://") == 0 && (!page || core::endsWith(address, "/" + fileName))) {
      navi->reload();
      ++reloaded;
    }
  }
  return reloaded;
}

void GameGui::resetNavis() {
  for (NaviLibrary::Navi* navi : naviManager->getNavis("*"))
    naviManager->destroyNavi(navi->getName());
}

void GameGui::update() {
  naviManager->Update();
}

size_t GameGui::panelCount() const {
  return naviManager->getNavis("*").size();
}

bool GameGui::hasKeyboardFocus() const {
  return naviManager->hasKeyboardFocus();
}

uint64_t GameGui::getTopNavi(int x, int y) const {
  const NaviLibrary::Navi* navi = naviManager->getTopNavi(x, y);
  return navi ? navi->getSerial() : 0;
}

void GameGui::injectMouseMove(int x, int y) {
  naviManager->injectMouseMove(x, y);
}

void GameGui::injectMouseWheel(int relative) {
  naviManager->injectMouseWheel(relative);
}

void GameGui::injectMouseDown(int button) {
  naviManager->injectMouseDown(button);
}

void GameGui::injectMouseUp(int button) {
  naviManager->injectMouseUp(button);
}
