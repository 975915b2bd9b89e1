// Two calls of the libraries it links that the program replaces, on X11 and
// nowhere else, by defining them itself: the executable comes first when a
// library it loads looks a function up (ELF symbol interposition), and the
// library's own is found behind it with dlsym(RTLD_NEXT). freeglut gives no
// other hold on either moment, nor on the window or context it makes.
//
// - libX11's XMapWindow. A window manager reads what a desktop shows of a
//   window (its class, which ties it to mill.desktop's StartupWMClass and
//   names it to the window manager's rules, its icon and its process) once,
//   as it handles the map request, and freeglut maps the window inside
//   glutCreateWindow, before the program can set anything on it. So the
//   first window mapped, the program's own, is described in the very call
//   that maps it.
// - GLX's glXDestroyContext. freeglut takes the window's context down as the
//   window closes, while it is current, and then the window. Mesa's softpipe
//   crashes destroying a single-buffered context that has drawn to its
//   window, whether released first or, put off because it is current, when
//   the display closes; Mesa 25 then also writes the picture to a window
//   that is gone. So the context is let go of, while its window is still
//   there, and left to go with the process: the run ends with it.
//
// They work only while the executable exports them, which the build makes
// sure of (cmake/exports.cmake): declared visible here, whatever the build's
// default, and named to the linker.
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

// The library's own function of that name, found once; without it the
// program cannot go on.
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

  // freeglut names the process only where the window manager says it speaks
  // EWMH; every window manager may read it.
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
