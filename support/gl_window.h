#pragma once

// A GLUT window of the test or benchmark process's own, driven by the
// program's init, reshape and display, so that they draw into it exactly as
// they draw into the program's window.
namespace glwindow {

// Opens the window the first time it is called and makes its context current.
void open(int x, int y);

// Gives the window the size and waits until the window system has made it so.
void resize(int width, int height);

}  // namespace glwindow
