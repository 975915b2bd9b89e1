// Preloaded into the real program by the tests (LD_PRELOAD), to see what no
// window shows: with MILL_EXIT_MARK set, it writes that file when the process
// runs its exit-time work; with MILL_HOLD_FIRST_FRAME set, the first frame is
// held back that many seconds, as on a slow renderer or a first run.
#include <GL/gl.h>
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

struct ExitMark {
  ExitMark() = default;
  ExitMark(const ExitMark&) = delete;
  ExitMark& operator=(const ExitMark&) = delete;
  ~ExitMark() {
    const char* path = std::getenv("MILL_EXIT_MARK");
    std::FILE* file = path != nullptr ? std::fopen(path, "w") : nullptr;
    if (file != nullptr) {
      std::fputs("exit-time work ran\n", file);
      std::fclose(file);
    }
  }
};
const ExitMark mark;

}  // namespace

extern "C" void glClear(const GLbitfield mask) {
  static bool held = false;
  const char* seconds = std::getenv("MILL_HOLD_FIRST_FRAME");
  if (!held && seconds != nullptr) {
    held = true;
    sleep(static_cast<unsigned>(std::atoi(seconds)));
  }
  reinterpret_cast<void (*)(GLbitfield)>(dlsym(RTLD_NEXT, "glClear"))(mask);
}
