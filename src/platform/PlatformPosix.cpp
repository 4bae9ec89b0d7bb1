// Linux implementation of the platform seam: steady clock, X11 desktop and cursor (libXcursor),
// power supply state from sysfs, files through std::filesystem; child processes with posix_spawnp,
// per-user files with flock and rename.
#include "platform/Platform.h"

#include <X11/Xcursor/Xcursor.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
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
  // Kept open for the life of the process: when the game is the X server's only client, closing
  // this connection resets the server, and the renderer's own connection, made a moment later,
  // can land in the reset and fail.
  static Display* display = XOpenDisplay(nullptr);
  ScreenSize size{800, 600};
  if (display) {
    int screen = DefaultScreen(display);
    size.width = static_cast<unsigned>(DisplayWidth(display, screen));
    size.height = static_cast<unsigned>(DisplayHeight(display, screen));
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

bool pointerPosition(void* display, unsigned long windowHandle, int& x, int& y) {
  auto* connection = static_cast<Display*>(display);
  if (!connection || windowHandle == 0)
    return false;
  Window root = 0;
  Window child = 0;
  int rootX = 0;
  int rootY = 0;
  unsigned int buttons = 0;
  // False while the pointer is on another screen.
  return XQueryPointer(connection, windowHandle, &root, &child, &rootX, &rootY, &x, &y, &buttons) == True;
}

std::string setWindowCursor(void* display, unsigned long windowHandle, const std::string& cursorFile) {
  auto* connection = static_cast<Display*>(display);
  if (!connection || windowHandle == 0)
    return "there is no window";
  std::error_code ec;
  if (!std::filesystem::is_regular_file(cursorFile, ec))
    return "there is no such file";
  // An animated cursor when the file holds several frames and the server can animate them.
  Cursor cursor = XcursorFilenameLoadCursor(connection, cursorFile.c_str());
  if (cursor == None)
    return "it is no cursor file the X cursor library reads";
  XDefineCursor(connection, windowHandle, cursor);
  XFreeCursor(connection, cursor);  // the window keeps its own reference
  XFlush(connection);
  return std::string();
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

bool launchDetached(const std::vector<std::string>& arguments) {
  if (arguments.empty() || arguments[0].empty())
    return false;
  std::vector<char*> argv;
  for (const std::string& argument : arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  // The child starts in its own session with a clean signal mask and none of our descriptors
  // beyond stdio (log file, browser pipes), so it lives on its own and holds nothing of ours.
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK);
  pid_t pid = 0;
  int failed = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (failed)
    return false;

  std::thread([pid] {
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return true;
}

namespace {

std::string userDirectory(const char* variable, const char* belowHome) {
  // XDG says a relative path in its variables is invalid and must be ignored.
  const char* set = std::getenv(variable);
  if (set && set[0] == '/')
    return set;
  const char* home = std::getenv("HOME");
  if (home && home[0] != '\0')
    return std::string(home) + belowHome;
  return {};
}

}  // namespace

std::string userDataDirectory() {
  return userDirectory("XDG_DATA_HOME", "/.local/share");
}

std::string userConfigDirectory() {
  return userDirectory("XDG_CONFIG_HOME", "/.config");
}

std::string userStateDirectory() {
  return userDirectory("XDG_STATE_HOME", "/.local/state");
}

std::string readFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

bool replaceFile(const std::string& path, const std::string& contents) {
  std::string temp = path + ".XXXXXX";
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0)
    return false;
  const char* data = contents.data();
  size_t left = contents.size();
  bool ok = true;
  while (ok && left > 0) {
    ssize_t written = write(fd, data, left);
    if (written < 0 && errno == EINTR)
      continue;
    ok = written > 0;
    if (ok) {
      data += written;
      left -= static_cast<size_t>(written);
    }
  }
  // Flushed before the rename, or a crash could leave an empty file under the real name.
  ok = ok && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok)
    unlink(temp.c_str());
  return ok;
}

FileLock::FileLock(const std::string& path, uint32_t waitMs) {
  int file = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (file < 0)
    return;
  // Polled rather than blocking, so a stuck holder (a game stopped in a debugger) cannot hang us.
  uint32_t waited = 0;
  while (flock(file, LOCK_EX | LOCK_NB) != 0) {
    if ((errno != EWOULDBLOCK && errno != EINTR) || waited >= waitMs) {
      close(file);
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    waited += 2;
  }
  fd = file;
}

FileLock::~FileLock() {
  if (fd >= 0)
    close(fd);  // closing the only descriptor releases the lock
}

}  // namespace platform
