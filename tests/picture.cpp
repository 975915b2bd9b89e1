#include "picture.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <glm/gtc/matrix_transform.hpp>
#include <iterator>

#include "gl_window.h"
#include "program.h"
#include "scene.h"
#include "view.h"

std::ostream& operator<<(std::ostream& out, const Rgb& colour) {
  return out << "(" << colour.red << ", " << colour.green << ", " << colour.blue << ")";
}

Rgb Picture::at(const int x, const int y) const {
  const auto offset = 3 * (static_cast<std::size_t>(y) * width + x);
  return {rgb[offset], rgb[offset + 1], rgb[offset + 2]};
}

namespace {

// The mill's camera and frustum, with GLM, from the design's numbers.
glm::dmat4 millCamera() {
  return glm::lookAt(glm::dvec3(350, 110, 150), glm::dvec3(40, 70, -50), glm::dvec3(0, 1, 0));
}

glm::dmat4 millFrustum() { return glm::frustum(-100.0, 100.0, -100.0, 100.0, 150.0, 2000.0); }

// The colours of the picture, white first.
constexpr std::array<Rgb, 5> palette{{
    {255, 255, 255},  // white
    {139, 69, 19},    // wood brown
    {255, 0, 0},      // red
    {222, 184, 135},  // wall tan
    {222, 10, 0},     // roof red
}};
enum Colour : std::uint8_t { white, woodBrown, red, wallTan, roofRed };

// A flat face of one colour, or with two corners a line, in the scene frame.
struct Piece {
  Colour colour;
  std::vector<glm::dvec3> corners;
};

// The mill, piece by piece in the order it is drawn. The depth test decides
// what hides what; the order only settles ties, where pieces meet.
std::vector<Piece> millPieces(const bool hub) {
  std::vector<Piece> pieces;
  // Board k is a block 14 across (x), from 35 to 70 out along its arm (y)
  // and 3 thick behind the front plane (z), turned clockwise by 45k degrees
  // as seen from the camera's side; its spoke runs from the hub's rim to
  // the middle of its inner end.
  const auto onArm = [](const int k, const std::vector<glm::dvec3>& corners) {
    const glm::dmat4 turn = glm::rotate(glm::dmat4(1), glm::radians(-45.0 * k), {0, 0, 1});
    std::vector<glm::dvec3> turned;
    turned.reserve(corners.size());
    for (const glm::dvec3& corner : corners) {
      turned.emplace_back(turn * glm::dvec4(corner, 1));
    }
    return turned;
  };
  for (const double z : {0.0, -3.0}) {
    for (int k = 0; k < 8; ++k) {
      pieces.push_back({woodBrown, onArm(k, {{-7, 35, z}, {7, 35, z}, {7, 70, z}, {-7, 70, z}})});
    }
  }
  for (int k = 0; k < 8; ++k) {
    for (const double y : {35.0, 70.0}) {
      pieces.push_back({red, onArm(k, {{-7, y, 0}, {7, y, 0}, {7, y, -3}, {-7, y, -3}})});
    }
    for (const double x : {-7.0, 7.0}) {
      pieces.push_back({red, onArm(k, {{x, 35, 0}, {x, 70, 0}, {x, 70, -3}, {x, 35, -3}})});
    }
  }
  for (int k = 0; k < 8; ++k) {
    pieces.push_back({red, onArm(k, {{0, 12, -1.5}, {0, 35, -1.5}})});
  }
  // The hub: a wall of radius 12 from z = -3 to -1, a cap at each end of the
  // rotor (z = -3 and 0), each circle a polygon of 32 sides.
  if (hub) {
    const auto rim = [](const int i, const double z) {
      const double angle = glm::radians(360.0 * i / 32);
      return glm::dvec3(12 * std::cos(angle), 12 * std::sin(angle), z);
    };
    for (int i = 0; i < 32; ++i) {
      pieces.push_back({woodBrown, {rim(i, -3), rim(i + 1, -3), rim(i + 1, -1), rim(i, -1)}});
    }
    for (const double z : {-3.0, 0.0}) {
      Piece cap{red, {}};
      for (int i = 0; i < 32; ++i) {
        cap.corners.push_back(rim(i, z));
      }
      pieces.push_back(cap);
    }
  }
  // The house: a prism 130 deep behind the rotor, its two ends the same
  // house-shaped pentagon (walls from the ground at y = -85 to the eaves at
  // -5, the ridge at 80), its five sides the floor, walls and roof slopes.
  const std::vector<glm::dvec2> end{{-87, -85}, {87, -85}, {87, -5}, {0, 80}, {-87, -5}};
  for (const double z : {-14.0, -144.0}) {
    Piece face{wallTan, {}};
    for (const glm::dvec2& corner : end) {
      face.corners.emplace_back(corner, z);
    }
    pieces.push_back(face);
  }
  for (std::size_t i = 0; i < end.size(); ++i) {
    const glm::dvec2 from = end[i];
    const glm::dvec2 to = end[(i + 1) % end.size()];
    pieces.push_back({roofRed, {{from, -14}, {to, -14}, {to, -144}, {from, -144}}});
  }
  return pieces;
}

// Where rasterizers may rightly differ, and nowhere else: at a pixel whose
// centre lies within 1/16 of a pixel of an edge that shows (SwiftShader, in
// Chromium, places corners on a grid of sixteenths), and along the spokes,
// one-pixel lines that each rasterizer steps and ends in its own way. Such a
// pixel may take the colour of that edge's piece or of a pixel around it;
// where a spoke should show, the picture seen must also have a pixel of the
// spoke close by, or a spoke left out would pass.
constexpr double edgeReach = 1.0 / 16;
constexpr double spokeReach = 1;
constexpr int aroundEdge = 1;
constexpr int aroundSpoke = 2;
constexpr unsigned bySpoke = 1U << 31;

// What a pixel of the window should hold.
struct Pixel {
  Colour colour = white;
  double depth = 1;
  std::size_t piece = SIZE_MAX;
  unsigned others = 0;  // a bit for each colour it may take instead
};

double det(const glm::dvec2 a, const glm::dvec2 b) { return (a.x * b.y) - (a.y * b.x); }

// The reference renderer: the mill rasterized by GL's rules in a window of
// the given size (a polygon covers the pixels whose centres it covers, a
// line one pixel in each column or row along its major axis), with a
// z-buffer where the first of equal depths wins. Then, the pixels in doubt.
struct Reference {
  Reference(const int width, const int height, const bool hub)
      : width(width), height(height), pixels(std::size_t(width) * height) {
    const glm::dmat4 scene = glm::translate(millCamera(), glm::dvec3(0, 70, 0));
    for (const Piece& piece : millPieces(hub)) {
      std::vector<glm::dvec3> at;
      at.reserve(piece.corners.size());
      for (const glm::dvec3& corner : piece.corners) {
        at.push_back(glm::project(corner, scene, millFrustum(), glm::dvec4(0, 0, width, height)));
      }
      projected.emplace_back(piece.colour, at);
      if (at.size() == 2) {
        line(at[0], at[1]);
      }
      for (std::size_t i = 1; at.size() > 2 && i + 1 < at.size(); ++i) {
        triangle(at[0], at[i], at[i + 1]);
      }
    }
    doubt();
  }

