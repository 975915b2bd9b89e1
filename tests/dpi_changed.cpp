// Run under Wine by the tests. Windows sends WM_DPICHANGED only from within
// the window's own process, as it moves to a screen of another scale, which
// Wine cannot be made to do from outside. So this opens a GLUT window as the
// program does, sends it the message suggesting twice the size, and ends with
// status 0 if the window took it and GLUT reshaped to its new inside.
#include <GL/freeglut.h>
#include <windows.h>

#include <cstdio>

#include "screen.h"

namespace {

SIZE reshaped{0, 0};

void settle() {
  for (int i = 0; i < 50; ++i) {
    glutMainLoopEvent();
    Sleep(10);
  }
}

}  // namespace

int main(int argc, char** argv) {
  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_SINGLE | GLUT_RGB | GLUT_DEPTH);
  glutInitWindowSize(500, 500);
  glutCreateWindow("Mill");
  followScreenScale();
  glutDisplayFunc([] {});
  glutReshapeFunc([](const int width, const int height) { reshaped = {width, height}; });
  HWND window = WindowFromDC(wglGetCurrentDC());
  settle();

  RECT suggested{};
  GetWindowRect(window, &suggested);
  suggested.right += suggested.right - suggested.left;
  suggested.bottom += suggested.bottom - suggested.top;
  SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
  settle();

  RECT taken{};
  GetWindowRect(window, &taken);
  RECT inside{};
  GetClientRect(window, &inside);
  std::printf("suggested %ld x %ld, taken %ld x %ld, reshaped to %ld x %ld of %ld x %ld\n",
              suggested.right - suggested.left, suggested.bottom - suggested.top,
              taken.right - taken.left, taken.bottom - taken.top, reshaped.cx, reshaped.cy,
              inside.right, inside.bottom);
  return EqualRect(&taken, &suggested) != 0 && reshaped.cx == inside.right &&
                 reshaped.cy == inside.bottom && inside.right > 500
             ? 0
             : 1;
}
