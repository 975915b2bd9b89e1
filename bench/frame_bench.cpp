// The cost of a frame on the 500 x 500 window, against the floor of a frame
// that only clears and flushes, in the same context.
#include <GL/gl.h>
#include <X11/Xlib.h>
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <array>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <string>

#include "gl_window.h"
#include "scene.h"
#include "view.h"

namespace {

void openSquareWindow() {
  glwindow::open(0, 0);
  glwindow::resize(500, 500);
  reshape(500, 500);
}

double residentKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) {
      return std::stod(line.substr(6));
    }
  }
  return -1;
}

void Floor(benchmark::State& state) {
  openSquareWindow();
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFlush();
    glFinish();
  }
}
BENCHMARK(Floor);

void Display(benchmark::State& state) {
  openSquareWindow();
  for (auto _ : state) {
    display();
    glFinish();
  }
}
BENCHMARK(Display);

void Resize(benchmark::State& state) {
  openSquareWindow();
  for (auto _ : state) {
    reshape(500, 500);
    display();
    glFinish();
  }
}
BENCHMARK(Resize);

void Memory(benchmark::State& state) {
  openSquareWindow();
  for (auto _ : state) {
    for (int redraw = 0; redraw < 10; ++redraw) {
      display();
    }
    glFinish();
    state.counters["KiB_after_10"] = residentKiB();
    for (int redraw = 10; redraw < 10000; ++redraw) {
      display();
    }
    glFinish();
    state.counters["KiB_after_10000"] = residentKiB();
  }
}
BENCHMARK(Memory)->Iterations(1)->Unit(benchmark::kMillisecond);

// The real program, from its start until its window is mapped, as a window
// manager would see it (MILL_START_BINARY names another build to compare).
void Start(benchmark::State& state) {
  auto* display = XOpenDisplay(nullptr);  // Xlib's Display, which the benchmark above hides
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  const char* other = std::getenv("MILL_START_BINARY");
  std::string binary = other != nullptr ? other : MILL_BINARY;
  std::array<char*, 2> argv{binary.data(), nullptr};
  for (auto _ : state) {
    pid_t pid = 0;
    posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
    for (XEvent event{}; event.type != MapNotify;) {
      XNextEvent(display, &event);
    }
    state.PauseTiming();
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    XSync(display, True);
    state.ResumeTiming();
  }
  XCloseDisplay(display);
}
BENCHMARK(Start)->Unit(benchmark::kMillisecond)->UseRealTime();

// Prints, after the table, how many floors one frame costs.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  RatioReporter() : ConsoleReporter(OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      nanoseconds_[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    const auto floor = nanoseconds_.find("Floor");
    const auto frame = nanoseconds_.find("Display");
    if (floor != nanoseconds_.end() && frame != nanoseconds_.end() && floor->second > 0) {
      std::cout << "Display / Floor: " << frame->second / floor->second << "\n";
    }
  }

 private:
  std::map<std::string, double> nanoseconds_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
