#include <GL/freeglut.h>

#include <cstdlib>

#include "scene.h"
#include "view.h"

namespace {

// Closing the window ends the run, and the process ends right here: the
// window system takes the window, its GL context and the connection down
// with it. Left to GLUT, they would be taken down one by one, the context
// while it is still current, and some GL drivers (Mesa's softpipe among
// them) crash doing that to a single-buffered window.
void quit() { std::_Exit(0); }

}  // namespace

int main(int argc, char** argv) {
  // GLUT takes its own options out of the command line; the program has none.
  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_SINGLE | GLUT_RGB | GLUT_DEPTH);
  glutInitWindowSize(500, 500);
  glutInitWindowPosition(100, 100);
  glutCreateWindow("Mill");
  init();
  glutDisplayFunc(display);
  glutReshapeFunc(reshape);
  glutCloseFunc(quit);
  glutMainLoop();
  return 0;
}
