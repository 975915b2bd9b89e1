// Two library calls the program replaces on X11 by symbol interposition:
// the executable defines them, so the dynamic linker binds the libraries'
// calls to its versions, which reach the real ones with dlsym(RTLD_NEXT).
// freeglut gives no other hook at either moment.
//
// - libX11's XMapWindow. A window manager reads WM_CLASS (ICCCM 4.1.2.5,
//   which mill.desktop's StartupWMClass matches), _NET_WM_ICON and
//   _NET_WM_PID (EWMH) once, at the MapRequest, and freeglut 3.4 maps the
//   window inside glutCreateWindow, before the program can set them. So the
//   first window mapped, the program's, gets them in that very call. This
//   can go once freeglut sets a class and an icon before mapping.
// - GLX's glXDestroyContext. freeglut destroys the current context as the
//   window closes. Mesa's softpipe (22 to 25) crashes destroying a
//   single-buffered context that has drawn to its window, released first
//   or not, and Mesa 25 then writes the front buffer to a window that is
//   gone. So the context is only released, while its window still exists,
//   and goes with the process. This can go once softpipe no longer crashes.
//
// Both work only while the executable exports them: declared visible here,
// named to the linker, and checked by the build (cmake/exports.cmake).
#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dlfcn.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>

#include "icon.h"  // millIcon: the icon at each size, made by the build from data/icons

namespace {

// The real function behind the interposed one; without it the program
// cannot go on.
template <typename Function>
Function* own(const char* name) {
  void* const found = dlsym(RTLD_NEXT, name);
  if (found == nullptr) {
    std::fprintf(stderr, "mill: no %s in the libraries it links\n", name);
    std::_Exit(EXIT_FAILURE);
  }
  return reinterpret_cast<Function*>(found);
}

void describe(Display* display, const Window window) {
  std::array<char, 5> instance{"mill"};
  std::array<char, 5> name{"Mill"};
  XClassHint hint{instance.data(), name.data()};
  XSetClassHint(display, window, &hint);

  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_ICON", False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(millIcon.data()),
                  static_cast<int>(millIcon.size()));

  // freeglut sets _NET_WM_PID only where the window manager announces EWMH
  // support; any window manager may read it.
  const long pid = getpid();
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
}

}  // namespace

extern "C" {

[[gnu::visibility("default")]] int XMapWindow(Display* display, const Window window) {
  static auto* const map = own<int(Display*, Window)>("XMapWindow");
  static bool described = false;
  if (!described) {
    described = true;
    describe(display, window);
  }
  return map(display, window);
}

[[gnu::visibility("default")]] void glXDestroyContext(Display* dpy, GLXContext ctx) {
  if (glXGetCurrentContext() == ctx) {
    glXMakeCurrent(dpy, None, nullptr);
  }
}

}  // extern "C"
