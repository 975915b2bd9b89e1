// Run under Wine by the tests: the Windows window's answer to a new screen
// scale. Windows sends WM_DPICHANGED only to the process's own windows, from
// within, when a window moves to a screen of another scale or the scale
// changes, and Wine can be made to do neither from outside. So this opens a
// GLUT window as the program does, sends it the message as Windows would,
// with the window rectangle suggested at twice the scale, and says whether
// the window took that rectangle and GLUT reshaped to it.
#include <GL/freeglut.h>
#include <windows.h>

#include <cstdio>

#include "screen.h"

namespace {

SIZE reshaped{0, 0};

void reshape(const int width, const int height) { reshaped = {width, height}; }

void display() {}

void pumpEvents() {
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
  glutInitWindowPosition(100, 100);
  glutCreateWindow("Mill");
  followScreenScale();
  glutDisplayFunc(display);
  glutReshapeFunc(reshape);
  HWND window = WindowFromDC(wglGetCurrentDC());
  pumpEvents();

  RECT before{};
  GetWindowRect(window, &before);
  RECT suggested{before.left, before.top, before.left + (2 * (before.right - before.left)),
                 before.top + (2 * (before.bottom - before.top))};
  SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
  pumpEvents();

  RECT after{};
  GetWindowRect(window, &after);
  RECT client{};
  GetClientRect(window, &client);
  std::printf(
      "suggested %ldx%ld at (%ld, %ld); window %ldx%ld at (%ld, %ld); reshaped to %ldx%ld\n",
      suggested.right - suggested.left, suggested.bottom - suggested.top, suggested.left,
      suggested.top, after.right - after.left, after.bottom - after.top, after.left, after.top,
      reshaped.cx, reshaped.cy);
  const bool followed = EqualRect(&after, &suggested) != 0 && reshaped.cx == client.right &&
                        reshaped.cy == client.bottom && client.right > 500;
  return followed ? 0 : 1;
}
