#include <GL/freeglut.h>

#include <cmath>
#include <cstdlib>

#include "scene.h"
#include "screen.h"
#include "view.h"

namespace {

// Closing the window ends the run, and the process ends right here: the
// window system takes the window, its GL context and the connection down
// with it. Left to GLUT, they would be taken down one by one, the context
// while it is still current, and some GL drivers (Mesa's softpipe among
// them) crash doing that to a single-buffered window. It ends through
// exit(), so that what its libraries do at exit still runs: a GL tracer
// writing its trace, coverage and profile data. GLUT's own part of that
// work would take the window down, and calls this again as it begins; that
// second exit() goes on with the rest of the exit-time work from there, as
// glibc's exit() does, and GLUT never gets further. ISO C and POSIX leave a
// second exit() undefined, and musl's deliberately crashes on it: on such a
// C library this needs another way out.
void quit() { std::exit(0); }

// As many of the screen's pixels as the given number of pixels of a screen
// of the usual density cover.
int onScreen(const int pixels, const double scale) {
  return static_cast<int>(std::lround(pixels * scale));
}

}  // namespace

int main(int argc, char** argv) {
  // The window is 500 x 500 at (100, 100) in pixels of a screen of the usual
  // density, and as much of a denser one: sharp, and the same size.
  const double scale = screenScale(argc, argv);
  // GLUT takes its own options out of the command line; the program has none.
  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_SINGLE | GLUT_RGB | GLUT_DEPTH);
  glutInitWindowSize(onScreen(500, scale), onScreen(500, scale));
  glutInitWindowPosition(onScreen(100, scale), onScreen(100, scale));
  glutCreateWindow("Mill");
  followScreenScale(scale);
  init();
  glutDisplayFunc(display);
  glutReshapeFunc(reshape);
  glutCloseFunc(quit);
  glutMainLoop();
  return 0;
}
