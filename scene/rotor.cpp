#include <GL/glu.h>

#include <memory>

#include "pieces.h"

namespace {

// Draws sailCount copies of one piece around the axis. The rotation follows
// every copy, the last one too; the saved level throws the turns away.
template <typename Piece>
void sailPass(const int sailCount, const GLfloat step, const Piece& piece) {
  glPushMatrix();
  int count = 0;
  do {
    piece();
    glRotatef(step, 0.0F, 0.0F, 1.0F);
    ++count;
  } while (count < sailCount);
  glPopMatrix();
}

}  // namespace

void rotor() {
  constexpr int sailCount = 8;
  constexpr int hubSize = 20;
  // Whole degrees: a count that does not divide 360 spreads the boards unevenly.
  constexpr int stepDegrees = -360 / sailCount;
  const auto step = static_cast<GLfloat>(stepDegrees);
  const double hubRadius = hubSize * 0.6;
  const double hubLength = hubSize * 0.1;

  static constexpr Colour woodBrown{139, 69, 19};
  static constexpr Colour red{255, 0, 0};

  // One board, pointing straight up, 3 thick behind the front plane z = 0.
  static constexpr Face frontFace{
      GL_POLYGON, 4, {{{-7, 35, 0}, {7, 35, 0}, {7, 70, 0}, {-7, 70, 0}}}};
  static constexpr Face backFace{
      GL_POLYGON, 4, {{{-7, 35, -3}, {7, 35, -3}, {7, 70, -3}, {-7, 70, -3}}}};
  static constexpr std::array<Face, 4> edges{{
      {GL_POLYGON, 4, {{{-7, 35, -3}, {7, 35, -3}, {7, 35, 0}, {-7, 35, 0}}}},    // inner
      {GL_POLYGON, 4, {{{-7, 70, -3}, {7, 70, -3}, {7, 70, 0}, {-7, 70, 0}}}},    // outer
      {GL_POLYGON, 4, {{{-7, 70, -3}, {-7, 35, -3}, {-7, 35, 0}, {-7, 70, 0}}}},  // left
      {GL_POLYGON, 4, {{{7, 70, -3}, {7, 35, -3}, {7, 35, 0}, {7, 70, 0}}}},      // right
  }};
  // From the hub's rim to the middle of the board's inner edge.
  static constexpr Face spoke{GL_LINES, 2, {{{0, 12, -1.5F}, {0, 35, -1.5F}}}};

  paint(woodBrown);
  sailPass(sailCount, step, [] { issue(frontFace); });
  sailPass(sailCount, step, [] { issue(backFace); });
  paint(red);
  sailPass(sailCount, step, [] {
    for (const Face& edge : edges) {
      issue(edge);
    }
  });
  paint(red);
  sailPass(sailCount, step, [] { issue(spoke); });

  // The hub wall runs from the back cap at z = -3 and stops a unit short of
  // the front cap, which lies level with the boards' front faces.
  paint(woodBrown);
  glPushMatrix();
  glTranslatef(0.0F, 0.0F, -3.0F);
  // One quadric per redraw, always released; without one the frame is drawn
  // all the same, only without the hub.
  const std::unique_ptr<GLUquadric, decltype(&gluDeleteQuadric)> quadric(gluNewQuadric(),
                                                                         gluDeleteQuadric);
  if (quadric) {
    gluCylinder(quadric.get(), hubRadius, hubRadius, hubLength, 32, 32);
  }
  paint(red);
  if (quadric) {
    gluDisk(quadric.get(), 0.0, hubRadius, 32, 32);
  }
  paint(red);
  glTranslatef(0.0F, 0.0F, 3.0F);
  if (quadric) {
    gluDisk(quadric.get(), 0.0, hubRadius, 32, 32);
  }
  glPopMatrix();
}
