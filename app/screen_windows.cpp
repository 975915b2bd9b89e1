#include <windows.h>

#include <cmath>

#include "screen.h"

// The program declares itself aware of each screen's scale (its manifest,
// cmake/mill.manifest), so Windows neither stretches its window into a
// blurred picture nor tells it 96 dots an inch where the screen has more.

// Before there is a window, the one scale Windows gives every program: that
// of the main screen when the user signed in.
double screenScale(int /*argc*/, const char* const* /*argv*/) {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi / 96.0 : 1.0;
}

namespace {

// The window procedure ours replaced, kept on the window itself, gets every
// message ours does not answer: whatever subclassed the window before (an
// input method, an accessibility tool, a driver) goes on hearing them, and
// GLUT's own procedure behind it.
constexpr const char* replaced = "mill.replaced";

// Answers a new scale as Windows asks of a program aware of it: by taking the
// window rectangle Windows suggests, the same part of the new screen. The new
// size reaches GLUT as any resize does, and goes through reshape and a redraw.
LRESULT CALLBACK followScale(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto next = reinterpret_cast<WNDPROC>(GetPropA(window, replaced));
  if (message == WM_DPICHANGED) {
    // NOLINTNEXTLINE(performance-no-int-to-ptr): the message carries the rectangle so
    const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
    SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
  }
  if (message == WM_NCDESTROY) {
    RemovePropA(window, replaced);
  }
  return CallWindowProcA(next, window, message, wParam, lParam);
}

// The scale of the screen the window is on (Windows 10 1607 and later), or
// the one given every program where Windows cannot tell it.
double windowScale(HWND window, const double fallback) {
  using DpiForWindow = UINT(WINAPI*)(HWND);
  // Through a plain function pointer type: GetProcAddress's own type is
  // another function's.
  const auto dpiForWindow = reinterpret_cast<DpiForWindow>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  const UINT dpi = dpiForWindow != nullptr ? dpiForWindow(window) : 0;
  return dpi > 0 ? dpi / 96.0 : fallback;
}

}  // namespace

void followScreenScale(const double opened) {
  // GLUT gives no hold of its window but through the GL context it made
  // current on it.
  HWND window = WindowFromDC(wglGetCurrentDC());
  if (window == nullptr) {
    return;
  }
  SetPropA(window, replaced,
           // NOLINTNEXTLINE(performance-no-int-to-ptr): Windows hands the procedure over so
           reinterpret_cast<HANDLE>(GetWindowLongPtrA(window, GWLP_WNDPROC)));
  SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(followScale));
  // The scale given every program is fixed at sign-in. On a screen of another
  // scale, or once the scale has changed since, the window opened at the
  // wrong size, and no WM_DPICHANGED comes to mend it: it takes its screen's.
  const double scale = windowScale(window, opened);
  if (scale != opened) {
    // The frame keeps its own thickness: GLUT would reckon it at the scale
    // given every program, and so miss the inside it was asked for.
    RECT outside{};
    RECT inside{};
    GetWindowRect(window, &outside);
    GetClientRect(window, &inside);
    const long width = std::lround(inside.right * scale / opened) - inside.right;
    const long height = std::lround(inside.bottom * scale / opened) - inside.bottom;
    SetWindowPos(window, nullptr, 0, 0, outside.right - outside.left + width,
                 outside.bottom - outside.top + height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}
