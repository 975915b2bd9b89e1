#include "screen.h"

// A page's CSS pixels are already scaled to the screen; the page draws the
// window in every device pixel they cover (web/glut-window.js).
double screenScale(int /*argc*/, const char* const* /*argv*/) { return 1.0; }

void followScreenScale(double /*opened*/) {}
