// Preloaded into the real program by the tests: with MILL_EXIT_MARK set, it
// makes that file as the process does its exit-time work; with
// MILL_HOLD_FIRST_FRAME set, it holds the first frame back that many seconds;
// with MILL_KILL_AT_FIRST_FRAME set, the process dies there, as it would in a
// driver's crash.
#include <GL/gl.h>
#include <dlfcn.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

[[gnu::destructor]] void markExit() {
  const char* path = std::getenv("MILL_EXIT_MARK");
  std::FILE* file = path != nullptr ? std::fopen(path, "w") : nullptr;
  if (file != nullptr) {
    std::fclose(file);
  }
}

}  // namespace

extern "C" void glClear(const GLbitfield mask) {
  static bool held = false;
  const char* seconds = std::getenv("MILL_HOLD_FIRST_FRAME");
  if (!held && seconds != nullptr) {
    held = true;
    sleep(static_cast<unsigned>(std::atoi(seconds)));
  }
  if (std::getenv("MILL_KILL_AT_FIRST_FRAME") != nullptr) {
    std::raise(SIGKILL);
  }
  reinterpret_cast<void (*)(GLbitfield)>(dlsym(RTLD_NEXT, "glClear"))(mask);
}
