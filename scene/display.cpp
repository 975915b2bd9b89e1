#include "pieces.h"
#include "scene.h"

void display() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_DEPTH_TEST);

  // The scene shift lives inside the saved level, so the camera that
  // reshape() loaded is back on the matrix afterwards and every redraw,
  // resize or not, shows the same picture.
  glPushMatrix();
  glTranslatef(0.0F, 70.0F, 0.0F);
  rotor();
  house();
  glPopMatrix();

  glFlush();
  glDisable(GL_DEPTH_TEST);
}
