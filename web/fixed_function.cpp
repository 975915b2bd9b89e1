// The fixed-function GL the mill draws with, over WebGL: the model-view and
// projection matrix stacks, and glBegin/glEnd lines, triangles, strips,
// fans, polygons and quad strips in the current colour, unlit and
// untextured (other primitives draw nothing). The frame is drawn in batches
// rather than a primitive at a time: a run of filled primitives is one
// WebGL draw, a run of lines another, so the mill's frame is three draws,
// where a draw for each of its 161 primitives took some fifteen WebGL calls
// apiece.
//
// A batch holds up to kMatrices model-view matrices, which the vertex
// shader picks by a number on each vertex, and so applies to every vertex
// exactly the arithmetic a draw of its own would: the matrices are uniforms
// and the products are the GPU's. The CPU keeps them in double precision,
// as they are built, and hands them to WebGL in single precision.
//
// A batch is drawn before anything that changes what it would draw: a
// clear, a capability turned on or off, a new viewport or projection, a
// switch between lines and filled primitives, and glFlush and glFinish.
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>

#include <array>
#include <cmath>
#include <cstddef>
#include <vector>

// emscripten's WebGL calls under the names it gives them for a program that
// defines the plain ones itself, as this file does.
extern "C" {
void emscripten_glClear(GLbitfield mask);
void emscripten_glEnable(GLenum capability);
void emscripten_glDisable(GLenum capability);
void emscripten_glViewport(GLint x, GLint y, GLsizei width, GLsizei height);
void emscripten_glFlush();
void emscripten_glFinish();
}

namespace {

// Column-major, as GL lays matrices out.
using Matrix = std::array<double, 16>;

constexpr Matrix kIdentity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// a × b, each element summed in the order of GL's definition.
Matrix times(const Matrix& a, const Matrix& b) {
  Matrix product{};
  for (std::size_t column = 0; column < 4; ++column) {
    for (std::size_t row = 0; row < 4; ++row) {
      const std::size_t across = column * 4;
      product[across + row] = a[row] * b[across] + a[4 + row] * b[across + 1] +
                              a[8 + row] * b[across + 2] + a[12 + row] * b[across + 3];
    }
  }
  return product;
}

// GL's own limits: 32 model-view matrices deep, 2 projection ones.
struct MatrixStack {
  std::size_t limit;
  std::vector<Matrix> saved;
  Matrix top = kIdentity;
};

// What a vertex carries to WebGL: where it is, its colour, and which of the
// batch's model-view matrices places it.
struct Vertex {
  GLfloat x, y, z;
  std::array<GLubyte, 4> colour;
  GLubyte matrix;
  std::array<GLubyte, 3> padding;
};

constexpr std::size_t kMatrices = 24;  // 96 of the 128 uniform vectors WebGL promises

struct Layer {
  MatrixStack modelView{32, {}};
  MatrixStack projection{2, {}};
  MatrixStack* current = &modelView;
  std::array<GLubyte, 4> colour{255, 255, 255, 255};

  // The primitive between glBegin and glEnd.
  bool inPrimitive = false;
  GLenum mode = 0;
  std::vector<Vertex> primitive;

  // The batch: its vertices, their indices, its matrices, its projection.
  bool lines = false;
  std::vector<Vertex> vertices;
  std::vector<GLushort> indices;
  std::vector<std::array<GLfloat, 16>> matrices;
  std::array<GLfloat, 16> batchProjection{};
  int matrix = -1;  // the model-view's place among the batch's, once known

