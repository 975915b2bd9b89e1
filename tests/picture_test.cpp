#include "picture.h"

#include <GL/glu.h>

#include <cstdlib>

#include "scene.h"
#include "view.h"

namespace {

void expectNoGlError() {
  const GLenum error = glGetError();
  EXPECT_EQ(error, static_cast<GLenum>(GL_NO_ERROR)) << gluErrorString(error);
}

}  // namespace

// The program's own routines draw in the test's window, whose every pixel
// is the mill's: square, and stretched in a wide and a tall window. A window
// of no size, or of one pixel, draws without complaint, and the next size
// is whole again.
TEST(Picture, MatchesReferenceAtThreeShapes) {
  for (const auto& [width, height] : {std::pair{500, 500}, {800, 300}, {300, 700}}) {
    EXPECT_TRUE(showsTheMill(window::draw(width, height))) << width << " x " << height;
  }
  for (const auto& [width, height] : {std::pair{0, 40}, {1, 1}}) {
    reshape(width, height);
    display();
    expectNoGlError();
  }
  EXPECT_TRUE(showsTheMill(window::draw(500, 500)));
  expectNoGlError();
}

// What a picture cannot show: the GL state each redraw leaves behind.
TEST(Picture, RedrawsIdenticallyAndRestoresGlState) {
  const Picture first = window::draw(500, 500);
  GLint depthBefore = 0;
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);
  for (int redraw = 0; redraw < 3; ++redraw) {
    display();
    EXPECT_TRUE(window::read() == first) << "redraw " << redraw;
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, depthBefore);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  }
}

// Where gluNewQuadric fails, the frame is drawn all the same, without the
// hub. (That every quadric is freed, LeakSanitizer sees.)
TEST(Picture, WithoutAQuadricLacksOnlyTheHub) {
  window::draw(500, 500);
  setenv("MILL_NO_QUADRIC", "1", 1);
  display();
  unsetenv("MILL_NO_QUADRIC");
  EXPECT_TRUE(showsTheMill(window::read(), false));
  expectNoGlError();
}
