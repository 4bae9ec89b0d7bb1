// The debug overlay's captions, refreshed each frame.
#include "gui/Statistics.h"

#include "gui/Text.h"

#include <OgreRenderWindow.h>
#include <OgreStringConverter.h>
#include <Overlay/OgreOverlayElement.h>
#include <Overlay/OgreOverlayManager.h>

void Statistics::update(const Ogre::RenderWindow& window) {
  static const std::string average = "Average FPS: ", current = "Current FPS: ", best = "Best FPS: ",
                           worst = "Worst FPS: ", triangles = "Triangle Count: ";
  try {
    Ogre::OverlayManager& overlays = Ogre::OverlayManager::getSingleton();
    Ogre::OverlayElement* averageFps = overlays.getOverlayElement("Core/AverageFps");
    Ogre::OverlayElement* currentFps = overlays.getOverlayElement("Core/CurrFps");
    Ogre::OverlayElement* bestFps = overlays.getOverlayElement("Core/BestFps");
    Ogre::OverlayElement* worstFps = overlays.getOverlayElement("Core/WorstFps");
    const Ogre::RenderTarget::FrameStats& stats = window.getStatistics();
    using Ogre::StringConverter;
    averageFps->setCaption(average + StringConverter::toString(stats.avgFPS));
    currentFps->setCaption(current + StringConverter::toString(stats.lastFPS));
    bestFps->setCaption(best + StringConverter::toString(stats.bestFPS) + " " +
                        StringConverter::toString(stats.bestFrameTime) + " ms");
    worstFps->setCaption(worst + StringConverter::toString(stats.worstFPS) + " " +
                         StringConverter::toString(stats.worstFrameTime) + " ms");
    overlays.getOverlayElement("Core/NumTris")->setCaption(triangles + StringConverter::toString(stats.triangleCount));
    overlays.getOverlayElement("Core/DebugText")->setCaption(debugText);
  } catch (...) {
  }
}

void Statistics::showText(const std::string& text) {
  debugText = gui::captionText("Core/DebugText", text);
}