  // Made at the first draw.
  GLuint program = 0, vertexBuffer = 0, indexBuffer = 0;
  GLint modelViewsAt = -1, projectionAt = -1;
};

Layer& layer() {
  static Layer made;
  return made;
}

std::array<GLfloat, 16> single(const Matrix& matrix) {
  std::array<GLfloat, 16> narrowed{};
  for (std::size_t i = 0; i < 16; ++i) {
    narrowed[i] = static_cast<GLfloat>(matrix[i]);
  }
  return narrowed;
}

GLuint compiled(const GLenum kind, const char* source) {
  const GLuint shader = glCreateShader(kind);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  return shader;
}

void makeProgram(Layer& gl) {
  static_assert(kMatrices == 24, "the vertex shader's modelViews are kMatrices");
  constexpr const char* kVertexShader =
      "attribute vec4 position;\n"
      "attribute vec4 colour;\n"
      "attribute float matrix;\n"
      "uniform mat4 modelViews[24];\n"
      "uniform mat4 projection;\n"
      "varying vec4 shade;\n"
      "void main() {\n"
      "  vec4 eye = modelViews[int(matrix)] * position;\n"
      "  gl_Position = projection * eye;\n"
      "  shade = colour;\n"
      "}\n";
  constexpr const char* kFragmentShader =
      "precision mediump float;\n"
      "varying vec4 shade;\n"
      "void main() { gl_FragColor = shade; }\n";
  gl.program = glCreateProgram();
  glAttachShader(gl.program, compiled(GL_VERTEX_SHADER, kVertexShader));
  glAttachShader(gl.program, compiled(GL_FRAGMENT_SHADER, kFragmentShader));
  glBindAttribLocation(gl.program, 0, "position");
  glBindAttribLocation(gl.program, 1, "colour");
  glBindAttribLocation(gl.program, 2, "matrix");
  glLinkProgram(gl.program);
  gl.modelViewsAt = glGetUniformLocation(gl.program, "modelViews");
  gl.projectionAt = glGetUniformLocation(gl.program, "projection");
  glGenBuffers(1, &gl.vertexBuffer);
  glGenBuffers(1, &gl.indexBuffer);
}

// Where in the bound buffer an attribute starts, as GL takes it: a pointer.
const void* bufferOffset(const std::size_t offset) {
  return reinterpret_cast<const void*>(offset);  // NOLINT(performance-no-int-to-ptr)
}

// Draws the batch, if it holds anything, and empties it.
void draw() {
  Layer& gl = layer();
  if (!gl.indices.empty()) {
    if (gl.program == 0) {
      makeProgram(gl);
    }
    glUseProgram(gl.program);
    glBindBuffer(GL_ARRAY_BUFFER, gl.vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(gl.vertices.size() * sizeof(Vertex)),
                 gl.vertices.data(), GL_STREAM_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, gl.indexBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                 static_cast<GLsizeiptr>(gl.indices.size() * sizeof(GLushort)), gl.indices.data(),
                 GL_STREAM_DRAW);
    for (GLuint attribute = 0; attribute < 3; ++attribute) {
      glEnableVertexAttribArray(attribute);
    }
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                          bufferOffset(offsetof(Vertex, x)));
    glVertexAttribPointer(1, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(Vertex),
                          bufferOffset(offsetof(Vertex, colour)));
    glVertexAttribPointer(2, 1, GL_UNSIGNED_BYTE, GL_FALSE, sizeof(Vertex),
                          bufferOffset(offsetof(Vertex, matrix)));
    glUniformMatrix4fv(gl.modelViewsAt, static_cast<GLsizei>(gl.matrices.size()), GL_FALSE,
                       gl.matrices.front().data());
    glUniformMatrix4fv(gl.projectionAt, 1, GL_FALSE, gl.batchProjection.data());
    glDrawElements(gl.lines ? GL_LINES : GL_TRIANGLES, static_cast<GLsizei>(gl.indices.size()),
                   GL_UNSIGNED_SHORT, nullptr);
  }
  gl.vertices.clear();
  gl.indices.clear();
  gl.matrices.clear();
  gl.matrix = -1;
}

// The current model-view matrix's place among the batch's matrices, added
// if it is new there.
GLubyte placeOfModelView(Layer& gl) {
  if (gl.matrix < 0) {
    const std::array<GLfloat, 16> wanted = single(gl.modelView.top);
    std::size_t place = 0;
    while (place < gl.matrices.size() && gl.matrices[place] != wanted) {
      ++place;
    }
    if (place == kMatrices) {
      draw();
      place = 0;
    }
    if (place == gl.matrices.size()) {
      gl.matrices.push_back(wanted);
    }
    gl.matrix = static_cast<int>(place);
  }
  return static_cast<GLubyte>(gl.matrix);
}