  Pixel& at(const int x, const int y) { return pixels[(std::size_t(y) * width) + x]; }
  [[nodiscard]] const Pixel& at(const int x, const int y) const {
    return pixels[(std::size_t(y) * width) + x];
  }

  void plot(const int x, const int y, const double depth) {
    if (x >= 0 && y >= 0 && x < width && y < height && depth < at(x, y).depth) {
      at(x, y) = {projected.back().first, depth, projected.size() - 1};
    }
  }

  // The pixels within the bounds, a rectangle of the window.
  template <typename Visit>
  void within(const glm::dvec2 low, const glm::dvec2 high, const Visit& visit) const {
    for (int y = std::max(0, int(low.y)); y <= std::min(height - 1, int(high.y)); ++y) {
      for (int x = std::max(0, int(low.x)); x <= std::min(width - 1, int(high.x)); ++x) {
        visit(x, y, glm::dvec2(x + 0.5, y + 0.5));
      }
    }
  }

  // The pixels whose centres lie inside, by their barycentric weights, which
  // also give their depth.
  void triangle(const glm::dvec3 a, const glm::dvec3 b, const glm::dvec3 c) {
    const double area = det(b - a, c - a);
    within(glm::min(glm::min(a, b), c), glm::max(glm::max(a, b), c),
           [&](const int x, const int y, const glm::dvec2 centre) {
             const double wa = det(glm::dvec2(c - b), centre - glm::dvec2(b)) / area;
             const double wb = det(glm::dvec2(a - c), centre - glm::dvec2(c)) / area;
             const double wc = 1 - wa - wb;
             if (area != 0 && wa >= 0 && wb >= 0 && wc >= 0) {
               plot(x, y, (wa * a.z) + (wb * b.z) + (wc * c.z));
             }
           });
  }

