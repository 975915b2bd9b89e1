#pragma once

#include <GL/gl.h>

#include <array>
#include <cstddef>

// What the frame routine draws, in the scene frame: the rotor's centre at the
// origin, its axis along z, the house behind it.
void rotor();
void house();

struct Colour {
  GLubyte red, green, blue;
};

struct Vertex {
  GLfloat x, y, z;
};

// One immediate-mode primitive: a board face, an edge, a spoke, a wall.
struct Face {
  GLenum primitive;
  std::size_t corners;
  std::array<Vertex, 4> vertices;
};

inline void paint(const Colour& colour) { glColor3ub(colour.red, colour.green, colour.blue); }

inline void issue(const Face& face) {
  glBegin(face.primitive);
  for (std::size_t corner = 0; corner < face.corners; ++corner) {
    const Vertex& v = face.vertices[corner];
    glVertex3f(v.x, v.y, v.z);
  }
  glEnd();
}