// The primitive's triangles or lines, as indices into the batch, each
// triangle's corners in the order GL takes them.
void addIndices(Layer& gl, const GLushort first, const std::size_t count) {
  const auto at = [first](const std::size_t corner) {
    return static_cast<GLushort>(first + corner);
  };
  std::vector<GLushort>& out = gl.indices;
  switch (gl.mode) {
    case GL_LINES:
    case GL_TRIANGLES: {
      const std::size_t size = gl.mode == GL_LINES ? 2 : 3;
      for (std::size_t corner = 0; corner < count - count % size; ++corner) {
        out.push_back(at(corner));
      }
      break;
    }
    // A quad strip's quads, each cut along the diagonal a triangle strip
    // over the same vertices takes.
    case GL_QUAD_STRIP:
    case GL_TRIANGLE_STRIP:
      for (std::size_t corner = 0;
           corner + 2 < (gl.mode == GL_QUAD_STRIP ? count - count % 2 : count); ++corner) {
        const bool odd = (corner % 2) != 0;
        out.insert(out.end(),
                   {at(odd ? corner + 1 : corner), at(odd ? corner : corner + 1), at(corner + 2)});
      }
      break;
    case GL_TRIANGLE_FAN:
    case GL_POLYGON:
      for (std::size_t corner = 1; corner + 1 < count; ++corner) {
        out.insert(out.end(), {at(0), at(corner), at(corner + 1)});
      }
      break;
    default:
      break;
  }
}

void changeMatrix(const Matrix& by) {
  Layer& gl = layer();
  gl.current->top = times(gl.current->top, by);
  gl.matrix = -1;
}

template <typename Number>
void multiplyBy(const Number* by) {
  Matrix matrix{};
  for (std::size_t i = 0; i < 16; ++i) {
    matrix[i] = by[i];
  }
  changeMatrix(matrix);
}

}  // namespace

