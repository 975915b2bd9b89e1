// The cost of a frame on the 500 x 500 window, against the floor of a frame
// that only clears and flushes, in the same context.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

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
