#include <X11/Xlib.h>
#include <X11/Xresource.h>

#include <cctype>
#include <cstdlib>
#include <string>

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
  const double scale = resourceDpi(display) / 96.0;
  XCloseDisplay(display);
  // What is no density at all, or more than five times the usual density or
  // less than a fifth of it, is taken for a mistake, and the screen for one
  // of the usual density.
  return scale >= 0.2 && scale <= 5.0 ? scale : 1.0;
}

// An X11 desktop that changes its scale tells its programs through the
// resource database, which the window reads once, as it opens.
void followScreenScale(double /*opened*/) {}
