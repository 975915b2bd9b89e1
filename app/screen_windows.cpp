#include <windows.h>

#include <cmath>

#include "screen.h"

// The manifest (cmake/mill.manifest) declares the program per-monitor DPI
// aware (v2), so Windows neither bitmap-stretches its window nor reports 96
// DPI where the monitor has more.

// Before there is a window, the system DPI: the primary monitor's at sign-in.
double screenScale(int /*argc*/, const char* const* /*argv*/) {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi / 96.0 : 1.0;
}

namespace {

// The window procedure ours subclasses, kept as a window property, gets every
// message ours does not answer: any earlier subclass (an input method, an
// accessibility tool, a driver) and GLUT's own procedure behind it.
constexpr const char* replaced = "mill.replaced";

// WM_DPICHANGED: takes the rectangle Windows suggests, as a per-monitor DPI
// aware program must. GLUT sees it as any resize: reshape, then a redraw.
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

// The DPI scale factor of the window's monitor (GetDpiForWindow, Windows 10
// 1607 and later), else the system DPI's.
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
  // The system DPI is fixed at sign-in: on another monitor, or after the DPI
  // changed, the window opened at the wrong size, and no WM_DPICHANGED comes.
  const double scale = windowScale(window, opened);
  if (scale != opened) {
    // Only the client area scales: GLUT would size the frame at the system
    // DPI and miss the client size it was asked for.
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
