// Linux implementation of the platform seam: steady clock, X11 desktop and cursor (libXcursor),
// power supply state from sysfs, files through std::filesystem.
#include "platform/Platform.h"

#include <X11/Xcursor/Xcursor.h>
#include <X11/Xlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <thread>

namespace platform {

uint32_t milliseconds() {
  using namespace std::chrono;
  auto ms = duration_cast<std::chrono::milliseconds>(steady_clock::now().time_since_epoch()).count();
  return static_cast<uint32_t>(ms);
}

void sleep(uint32_t ms) {
  if (ms == 0)
    std::this_thread::yield();
  else
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

ScreenSize desktopSize() {
  ScreenSize size{800, 600};
  if (Display* display = XOpenDisplay(nullptr)) {
    int screen = DefaultScreen(display);
    size.width = static_cast<unsigned>(DisplayWidth(display, screen));
    size.height = static_cast<unsigned>(DisplayHeight(display, screen));
    XCloseDisplay(display);
  }
  return size;
}

void acceptCloseRequests(void* display, unsigned long windowHandle) {
  auto* x = static_cast<Display*>(display);
  if (!x || windowHandle == 0)
    return;
  Atom deleteWindow = XInternAtom(x, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(x, windowHandle, &deleteWindow, 1);
  XFlush(x);
}

WindowEvents pumpWindowEvents(void* display, unsigned long windowHandle) {
  WindowEvents events;
  auto* x = static_cast<Display*>(display);
  if (!x || windowHandle == 0)
    return events;
  Atom deleteWindow = XInternAtom(x, "WM_DELETE_WINDOW", False);
  XEvent event;
  while (XCheckTypedWindowEvent(x, windowHandle, ClientMessage, &event))
    if (event.xclient.format == 32 && static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow)
      events.closeRequested = true;
  while (XCheckWindowEvent(x, windowHandle, StructureNotifyMask | VisibilityChangeMask | FocusChangeMask, &event))
    if (event.type == ConfigureNotify)
      events.resized = true;
  return events;
}

void setWindowCursor(unsigned long windowHandle, const std::string& cursorFile) {
  if (windowHandle == 0 || !std::filesystem::exists(cursorFile))
    return;
  Display* display = XOpenDisplay(nullptr);
  if (!display)
    return;
  Cursor cursor = XcursorFilenameLoadCursor(display, cursorFile.c_str());
  if (cursor != None) {
    XDefineCursor(display, windowHandle, cursor);
    XFreeCursor(display, cursor);  // the window keeps its own reference
  }
  XCloseDisplay(display);
}

bool acConnected() {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::directory_iterator it("/sys/class/power_supply", ec);
  if (ec)
    return true;
  bool mainsOffline = false;
  for (const auto& entry : it) {
    std::ifstream type(entry.path() / "type");
    std::string kind;
    if (!(type >> kind) || kind != "Mains")
      continue;
    std::ifstream online(entry.path() / "online");
    int value = 1;
    if (online >> value && value != 0)
      return true;
    mainsOffline = true;
  }
  return !mainsOffline;
}

void messageBox(const std::string& caption, const std::string& text) {
  std::cerr << caption << ": " << text << std::endl;
}

void copyFile(const std::string& source, const std::string& destination) {
  std::error_code ec;
  std::filesystem::copy_file(source, destination, std::filesystem::copy_options::overwrite_existing, ec);
}

}  // namespace platform