  void line(const glm::dvec3 a, const glm::dvec3 b) {
    const glm::dvec3 along = b - a;
    const int major = std::abs(along.x) >= std::abs(along.y) ? 0 : 1;
    for (auto step = static_cast<int>(std::ceil(std::min(a[major], b[major]) - 0.5));
         step + 0.5 < std::max(a[major], b[major]); ++step) {
      const glm::dvec3 point = a + (along * ((step + 0.5 - a[major]) / along[major]));
      const auto minor = static_cast<int>(std::floor(point[1 - major]));
      plot(major == 0 ? step : minor, major == 0 ? minor : step, point.z);
    }
  }

  // A pixel is in doubt where an edge that shows runs close by its centre:
  // one of the piece the pixel shows, or one in front of it. It may then
  // take that piece's colour, or that of a pixel around it.
  void doubt() {
    std::vector<unsigned> edges(pixels.size(), 0);
    for (std::size_t piece = 0; piece < projected.size(); ++piece) {
      const std::vector<glm::dvec3>& corners = projected[piece].second;
      const bool spoke = corners.size() == 2;
      const unsigned marks = (1U << projected[piece].first) | (spoke ? bySpoke : 0);
      const double reach = spoke ? spokeReach : edgeReach;
      for (std::size_t i = 0; i < (spoke ? 1 : corners.size()); ++i) {
        const glm::dvec3 a = corners[i];
        const glm::dvec3 b = corners[(i + 1) % corners.size()];
        const glm::dvec2 along(b - a);
        within(glm::dvec2(glm::min(a, b)) - reach, glm::dvec2(glm::max(a, b)) + reach,
               [&](const int x, const int y, const glm::dvec2 centre) {
                 const double t = glm::dot(centre - glm::dvec2(a), along) / glm::dot(along, along);
                 const glm::dvec3 closest = a + ((b - a) * std::clamp(t, 0.0, 1.0));
                 // 0.05 scene units or so; what hides an edge is a unit nearer.
                 if (glm::distance(centre, glm::dvec2(closest)) <= reach &&
                     (at(x, y).piece == piece || closest.z <= at(x, y).depth + 5e-5)) {
                   edges[(std::size_t(y) * width) + x] |= marks;
                 }
               });
      }
    }
    for (std::size_t i = 0; i < pixels.size(); ++i) {
      const int around = (edges[i] & bySpoke) != 0 ? aroundSpoke : aroundEdge;
      const glm::dvec2 pixel(i % width, i / width);
      within(pixel - double(around), pixel + double(around), [&](int x, int y, glm::dvec2) {
        pixels[i].others |= edges[i] == 0 ? 0 : (edges[i] & ~bySpoke) | (1U << at(x, y).colour);
      });
    }
  }

