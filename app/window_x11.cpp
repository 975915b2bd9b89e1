// What a desktop reads off the Mill window as it takes it on: its class,
// which ties it to mill.desktop (StartupWMClass) and names it to the window
// manager's rules, its icon, and the process it belongs to.
//
// A window manager reads them once, as it handles the window's map request,
// and freeglut maps the window inside glutCreateWindow, before the program
// can set anything on it. So they are set in freeglut's very call that maps
// it: the program's XMapWindow stands in for Xlib's, for every call from the
// libraries it links, sets them and then maps the window with Xlib's own.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dlfcn.h>
#include <unistd.h>

#include <array>

#include "icon.h"  // millIcon: the icon at each size, made by the build from data/icons

namespace {

void describe(Display* display, const Window window) {
  std::array<char, 5> instance{"mill"};
  std::array<char, 5> name{"Mill"};
  XClassHint hint{instance.data(), name.data()};
  XSetClassHint(display, window, &hint);

  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_ICON", False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(millIcon.data()),
                  static_cast<int>(millIcon.size()));

  // freeglut names the process only where the window manager says it speaks
  // EWMH; every window manager may read it. (Its machine, WM_CLIENT_MACHINE,
  // Xlib sets with the window's other ICCCM properties.)
  const long pid = getpid();
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
}

}  // namespace

// The program maps one window, its own, and freeglut does it here.
extern "C" int XMapWindow(Display* display, const Window window) {
  describe(display, window);
  using Map = int (*)(Display*, Window);
  return reinterpret_cast<Map>(dlsym(RTLD_NEXT, "XMapWindow"))(display, window);
}
