#include "probe.h"

#include <GL/freeglut.h>

#include <glm/gtc/matrix_transform.hpp>

#include "gl_window.h"
#include "scene.h"
#include "view.h"

std::ostream& operator<<(std::ostream& out, const Rgb& colour) {
  return out << "(" << colour.red << ", " << colour.green << ", " << colour.blue << ")";
}

Rgb Picture::at(const int x, const int y) const {
  const auto offset = 3 * (static_cast<std::size_t>(y) * width + x);
  return {rgb[offset], rgb[offset + 1], rgb[offset + 2]};
}

testing::AssertionResult alike(const Picture& seen, const Picture& expected) {
  if (seen.width != expected.width || seen.height != expected.height) {
    return testing::AssertionFailure()
           << "size " << seen.width << " x " << seen.height << ", expected " << expected.width
           << " x " << expected.height;
  }
  int differing = 0;
  testing::Message first;
  for (int y = 0; y < seen.height; ++y) {
    for (int x = 0; x < seen.width; ++x) {
      if (!(seen.at(x, y) == expected.at(x, y)) && differing++ == 0) {
        first << " first at (" << x << ", " << y << "): " << seen.at(x, y) << ", expected "
              << expected.at(x, y);
      }
    }
  }
  if (differing == 0) {
    return testing::AssertionSuccess();
  }
  return testing::AssertionFailure() << differing << " pixels differ;" << first;
}

glm::dmat4 millCamera() {
  return glm::lookAt(glm::dvec3(350, 110, 150), glm::dvec3(40, 70, -50), glm::dvec3(0, 1, 0));
}

glm::dmat4 millFrustum() { return glm::frustum(-100.0, 100.0, -100.0, 100.0, 150.0, 2000.0); }

glm::ivec2 pixelOf(const glm::dvec3& scenePoint, const int width, const int height) {
  const glm::dmat4 scene = glm::translate(millCamera(), glm::dvec3(0, 70, 0));
  const glm::dvec3 at =
      glm::project(scenePoint, scene, millFrustum(), glm::dvec4(0, 0, width, height));
  return {static_cast<int>(at.x), static_cast<int>(at.y)};
}

glm::dvec3 turned(const glm::dvec3& scenePoint, const double degrees) {
  const glm::dmat4 turn = glm::rotate(glm::dmat4(1), glm::radians(degrees), glm::dvec3(0, 0, 1));
  return {turn * glm::dvec4(scenePoint, 1)};
}

namespace {

testing::AssertionResult probe(const Picture& picture, const glm::dvec3& scenePoint,
                               const Rgb expected, const int reach) {
  const glm::ivec2 pixel = pixelOf(scenePoint, picture.width, picture.height);
  Rgb seen{-1, -1, -1};
  for (int dy = -reach; dy <= reach; ++dy) {
    for (int dx = -reach; dx <= reach; ++dx) {
      const int x = pixel.x + dx;
      const int y = pixel.y + dy;
      if (x < 0 || y < 0 || x >= picture.width || y >= picture.height) {
        continue;
      }
      if (picture.at(x, y) == expected) {
        return testing::AssertionSuccess();
      }
      if (dx == 0 && dy == 0) {
        seen = picture.at(x, y);
      }
    }
  }
  return testing::AssertionFailure()
         << "scene point (" << scenePoint.x << ", " << scenePoint.y << ", " << scenePoint.z
         << ") at pixel (" << pixel.x << ", " << pixel.y << ") of " << picture.width << " x "
         << picture.height << ": expected " << expected << ", saw " << seen;
}

}  // namespace

testing::AssertionResult shows(const Picture& picture, const glm::dvec3& scenePoint,
                               const Rgb expected) {
  return probe(picture, scenePoint, expected, 0);
}

testing::AssertionResult touches(const Picture& picture, const glm::dvec3& scenePoint,
                                 const Rgb expected) {
  return probe(picture, scenePoint, expected, 1);
}

glm::dvec3 boardFront(const int k) { return turned({0, 52.5, 0}, -45.0 * k); }

// Every board's front face stands before the house's front end: drawn
// first, it stays wood brown only because the depth test keeps it.
void expectMill(const Picture& picture) {
  EXPECT_TRUE(shows(picture, {0, 0, 0}, red)) << "front cap";
  for (int k = 0; k < 8; ++k) {
    EXPECT_TRUE(shows(picture, boardFront(k), woodBrown)) << "board " << k;
    EXPECT_TRUE(touches(picture, turned({0, 24, -1.5}, -45.0 * k), red)) << "spoke " << k;
  }
  // The parts of the house that face the camera, where the rotor leaves them bare.
  EXPECT_TRUE(shows(picture, {60, 10, -14}, wallTan)) << "front gable";
  EXPECT_TRUE(shows(picture, {0, -75, -14}, wallTan)) << "front wall";
  EXPECT_TRUE(shows(picture, {43.5, 37.5, -79}, roofRed)) << "right roof slope";
  EXPECT_TRUE(shows(picture, {87, -45, -79}, roofRed)) << "right side wall";

  const int marginX = picture.width / 10;
  const int marginY = picture.height / 10;
  int inMargin = 0;
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const bool margin = x < marginX || y < marginY || x >= picture.width - marginX ||
                          y >= picture.height - marginY;
      inMargin += margin && !(picture.at(x, y) == white) ? 1 : 0;
    }
  }
  EXPECT_EQ(inMargin, 0) << "pixels drawn in the white margin of " << picture.width << " x "
                         << picture.height;
}

namespace window {

// Clear of the program's own window at (100, 100), so neither hides the other.
void open() { glwindow::open(700, 0); }

Picture draw(const int width, const int height) {
  open();
  glwindow::resize(width, height);
  reshape(width, height);
  display();
  return read();
}

Picture read() {
  open();
  glFinish();
  Picture picture;
  picture.width = glutGet(GLUT_WINDOW_WIDTH);
  picture.height = glutGet(GLUT_WINDOW_HEIGHT);
  picture.rgb.resize(3 * static_cast<std::size_t>(picture.width) * picture.height);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, picture.width, picture.height, GL_RGB, GL_UNSIGNED_BYTE, picture.rgb.data());
  return picture;
}

}  // namespace window
