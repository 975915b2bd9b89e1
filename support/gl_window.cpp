#include "gl_window.h"

#include <GL/freeglut.h>

#include <array>
#include <chrono>
#include <string>
#include <thread>
#include <utility>

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

// The size GLUT last passed to the reshape callback: the size the window
// system has confirmed, not merely the one asked for.
std::pair<int, int>& confirmedSize() {
  static std::pair<int, int> size{0, 0};
  return size;
}

void reshapeAndConfirm(const int width, const int height) {
  confirmedSize() = {width, height};
  reshape(width, height);
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
    glutReshapeFunc(reshapeAndConfirm);
    pumpEvents(std::chrono::milliseconds(100));
    return true;
  }();
  static_cast<void>(opened);
}

void resize(const int width, const int height) {
  const std::pair<int, int> wanted{width, height};
  if (confirmedSize() == wanted) {
    return;
  }
  glutReshapeWindow(width, height);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (confirmedSize() != wanted && std::chrono::steady_clock::now() < end) {
    pumpEvents(std::chrono::milliseconds(10));
  }
}

}  // namespace glwindow
