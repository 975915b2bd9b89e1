#pragma once

// How dense the screen is, the one thing the program asks of its platform
// beyond GLUT: one file per platform (X11, Windows, the web page), chosen by
// the build.

// How many of the screen's pixels one pixel of a screen of the usual density
// (96 dots an inch) covers: 1 there, 1.5 at 150 %, 2 at 200 %. Given the
// command line that GLUT is about to be handed, which may name the display.
double screenScale(int argc, const char* const* argv);

// Once GLUT's window is open, opened at the given scale, gives it the size
// the screen it is on asks for, and keeps it covering the same part of the
// screen, as the platform asks, when it moves to a screen of another scale or
// the scale changes.
void followScreenScale(double opened);
