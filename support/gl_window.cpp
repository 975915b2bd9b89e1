#include "gl_window.h"

#include <GL/freeglut.h>

#include <array>
#include <chrono>
#include <string>
#include <thread>

#include "scene.h"
#include "view.h"

namespace glwindow {

namespace {

void pumpEvents(const std::chrono::milliseconds span) {
  const auto end = std::chrono::steady_clock::now() + span;
  while (std::chrono::steady_clock::now() < end) {
    glutMainLoopEvent();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace

void open(const int x, const int y) {
  static const bool opened = [x, y] {
    int argc = 1;
    std::string name = "mill-support";
    std::array<char*, 2> argv{name.data(), nullptr};
    glutInit(&argc, argv.data());
    glutInitDisplayMode(GLUT_SINGLE | GLUT_RGB | GLUT_DEPTH);
    glutInitWindowSize(500, 500);
    glutInitWindowPosition(x, y);
    glutCreateWindow("mill-support");
    init();
    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    pumpEvents(std::chrono::milliseconds(100));
    return true;
  }();
  static_cast<void>(opened);
}

void resize(const int width, const int height) {
  glutReshapeWindow(width, height);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while ((glutGet(GLUT_WINDOW_WIDTH) != width || glutGet(GLUT_WINDOW_HEIGHT) != height) &&
         std::chrono::steady_clock::now() < end) {
    pumpEvents(std::chrono::milliseconds(10));
  }
}

}  // namespace glwindow
