#include <GL/freeglut.h>

#include <cmath>

#include "scene.h"
#include "screen.h"
#include "view.h"

namespace {

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
  // Closing the window ends GLUT's loop, and the run ends here, as any
  // program's does: what its libraries do at exit (a GL tracer writing its
  // trace, coverage data) runs once.
  glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
  glutMainLoop();
  return 0;
}
