// Compiled in first, before anything else, in every source file of the web
// page: what the browser's emulation of the fixed-function pipeline lacks,
// mapped onto what it has, so that the drawing code stays the same.
#pragma once

#include <GL/gl.h>

// The emulation draws neither polygons nor quad strips. Every polygon the
// mill draws is convex, planar and of one flat colour, so a fan over the
// same vertices covers the same pixels in the same colour; a strip of
// triangles over a quad strip's vertices covers its quads.
#undef GL_POLYGON
#define GL_POLYGON GL_TRIANGLE_FAN
#undef GL_QUAD_STRIP
#define GL_QUAD_STRIP GL_TRIANGLE_STRIP

// GLU's quadrics give a normal with only some vertices, and the emulation
// needs every vertex of a primitive alike: without this it draws spikes.
// Lighting is never on, so normals change no pixel.
#ifdef MILL_WITHOUT_NORMALS
#define glNormal3f(x, y, z) ((void)0)
#endif
