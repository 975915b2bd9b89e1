#include "view.h"

#include <GL/gl.h>
#include <GL/glu.h>

void init() {
  glClearColor(1.0F, 1.0F, 1.0F, 1.0F);
  glShadeModel(GL_FLAT);
}

void reshape(const int width, const int height) {
  glViewport(0, 0, width, height);

  // The frustum ignores the window's shape on purpose: a window that is not
  // square shows the same view stretched, and a zero-sized one divides
  // nothing by zero.
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glFrustum(-100.0, 100.0, -100.0, 100.0, 150.0, 2000.0);

  // The camera stands right of, above and in front of the mill and looks
  // down at a point behind the rotor; display() draws on top of it.
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(350.0, 110.0, 150.0, 40.0, 70.0, -50.0, 0.0, 10.0, 0.0);
}
