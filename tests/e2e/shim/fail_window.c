/* Test shim (LD_PRELOAD): the first TQ_FAIL_WINDOWS game-sized X windows cannot be created, as on
   a display that refuses the mode, so the engine's window fall-back ladder runs for real. */
#define _GNU_SOURCE
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <stdlib.h>

typedef Window (*CreateWindowFn)(Display*, Window, int, int, unsigned, unsigned, unsigned, int, unsigned,
                                 Visual*, unsigned long, XSetWindowAttributes*);

Window XCreateWindow(Display* display, Window parent, int x, int y, unsigned width, unsigned height,
                     unsigned border, int depth, unsigned windowClass, Visual* visual, unsigned long mask,
                     XSetWindowAttributes* attributes) {
  static int refused = 0;
  const char* limit = getenv("TQ_FAIL_WINDOWS");
  if (limit && width >= 100 && refused < atoi(limit)) {
    ++refused;
    return 0;
  }
  CreateWindowFn real = (CreateWindowFn)dlsym(RTLD_NEXT, "XCreateWindow");
  return real(display, parent, x, y, width, height, border, depth, windowClass, visual, mask, attributes);
}
