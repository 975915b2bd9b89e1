#include <GL/glu.h>
#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <cmath>
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

// The linker's --wrap dictates these names.
// NOLINTBEGIN(bugprone-reserved-identifier)
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
// NOLINTEND(bugprone-reserved-identifier)

// The most vertices one primitive had, counted by standing in for GL's own
// calls, for the drawing routines and GLU's quadrics alike.
namespace {
int vertices = 0;
int mostVertices = 0;
}  // namespace

extern "C" {
void glBegin(const GLenum mode) {
  static auto* const begin = reinterpret_cast<void (*)(GLenum)>(dlsym(RTLD_NEXT, "glBegin"));
  vertices = 0;
  begin(mode);
}

void glVertex3f(const GLfloat x, const GLfloat y, const GLfloat z) {
  static auto* const vertex =
      reinterpret_cast<void (*)(GLfloat, GLfloat, GLfloat)>(dlsym(RTLD_NEXT, "glVertex3f"));
  mostVertices = std::max(mostVertices, ++vertices);
  vertex(x, y, z);
}
}

namespace {

// The corners of the house and of every board, in the scene frame.
std::vector<glm::dvec3> millCorners() {
  std::vector<glm::dvec3> corners{{0, 80, -14}, {0, 80, -144}};
  for (const double x : {-87.0, 87.0}) {
    for (const double y : {-5.0, -85.0}) {
      for (const double z : {-14.0, -144.0}) {
        corners.emplace_back(x, y, z);
      }
    }
  }
  for (int k = 0; k < 8; ++k) {
    for (const double x : {-7.0, 7.0}) {
      for (const double y : {35.0, 70.0}) {
        for (const double z : {0.0, -3.0}) {
          corners.push_back(turned({x, y, z}, -45.0 * k));
        }
      }
    }
  }
  return corners;
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

TEST(Mill, EveryPartStandsWhereTheCameraSeesIt) {
  expectMill(window::draw(500, 500));
  expectNoGlError();
}

TEST(Mill, TheWholeMillIsInViewInFourFlatColoursOnWhite) {
  const Picture picture = window::draw(500, 500);
  glm::ivec2 low(picture.width, picture.height);
  glm::ivec2 high(-1, -1);
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const Rgb colour = picture.at(x, y);
      if (colour == white) {
        continue;
      }
      ASSERT_TRUE(colour == woodBrown || colour == red || colour == wallTan || colour == roofRed)
          << "pixel (" << x << ", " << y << ") is " << colour;
      low = glm::min(low, glm::ivec2(x, y));
      high = glm::max(high, glm::ivec2(x, y));
    }
  }
  // What is drawn spans exactly what the corners project to, and leaves a
  // white margin of more than a tenth of the window on every side.
  glm::ivec2 cornerLow(picture.width, picture.height);
  glm::ivec2 cornerHigh(-1, -1);
  for (const glm::dvec3& corner : millCorners()) {
    cornerLow = glm::min(cornerLow, pixelOf(corner, picture.width, picture.height));
    cornerHigh = glm::max(cornerHigh, pixelOf(corner, picture.width, picture.height));
  }
  for (int axis = 0; axis < 2; ++axis) {
    EXPECT_NEAR(low[axis], cornerLow[axis], 1) << "axis " << axis;
    EXPECT_NEAR(high[axis], cornerHigh[axis], 1) << "axis " << axis;
    EXPECT_GT(low[axis], 50);
    EXPECT_LT(high[axis], 450);
  }
}

TEST(View, CameraAndFrustumAreTheMillsForEverySize) {
  const glm::dmat4 camera = millCamera();
  const glm::dmat4 frustum = millFrustum();
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
    expectMill(window::draw(width, height));
  }
  // A one-pixel window draws without complaint, and the next size is whole again.
  window::draw(1, 1);
  expectNoGlError();
  expectMill(window::draw(500, 500));
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
  mostVertices = 0;
  for (int redraw = 0; redraw < 10; ++redraw) {
    display();
  }
  EXPECT_EQ(quadricsMade - madeBefore, 10);
  EXPECT_EQ(quadricsFreed, quadricsMade);
  // The hub's quad strips are the largest primitives, and the web page's GL
  // holds every one in its buffer of a primitive's vertices, of four floats
  // each, which would lose what did not fit without a word.
  EXPECT_EQ(mostVertices, 2 * (32 + 1));
  EXPECT_LE(mostVertices * 4 * static_cast<int>(sizeof(float)), MILL_WEB_VERTEX_BUFFER);

  refuseQuadrics = true;
  display();
  refuseQuadrics = false;
  const Picture picture = window::read();
  EXPECT_TRUE(shows(picture, {0, 0, 0}, wallTan)) << "no hub: the gable shows through";
  for (int k = 0; k < 8; ++k) {
    EXPECT_TRUE(shows(picture, boardFront(k), woodBrown)) << "board " << k;
  }
  expectNoGlError();
}
