// The few operations the engine needs from the operating system. One implementation file per OS
// (PlatformPosix.cpp here); nothing outside this folder includes an OS header.
#pragma once

#include <cstdint>
#include <string>

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

// Makes the cursor file the window's cursor; does nothing when the file cannot be loaded.
void setWindowCursor(unsigned long windowHandle, const std::string& cursorFile);

// True unless a mains supply reports that it is offline (no supply files: connected).
bool acConnected();

// Error box for failures that happen before or outside the log: stderr here.
void messageBox(const std::string& caption, const std::string& text);

// Copies source over destination; the result is ignored by callers, so failures are silent.
void copyFile(const std::string& source, const std::string& destination);

}  // namespace platform
