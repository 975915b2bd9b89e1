#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xresource.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "screen.h"

namespace {

// The density a desktop that scales gives its programs: Xft.dpi in the
// display's resource database (the root window's RESOURCE_MANAGER), 192 at
// 200 %; 0 where there is none, or none that reads as a number.
double resourceDpi(Display* display) {
  const char* resources = XResourceManagerString(display);
  if (resources == nullptr) {
    return 0.0;
  }
  XrmInitialize();
  XrmDatabase database = XrmGetStringDatabase(resources);
  char* type = nullptr;
  XrmValue value{};
  double dpi = 0.0;
  if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) != 0 && value.addr != nullptr) {
    char* end = nullptr;
    const double read = std::strtod(value.addr, &end);
    while (std::isspace(static_cast<unsigned char>(*end)) != 0) {
      ++end;
    }
    dpi = end != value.addr && *end == '\0' ? read : 0.0;
  }
  XrmDestroyDatabase(database);
  return dpi;
}

// The size of the area a window manager leaves to windows on the current
// desktop, without its panels and docks (_NET_WORKAREA), or else of the
// screen.
std::pair<long, long> workArea(Display* display) {
  const Window root = DefaultRootWindow(display);
  const auto cardinals = [&](const char* name, const long count) {
    std::vector<long> values;
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    // No atom of that name: no window manager has published the property.
    const Atom property = XInternAtom(display, name, True);
    if (property != None &&
        XGetWindowProperty(display, root, property, 0, count, False, XA_CARDINAL, &type, &format,
                           &items, &after, &data) == Success &&
        type == XA_CARDINAL && format == 32) {
      const auto* read = reinterpret_cast<const long*>(data);
      values.assign(read, read + items);
    }
    XFree(data);
    return values;
  };
  const std::vector<long> desktop = cardinals("_NET_CURRENT_DESKTOP", 1);
  const long current = desktop.empty() ? 0 : desktop[0];
  const std::vector<long> areas = cardinals("_NET_WORKAREA", 4 * (current + 1));
  if (areas.size() == 4 * static_cast<std::size_t>(current + 1)) {
    return {areas[(4 * current) + 2], areas[(4 * current) + 3]};
  }
  return {DisplayWidth(display, DefaultScreen(display)),
          DisplayHeight(display, DefaultScreen(display))};
}

}  // namespace

double screenScale(const int argc, const char* const* argv) {
  // GLUT opens the display that -display names, the last one given, or else
  // the one DISPLAY names.
  const char* name = nullptr;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::string(argv[i]) == "-display") {
      name = argv[i + 1];
    }
  }
  Display* display = XOpenDisplay(name);
  if (display == nullptr) {
    return 1.0;
  }
  double scale = resourceDpi(display) / 96.0;
  const auto [width, height] = workArea(display);
  XCloseDisplay(display);
  // A density below the usual one scales text, not the screen (a desktop
  // publishes one for a screen that gives no size, or for smaller text);
  // more than five times the usual one is taken for a mistake.
  if (scale <= 1.0 || scale > 5.0) {
    return 1.0;
  }
  // The window, and its place, fit in the work area with as much room again
  // beyond them as before them, for the window manager's frame; never less
  // than at the usual density.
  return std::max(1.0, std::min(scale, static_cast<double>(std::min(width, height)) / 700.0));
}

// An X11 desktop that changes its scale tells its programs through the
// resource database, which the window reads once, as it opens.
void followScreenScale(double /*opened*/) {}