extern "C" {

void glMatrixMode(const GLenum mode) {
  Layer& gl = layer();
  if (mode == GL_MODELVIEW) {
    gl.current = &gl.modelView;
  } else if (mode == GL_PROJECTION) {
    gl.current = &gl.projection;
  }
}

void glLoadIdentity() {
  layer().current->top = kIdentity;
  layer().matrix = -1;
}

void glPushMatrix() {
  MatrixStack& stack = *layer().current;
  if (stack.saved.size() + 1 < stack.limit) {
    stack.saved.push_back(stack.top);
  }
}

void glPopMatrix() {
  MatrixStack& stack = *layer().current;
  if (!stack.saved.empty()) {
    stack.top = stack.saved.back();
    stack.saved.pop_back();
    layer().matrix = -1;
  }
}

void glMultMatrixd(const GLdouble* by) { multiplyBy(by); }

void glMultMatrixf(const GLfloat* by) { multiplyBy(by); }

void glTranslated(const GLdouble x, const GLdouble y, const GLdouble z) {
  changeMatrix({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1});
}

void glTranslatef(const GLfloat x, const GLfloat y, const GLfloat z) { glTranslated(x, y, z); }

void glScalef(const GLfloat x, const GLfloat y, const GLfloat z) {
  changeMatrix({x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, 1});
}

void glRotatef(const GLfloat degrees, const GLfloat axisX, const GLfloat axisY,
               const GLfloat axisZ) {
  double x = axisX;
  double y = axisY;
  double z = axisZ;
  const double length = std::sqrt(x * x + y * y + z * z);
  if (length == 0) {
    return;
  }
  if (length != 1) {
    x /= length;
    y /= length;
    z /= length;
  }
  constexpr double kPi = 3.141592653589793;
  const double angle = degrees * kPi / 180;
  const double s = std::sin(angle);
  const double c = std::cos(angle);
  const double t = 1 - c;
  changeMatrix({x * x * t + c, y * x * t + z * s, z * x * t - y * s, 0,  //
                x * y * t - z * s, y * y * t + c, z * y * t + x * s, 0,  //
                x * z * t + y * s, y * z * t - x * s, z * z * t + c, 0,  //
                0, 0, 0, 1});
}

void glFrustum(const GLdouble left, const GLdouble right, const GLdouble bottom, const GLdouble top,
               const GLdouble near, const GLdouble far) {
  const double width = right - left;
  const double height = top - bottom;
  const double depth = far - near;
  changeMatrix({near * 2 / width, 0, 0, 0,                                                   //
                0, near * 2 / height, 0, 0,                                                  //
                (right + left) / width, (top + bottom) / height, -(far + near) / depth, -1,  //
                0, 0, -(far * near * 2) / depth, 0});
}

void glOrtho(const GLdouble left, const GLdouble right, const GLdouble bottom, const GLdouble top,
             const GLdouble near, const GLdouble far) {
  const double width = right - left;
  const double height = top - bottom;
  const double depth = far - near;
  changeMatrix({2 / width, 0, 0, 0,   //
                0, 2 / height, 0, 0,  //
                0, 0, -2 / depth, 0,  //
                -(right + left) / width, -(top + bottom) / height, -(far + near) / depth, 1});
}

void glColor3ub(const GLubyte red, const GLubyte green, const GLubyte blue) {
  layer().colour = {red, green, blue, 255};
}

// Flat or smooth, a primitive of one colour looks the same; normals and
// texture coordinates change nothing with lighting and texturing off, which
// this GL never turns on.
void glShadeModel(GLenum /*mode*/) {}
void glNormal3f(GLfloat /*x*/, GLfloat /*y*/, GLfloat /*z*/) {}
void glTexCoord2f(GLfloat /*s*/, GLfloat /*t*/) {}

void glBegin(const GLenum mode) {
  Layer& gl = layer();
  if (gl.inPrimitive) {
    return;
  }
  const bool lines = mode == GL_LINES;
  const std::array<GLfloat, 16> projection = single(gl.projection.top);
  if (!gl.indices.empty() && (lines != gl.lines || projection != gl.batchProjection)) {
    draw();
  }
  gl.lines = lines;
  gl.batchProjection = projection;
  gl.inPrimitive = true;
  gl.mode = mode;
  gl.primitive.clear();
}

void glVertex3f(const GLfloat x, const GLfloat y, const GLfloat z) {
  Layer& gl = layer();
  if (gl.inPrimitive) {
    gl.primitive.push_back({x, y, z, gl.colour, 0, {}});
  }
}

void glEnd() {
  Layer& gl = layer();
  if (!gl.inPrimitive) {
    return;
  }
  gl.inPrimitive = false;
  // Indices are 16 bits: a batch that the primitive would take past them is
  // drawn first; a primitive past them alone is not drawn.
  constexpr std::size_t kMostVertices = 65536;
  if (gl.primitive.size() > kMostVertices) {
    return;
  }
  if (gl.vertices.size() + gl.primitive.size() > kMostVertices) {
    draw();
  }
  const GLubyte matrix = placeOfModelView(gl);
  const auto first = static_cast<GLushort>(gl.vertices.size());
  for (Vertex vertex : gl.primitive) {
    vertex.matrix = matrix;
    gl.vertices.push_back(vertex);
  }
  addIndices(gl, first, gl.primitive.size());
}

void glClear(const GLbitfield mask) {
  draw();
  emscripten_glClear(mask);
}

void glEnable(const GLenum capability) {
  draw();
  emscripten_glEnable(capability);
}

void glDisable(const GLenum capability) {
  draw();
  emscripten_glDisable(capability);
}

void glViewport(const GLint x, const GLint y, const GLsizei width, const GLsizei height) {
  draw();
  emscripten_glViewport(x, y, width, height);
}

void glFlush() {
  draw();
  emscripten_glFlush();
}

void glFinish() {
  draw();
  emscripten_glFinish();
}

}  // extern "C"
