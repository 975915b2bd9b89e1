// Run under Wine by the tests. Windows sends WM_DPICHANGED only from within
// the window's own process, as it moves to a screen of another scale, which
// Wine cannot be made to do from outside. So this opens a GLUT window as the
// program does, at 250 x 250, as though every program were given half its
// screen's scale: it must take its screen's 500 x 500. Then it sends the
// window the message suggesting twice
// the size, and ends with status 0 if the window took it and GLUT reshaped
// to its new inside, and if a procedure that subclassed the window before
// the program's still hears the messages the program's does not answer.
#include <GL/freeglut.h>
#include <windows.h>

#include <cstdio>

#include "screen.h"

namespace {

SIZE reshaped{0, 0};
WNDPROC glutProcedure = nullptr;
int heard = 0;

LRESULT CALLBACK listen(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  heard += message == WM_APP ? 1 : 0;
  return CallWindowProcA(glutProcedure, window, message, wParam, lParam);
}

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
  glutInitWindowSize(250, 250);
  glutCreateWindow("Mill");
  HWND window = WindowFromDC(wglGetCurrentDC());
  // NOLINTNEXTLINE(performance-no-int-to-ptr): Windows hands the procedure over so
  glutProcedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(listen)));
  using DpiForWindow = UINT(WINAPI*)(HWND);
  const auto dpiForWindow = reinterpret_cast<DpiForWindow>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  followScreenScale(dpiForWindow(window) / 96.0 / 2);
  glutDisplayFunc([] {});
  glutReshapeFunc([](const int width, const int height) { reshaped = {width, height}; });
  settle();
  RECT opened{};
  GetClientRect(window, &opened);

  RECT suggested{};
  GetWindowRect(window, &suggested);
  suggested.right += suggested.right - suggested.left;
  suggested.bottom += suggested.bottom - suggested.top;
  SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
  SendMessageA(window, WM_APP, 0, 0);
  settle();

  RECT taken{};
  GetWindowRect(window, &taken);
  RECT inside{};
  GetClientRect(window, &inside);
  std::printf("opened %ld x %ld, taken %ld x %ld, reshaped to %ld x %ld of %ld x %ld, %d heard\n",
              opened.right, opened.bottom, taken.right - taken.left, taken.bottom - taken.top,
              reshaped.cx, reshaped.cy, inside.right, inside.bottom, heard);
  return opened.right == 500 && opened.bottom == 500 && EqualRect(&taken, &suggested) != 0 &&
                 reshaped.cx == inside.right && reshaped.cy == inside.bottom &&
                 inside.right > 500 && heard == 1
             ? 0
             : 1;
}
