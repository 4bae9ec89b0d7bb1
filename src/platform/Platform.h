// The few operations the engine needs from the operating system. One implementation file per OS
// (PlatformPosix.cpp here); nothing outside this folder includes an OS header.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Monotonic milliseconds as a wrapping 32-bit counter, the game clock's time base.
uint32_t milliseconds();

// Sleeps for ms milliseconds; 0 only yields the processor.
void sleep(uint32_t ms);

struct ScreenSize {
  unsigned width = 0;
  unsigned height = 0;
};
// Size of the desktop the window opens on; 800 x 600 when no display answers.
ScreenSize desktopSize();

// The game window's messages. The display is the connection the window belongs to (the render
// window's "XDISPLAY"). acceptCloseRequests asks the window manager to send a close request
// instead of killing the game; pumpWindowEvents drains the window's queue.
struct WindowEvents {
  bool closeRequested = false;
  bool resized = false;  // moved or resized: the renderer must update its size
};
void acceptCloseRequests(void* display, unsigned long windowHandle);
WindowEvents pumpWindowEvents(void* display, unsigned long windowHandle);

// Where the pointer is now, in window pixels (negative or beyond the size when outside it).
// False when there is no display, or the pointer is on another screen.
bool pointerPosition(void* display, unsigned long windowHandle, int& x, int& y);

// Makes the cursor file (an Xcursor file, animated or not) the window's cursor. Empty when it
// did, else why not: the window then keeps the cursor it had.
std::string setWindowCursor(void* display, unsigned long windowHandle, const std::string& cursorFile);

// True unless a mains supply reports that it is offline (no supply files: connected).
bool acConnected();

// Error box for failures that happen before or outside the log: stderr here.
void messageBox(const std::string& caption, const std::string& text);

// Copies source over destination; the result is ignored by callers, so failures are silent.
void copyFile(const std::string& source, const std::string& destination);

// Starts a program with its argument vector (searched on PATH, never through a shell) and returns
// at once; the child is reaped in the background, so none is left a zombie. False if it could
// not be started.
bool launchDetached(const std::vector<std::string>& arguments);

// The current user's folders for application data ($XDG_DATA_HOME, else ~/.local/share),
// settings ($XDG_CONFIG_HOME, else ~/.config) and logs ($XDG_STATE_HOME, else ~/.local/state);
// empty when neither is known.
std::string userDataDirectory();
std::string userConfigDirectory();
std::string userStateDirectory();

// The file's whole contents; empty when it cannot be read.
std::string readFile(const std::string& path);

// Replaces the file with the contents: a temp file beside it, flushed to disk, then renamed over
// it, so readers see the old or the new file, never a torn one. False on failure (file untouched).
bool replaceFile(const std::string& path, const std::string& contents);

// An exclusive lock on a lock file (created if missing), held while the object lives, so that
// game processes sharing a per-user file take turns. Waits at most waitMs for another holder.
class FileLock {
public:
  FileLock(const std::string& path, uint32_t waitMs);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  bool held() const { return fd >= 0; }

private:
  int fd = -1;
};

}  // namespace platform
