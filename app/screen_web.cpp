#include "screen.h"

// CSS pixels are already scaled by devicePixelRatio; the page sizes the
// canvas in device pixels itself (web/glut-window.js).
double screenScale(int /*argc*/, const char* const* /*argv*/) { return 1.0; }

void followScreenScale(double /*opened*/) {}
