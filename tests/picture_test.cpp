#include <GL/glu.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "probe.h"
#include "scene.h"
#include "view.h"

// The hub's quadric, watched: how many were made and freed, and whether GLU
// is made to refuse one.
namespace {
int quadricsMade = 0;
int quadricsFreed = 0;
bool refuseQuadrics = false;
}  // namespace

extern "C" {
GLUquadric* __real_gluNewQuadric();
void __real_gluDeleteQuadric(GLUquadric* quadric);

GLUquadric* __wrap_gluNewQuadric() {
  if (refuseQuadrics) {
    return nullptr;
  }
  ++quadricsMade;
  return __real_gluNewQuadric();
}

void __wrap_gluDeleteQuadric(GLUquadric* quadric) {
  if (quadric != nullptr) {
    ++quadricsFreed;
  }
  __real_gluDeleteQuadric(quadric);
}
}

namespace {

// The middle of the front face of board k, on the front plane z = 0.
glm::dvec3 boardFront(const int k) { return turned({0, 52.5, 0}, -45.0 * k); }

void expectRotor(const Picture& picture) {
  EXPECT_TRUE(shows(picture, {0, 0, 0}, red)) << "front cap";
  for (int k = 0; k < 8; ++k) {
    EXPECT_TRUE(shows(picture, boardFront(k), woodBrown)) << "board " << k;
    EXPECT_TRUE(touches(picture, turned({0, 24, -1.5}, -45.0 * k), red)) << "spoke " << k;
  }
}

void expectNoGlError() {
  const GLenum error = glGetError();
  EXPECT_EQ(error, static_cast<GLenum>(GL_NO_ERROR)) << gluErrorString(error);
}

std::array<double, 16> matrix(const GLenum which) {
  std::array<GLdouble, 16> values{};
  glGetDoublev(which, values.data());
  return values;
}

// GL keeps its matrices in single precision.
void expectNear(const std::array<double, 16>& seen, const glm::dmat4& expected) {
  for (int i = 0; i < 16; ++i) {
    const double want = glm::value_ptr(expected)[i];
    EXPECT_NEAR(seen[i], want, 1e-6 * std::max(1.0, std::abs(want))) << "element " << i;
  }
}

}  // namespace

TEST(Rotor, BoardsSpokesAndHubStandWhereTheCameraSeesThem) {
  const Picture picture = window::draw(500, 500);
  expectRotor(picture);
  // Between the boards, inside the ring of spokes and beyond the boards' ends.
  for (int k = 0; k < 8; ++k) {
    EXPECT_TRUE(shows(picture, turned({0, 52.5, 0}, -45.0 * k - 22.5), white)) << "gap " << k;
    EXPECT_TRUE(shows(picture, turned({0, 80, 0}, -45.0 * k), white)) << "beyond " << k;
  }
  expectNoGlError();
}

TEST(View, CameraAndFrustumAreTheMillsForEverySize) {
  const glm::dmat4 camera = glm::lookAt(glm::dvec3(350, 110, 150), glm::dvec3(40, 70, -50),
                                        glm::dvec3(0, 1, 0));
  const glm::dmat4 frustum = glm::frustum(-100.0, 100.0, -100.0, 100.0, 150.0, 2000.0);
  window::draw(500, 500);
  for (const auto& [width, height] : {std::pair{500, 500}, {800, 300}, {0, 40}, {1, 1}}) {
    reshape(width, height);
    reshape(width, height);  // twice is the same as once
    std::array<GLint, 4> viewport{};
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    EXPECT_EQ(viewport, (std::array<GLint, 4>{0, 0, width, height}));
    expectNear(matrix(GL_MODELVIEW_MATRIX), camera);
    expectNear(matrix(GL_PROJECTION_MATRIX), frustum);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    display();
    expectNoGlError();
  }
}

TEST(View, WideAndTallWindowsShowTheSameViewStretched) {
  for (const auto& [width, height] : {std::pair{800, 300}, {300, 700}}) {
    SCOPED_TRACE(testing::Message() << width << " x " << height);
    expectRotor(window::draw(width, height));
  }
  // A one-pixel window draws without complaint, and the next size is whole again.
  window::draw(1, 1);
  expectNoGlError();
  expectRotor(window::draw(500, 500));
}

TEST(Redraw, EveryRedrawShowsTheSamePictureAndRestoresTheState) {
  const Picture first = window::draw(500, 500);
  GLint depthBefore = 0;
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);
  const auto cameraBefore = matrix(GL_MODELVIEW_MATRIX);
  for (int redraw = 0; redraw < 3; ++redraw) {
    display();
    EXPECT_EQ(window::read(), first) << "redraw " << redraw;
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, depthBefore);
    EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), cameraBefore);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  }
  expectNoGlError();
}

TEST(Hub, EveryQuadricIsFreedAndAFrameWithoutOneIsStillDrawn) {
  window::draw(500, 500);
  const int madeBefore = quadricsMade;
  for (int redraw = 0; redraw < 10; ++redraw) {
    display();
  }
  EXPECT_EQ(quadricsMade - madeBefore, 10);
  EXPECT_EQ(quadricsFreed, quadricsMade);

  refuseQuadrics = true;
  display();
  refuseQuadrics = false;
  const Picture picture = window::read();
  EXPECT_FALSE(shows(picture, {0, 0, 0}, red)) << "no hub, no front cap";
  for (int k = 0; k < 8; ++k) {
    EXPECT_TRUE(shows(picture, boardFront(k), woodBrown)) << "board " << k;
  }
  expectNoGlError();
}
