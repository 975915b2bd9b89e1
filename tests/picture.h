#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

struct Rgb {
  int red, green, blue;
  bool operator==(const Rgb& o) const { return red == o.red && green == o.green && blue == o.blue; }
};
std::ostream& operator<<(std::ostream& out, const Rgb& colour);

// What a window shows, bottom row first as GL reads it.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;

  [[nodiscard]] Rgb at(int x, int y) const;
  bool operator==(const Picture& o) const { return width == o.width && rgb == o.rgb; }
};

// The picture matches, pixel for pixel, what the tests' own reference
// renderer draws of the design in a window of its size (without the hub,
// where asked), never from the program's code or tables. On failure says
// how many pixels differ and where the first ones are, and saves the seen,
// expected and difference images as PNG files, which it names.
testing::AssertionResult showsTheMill(const Picture& seen, bool hub = true);
// The same, quietly, for a picture that may not have come yet.
bool isTheMill(const Picture& seen);

// A picture from an image file, as ImageMagick reads it.
Picture readImage(const std::string& path);

// The test's own window, driven by the program's init, reshape and display.
namespace window {
// Gives the window the size, lets GLUT settle it, then reshapes and draws.
Picture draw(int width, int height);
// Reads what the window holds now.
Picture read();
}  // namespace window