  int width;
  int height;
  std::vector<Pixel> pixels;
  std::vector<std::pair<Colour, std::vector<glm::dvec3>>> projected;
};

// The pixel seen is the one expected, or one it may rightly be instead:
// where a spoke should show, one must show close by.
bool allowed(const Reference& expected, const Picture& seen, const int x, const int y) {
  const Pixel& pixel = expected.at(x, y);
  const Rgb want = palette[pixel.colour];
  const auto taken = std::find(palette.begin(), palette.end(), seen.at(x, y)) - palette.begin();
  if (seen.at(x, y) == want) {
    return true;
  }
  if (taken == std::ptrdiff_t{palette.size()} || (pixel.others & (1U << taken)) == 0) {
    return false;
  }
  bool shown = pixel.piece == SIZE_MAX || expected.projected[pixel.piece].second.size() != 2;
  expected.within(
      glm::dvec2(x - aroundSpoke, y - aroundSpoke), glm::dvec2(x + aroundSpoke, y + aroundSpoke),
      [&](const int u, const int v, glm::dvec2) { shown = shown || seen.at(u, v) == want; });
  return shown;
}

// Saves the picture as a PNG file, top row first.
void save(const Picture& picture, const std::string& path) {
  {
    std::ofstream ppm(path + ".ppm", std::ios::binary);
    ppm << "P6\n" << picture.width << " " << picture.height << "\n255\n";
    ppm.write(reinterpret_cast<const char*>(picture.rgb.data()),
              static_cast<std::streamsize>(picture.rgb.size()));
  }
  Program({"convert", path + ".ppm", "-flip", path}).waitForExit(30s);
  std::filesystem::remove(path + ".ppm");
}

testing::AssertionResult compare(const Picture& seen, const bool hub, const bool report) {
  if (seen.width < 1 || seen.height < 1 ||
      seen.rgb.size() != 3 * std::size_t(seen.width) * seen.height) {
    return testing::AssertionFailure() << "a picture of " << seen.width << " x " << seen.height
                                       << " holds " << seen.rgb.size() << " bytes";
  }
  const Reference expected(seen.width, seen.height, hub);
  // Where they differ: black, or grey where that is allowed, on a pale copy
  // of the expected picture.
  Picture wanted{seen.width, seen.height, {}};
  Picture difference = wanted;
  for (const Pixel& pixel : expected.pixels) {
    for (const int value :
         {palette[pixel.colour].red, palette[pixel.colour].green, palette[pixel.colour].blue}) {
      wanted.rgb.push_back(static_cast<std::uint8_t>(value));
      difference.rgb.push_back(static_cast<std::uint8_t>(255 - ((255 - value) / 4)));
    }
  }
  int differing = 0;
  testing::Message first;
  for (int y = 0; y < seen.height; ++y) {
    for (int x = 0; x < seen.width; ++x) {
      const bool right = allowed(expected, seen, x, y);
      if (!(seen.at(x, y) == wanted.at(x, y))) {
        std::fill_n(difference.rgb.begin() + (3 * ((std::ptrdiff_t{y} * seen.width) + x)), 3,
                    right ? 160 : 0);
      }
      if (!right && differing++ < 5) {
        first << "\n  (" << x << ", " << y << ") from the bottom left: expected " << wanted.at(x, y)
              << ", saw " << seen.at(x, y);
      }
    }
  }
  if (differing == 0 || !report) {
    return differing == 0 ? testing::AssertionSuccess() : testing::AssertionFailure();
  }
  // In the folder the test runs in, named by the test.
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  static int saved = 0;
  const std::string stem = std::filesystem::absolute("pictures").string() + "/" +
                           test->test_suite_name() + "." + test->name() + "-" +
                           std::to_string(++saved) + "-";
  std::filesystem::create_directories("pictures");
  save(seen, stem + "seen.png");
  save(wanted, stem + "expected.png");
  save(difference, stem + "difference.png");
  return testing::AssertionFailure()
         << differing << " of the " << seen.width << " x " << seen.height
         << " pixels are not the mill's, the first:" << first << "\nSaved: " << stem
         << "{seen,expected,difference}.png";
}

}  // namespace

bool isTheMill(const Picture& seen) { return compare(seen, true, false); }

testing::AssertionResult showsTheMill(const Picture& seen, const bool hub) {
  return compare(seen, hub, true);
}

Picture readImage(const std::string& path) {
  const std::string ppm = path + ".ppm";
  Program({"convert", path, "-flip", "-depth", "8", "ppm:" + ppm}).waitForExit(30s);
  std::ifstream file(ppm, std::ios::binary);
  Picture picture;
  std::string word;  // the format, then the largest value
  file >> word >> picture.width >> picture.height >> word;
  file.get();
  picture.rgb.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  std::filesystem::remove(ppm);
  return picture;
}

namespace window {

Picture draw(const int width, const int height) {
  // Clear of the program's own window at (100, 100), so neither hides the other.
  glwindow::open(700, 0);
  glwindow::resize(width, height);
  reshape(width, height);
  display();
  return read();
}

Picture read() {
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
