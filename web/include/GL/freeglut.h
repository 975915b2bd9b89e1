// The page's GLUT is the classic interface alone, without freeglut's
// additions. Of those the program uses only what a window's close does, and
// a page is never closed by a window manager: the browser ends it with its
// tab.
#pragma once

#include <GL/glut.h>

#define GLUT_ACTION_ON_WINDOW_CLOSE 0x01F9
#define GLUT_ACTION_GLUTMAINLOOP_RETURNS 1

inline void glutSetOption(int /*option*/, int /*value*/) {}
