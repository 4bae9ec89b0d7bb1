/* Test shim (LD_PRELOAD): the input library cannot open its X connections, as when the server
   refuses more clients, so the engine must run on without keyboard and mouse. Only callers
   inside libOIS are refused; the window's own connection opens as usual. */
#define _GNU_SOURCE
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <string.h>

typedef Display* (*OpenDisplayFn)(const char*);

Display* XOpenDisplay(const char* name) {
  Dl_info caller;
  if (dladdr(__builtin_return_address(0), &caller) && caller.dli_fname && strstr(caller.dli_fname, "libOIS"))
    return NULL;
  OpenDisplayFn real = (OpenDisplayFn)dlsym(RTLD_NEXT, "XOpenDisplay");
  return real(name);
}
