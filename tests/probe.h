#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <glm/glm.hpp>
#include <ostream>
#include <vector>

struct Rgb {
  int red, green, blue;
  bool operator==(const Rgb& other) const {
    return red == other.red && green == other.green && blue == other.blue;
  }
};
std::ostream& operator<<(std::ostream& out, const Rgb& colour);

inline constexpr Rgb white{255, 255, 255};
inline constexpr Rgb woodBrown{139, 69, 19};
inline constexpr Rgb red{255, 0, 0};
inline constexpr Rgb wallTan{222, 184, 135};
inline constexpr Rgb roofRed{222, 10, 0};

// What a window shows, bottom row first as GL reads it.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;

  [[nodiscard]] Rgb at(int x, int y) const;
  bool operator==(const Picture& other) const {
    return width == other.width && height == other.height && rgb == other.rgb;
  }
};

// Both pictures are the same size and alike pixel for pixel; on failure says
// how many pixels differ and where the first one is.
testing::AssertionResult alike(const Picture& seen, const Picture& expected);

// The mill's camera and frustum, built with GLM from the design's numbers,
// independently of the program.
glm::dmat4 millCamera();
glm::dmat4 millFrustum();

// The window pixel that a point of the scene frame lands on, worked out from
// the mill's camera and frustum with GLM, independently of the program.
glm::ivec2 pixelOf(const glm::dvec3& scenePoint, int width, int height);

// The scene point turned about the rotor's axis by the given degrees.
glm::dvec3 turned(const glm::dvec3& scenePoint, double degrees);

// The pixel under the scene point has the colour.
testing::AssertionResult shows(const Picture& picture, const glm::dvec3& scenePoint, Rgb expected);

// A pixel within one of the scene point's has the colour: for one-pixel lines.
testing::AssertionResult touches(const Picture& picture, const glm::dvec3& scenePoint,
                                 Rgb expected);

// The middle of the front face of board k, on the front plane z = 0.
glm::dvec3 boardFront(int k);

// The whole mill stands where the camera sees it, in a window of any size:
// the hub's front cap, every board and spoke, the house's faces towards the
// camera, and a white margin of a tenth of the window on every side.
void expectMill(const Picture& picture);

// The test's own window, driven by the program's init, reshape and display.
namespace window {
// Gives the window the size, lets GLUT settle it, then reshapes and draws.
Picture draw(int width, int height);
// Reads what the window holds now.
Picture read();
}  // namespace window
