// The page's GLUT is the classic interface alone, without freeglut's
// additions. Of those the program uses only the close callback, and a page
// is never closed by a window manager: the browser ends it with its tab.
#pragma once

#include <GL/glut.h>

inline void glutCloseFunc(void (*)()) {}
