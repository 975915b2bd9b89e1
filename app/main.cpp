#include <GL/freeglut.h>

#include <cmath>

#include "scene.h"
#include "screen.h"
#include "view.h"

namespace {

// A size in 96-DPI pixels, in the screen's pixels at its DPI scale factor.
int onScreen(const int pixels, const double scale) {
  return static_cast<int>(std::lround(pixels * scale));
}

}  // namespace

int main(int argc, char** argv) {
  // 500 x 500 at (100, 100) in 96-DPI pixels: on a HiDPI screen, sharp and
  // the same size.
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
  // Closing the window returns from glutMainLoop and main returns, so exit()
  // and the libraries' exit handlers (a GL tracer's, coverage's) run once;
  // freeglut's default, GLUT_ACTION_EXIT, calls exit() inside its teardown.
  glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
  glutMainLoop();
  return 0;
}
