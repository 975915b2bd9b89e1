#include <windows.h>

#include "screen.h"

// The program declares itself aware of each screen's scale (its manifest,
// cmake/mill.manifest), so Windows neither stretches its window into a
// blurred picture nor tells it 96 dots an inch where the screen has more.

double screenScale(int /*argc*/, const char* const* /*argv*/) {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi / 96.0 : 1.0;
}

namespace {

// GLUT's window procedure first hears of every message; this one answers a
// new scale as Windows asks of a program aware of it: by taking the window
// rectangle Windows suggests, the same part of the new screen. The new size
// reaches GLUT as any resize does, and goes through reshape and a redraw.
LRESULT CALLBACK followScale(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DPICHANGED) {
    const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
    SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
  }
  // GLUT's own procedure is its window class's.
  const auto glut = reinterpret_cast<WNDPROC>(GetClassLongPtrA(window, GCLP_WNDPROC));
  return CallWindowProcA(glut, window, message, wParam, lParam);
}

}  // namespace

void followScreenScale() {
  // GLUT gives no hold of its window but through the GL context it made
  // current on it.
  HWND window = WindowFromDC(wglGetCurrentDC());
  if (window != nullptr) {
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(followScale));
  }
}
