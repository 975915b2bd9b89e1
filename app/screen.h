#pragma once

// The screen's DPI, the one thing the program asks of its platform beyond
// GLUT: one file per platform (X11, Windows, the web page), chosen by the
// build.

// The DPI scale factor, DPI / 96: 1 at 96 DPI, 1.5 at 150 %, 2 at 200 %.
// Takes the command line GLUT is about to get, which may name the display.
double screenScale(int argc, const char* const* argv);

// Once GLUT's window is open at the given scale factor, sizes it for the
// DPI of the monitor it is on, and resizes it when it moves to a monitor of
// another DPI or the DPI changes (WM_DPICHANGED on Windows).
void followScreenScale(double opened);
