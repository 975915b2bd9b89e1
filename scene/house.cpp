#include "pieces.h"

// The mill's body: a gabled prism behind the rotor, drawn in the scene frame
// with no transform of its own. The faces are not wound consistently, which
// is why nothing is ever culled: every face shows from both sides, and the
// depth test alone decides what hides what.
void house() {
  static constexpr Colour wallTan{222, 184, 135};
  static constexpr Colour roofRed{222, 10, 0};

  struct HouseFace {
    Colour colour;
    Face face;
  };
  static constexpr std::array<HouseFace, 9> faces{{
      // front gable
      {wallTan, {GL_TRIANGLES, 3, {{{-87, -5, -14}, {0, 80, -14}, {87, -5, -14}}}}},
      // front wall
      {wallTan,
       {GL_POLYGON, 4, {{{-87, -5, -14}, {87, -5, -14}, {87, -85, -14}, {-87, -85, -14}}}}},
      // back gable
      {wallTan, {GL_TRIANGLES, 3, {{{-87, -5, -144}, {0, 80, -144}, {87, -5, -144}}}}},
      // back wall
      {wallTan,
       {GL_POLYGON, 4, {{{-87, -5, -144}, {87, -5, -144}, {87, -85, -144}, {-87, -85, -144}}}}},
      // left roof slope
      {roofRed, {GL_POLYGON, 4, {{{0, 80, -14}, {-87, -5, -14}, {-87, -5, -144}, {0, 80, -144}}}}},
      // right roof slope
      {roofRed, {GL_POLYGON, 4, {{{0, 80, -14}, {87, -5, -14}, {87, -5, -144}, {0, 80, -144}}}}},
      // left side wall
      {roofRed,
       {GL_POLYGON, 4, {{{-87, -5, -14}, {-87, -5, -144}, {-87, -85, -144}, {-87, -85, -14}}}}},
      // right side wall
      {roofRed,
       {GL_POLYGON, 4, {{{87, -5, -14}, {87, -5, -144}, {87, -85, -144}, {87, -85, -14}}}}},
      // floor
      {roofRed,
       {GL_POLYGON, 4, {{{87, -85, -144}, {87, -85, -14}, {-87, -85, -14}, {-87, -85, -144}}}}},
  }};

  // The colour goes before every face, also where it repeats: each row
  // stands on its own.
  for (const HouseFace& part : faces) {
    paint(part.colour);
    issue(part.face);
  }
}
