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

// The Xft.dpi resource, by which X11 desktops publish their DPI (192 at
// 200 %), from the root window's RESOURCE_MANAGER; 0 where it is missing or
// no number.
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

// The current desktop's work area (EWMH _NET_WORKAREA: the screen less
// panels and docks), else the screen's size.
std::pair<long, long> workArea(Display* display) {
  const Window root = DefaultRootWindow(display);
  const auto cardinals = [&](const char* name, const long count) {
    std::vector<long> values;
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    // No such atom: no window manager has set the property.
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
  // The display GLUT will open: the last -display, else $DISPLAY.
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
  // At 96 DPI or below a desktop scales text, not the screen (Xfce's 50 for a
  // screen of unknown size, GNOME's text scaling below 1); above 480 DPI is
  // taken for a mistake.
  if (scale <= 1.0 || scale > 5.0) {
    return 1.0;
  }
  // The window and its position (700 x 700 at scale 1) fit in the work area,
  // leaving room for the frame; never below scale 1.
  return std::max(1.0, std::min(scale, static_cast<double>(std::min(width, height)) / 700.0));
}

// X11 has no per-window DPI change event: Xft.dpi is read once, at start.
void followScreenScale(double /*opened*/) {}
