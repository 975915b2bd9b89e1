// The tests' fault-injection shims: library calls interposed as the
// program's own are (app/replacements_x11.cpp), linked into the tests and
// LD_PRELOADed into the real program. Each calls the real function unless
// the environment asks for more:
// - MILL_EXIT_MARK: as the process does its exit-time work, writes to that
//   file how many times exit() was called;
// - MILL_HOLD_FIRST_FRAME: holds the first frame back that many seconds;
// - MILL_KILL_AT_FIRST_FRAME: the process dies there, as in a driver's crash;
// - MILL_NO_QUADRIC: GLU has no quadric to give.
#include <GL/glu.h>
#include <dlfcn.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>

namespace {

int exits = 0;

template <typename Function>
Function* own(const char* name) {
  return reinterpret_cast<Function*>(dlsym(RTLD_NEXT, name));
}

[[gnu::destructor]] void markExit() {
  if (const char* path = std::getenv("MILL_EXIT_MARK")) {
    std::ofstream(path) << exits;
  }
}

}  // namespace

extern "C" {

void exit(const int status) noexcept {
  ++exits;
  own<void(int)>("exit")(status);
  std::abort();  // the library's own exit() does not come back
}

void glClear(const GLbitfield mask) {
  static bool held = false;
  const char* seconds = std::getenv("MILL_HOLD_FIRST_FRAME");
  if (!held && seconds != nullptr) {
    held = true;
    sleep(static_cast<unsigned>(std::atoi(seconds)));
  }
  if (std::getenv("MILL_KILL_AT_FIRST_FRAME") != nullptr) {
    std::raise(SIGKILL);
  }
  static auto* const clear = own<void(GLbitfield)>("glClear");
  clear(mask);
}

GLUquadric* gluNewQuadric() {
  static auto* const make = own<GLUquadric*()>("gluNewQuadric");
  return std::getenv("MILL_NO_QUADRIC") != nullptr ? nullptr : make();
}

}  // extern "C"
