#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "picture.h"

using namespace std::chrono_literals;

// The command line of the real mill binary with the given arguments.
std::vector<std::string> mill(const std::vector<std::string>& args = {});

// A process started from a command line (the first word is looked up on the
// PATH) with the given environment changes (an empty value unsets the
// variable), its output captured.
class Program {
 public:
  explicit Program(const std::vector<std::string>& command = mill(),
                   const std::map<std::string, std::string>& environment = {});
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  [[nodiscard]] pid_t pid() const { return pid_; }
  // The wait status once the program has ended, or nothing if it is still
  // running after the given time.
  std::optional<int> waitForExit(std::chrono::milliseconds limit);
  // Everything it wrote to standard output and standard error.
  [[nodiscard]] std::string output() const;
  // User plus system CPU time so far, and resident memory, from /proc.
  [[nodiscard]] std::chrono::milliseconds cpuTime() const;
  [[nodiscard]] long residentKiB() const;

 private:
  pid_t pid_ = -1;
  std::string outputPath_;
  bool ended_ = false;
};

struct _XDisplay;  // NOLINT(bugprone-reserved-identifier): Xlib's name for a connection

using WindowId = unsigned long;  // Xlib's Window

struct Geometry {
  int x, y, width, height;
};

// A connection to the display the program runs on.
class TestDisplay {
 public:
  TestDisplay();
  ~TestDisplay();
  TestDisplay(const TestDisplay&) = delete;
  TestDisplay& operator=(const TestDisplay&) = delete;

  // The top-level window captioned "Mill", once it is mapped.
  WindowId waitForWindow(std::chrono::milliseconds limit = 10s);
  Geometry geometry(WindowId window);
  // What the window shows (once it has stopped changing), bottom row first.
  Picture settledPicture(WindowId window);
  Picture grab(WindowId window);
  // Sends WM_DELETE_WINDOW, as a window manager does.
  void close(WindowId window);
  // Asks for a new size and returns at once, without waiting for the program.
  void resize(WindowId window, int width, int height);
  // Selects SubstructureRedirect on the root, as a window manager does, so
  // MapRequests come here; the next window's is not granted.
  void redirectMaps();
  WindowId mapRequest(std::chrono::milliseconds limit = 10s);
  // Blots a pixel, sends an Expose for it and waits until the program has
  // redrawn it; false if it did not within a second.
  bool redraw(WindowId window);

 private:
  _XDisplay* display_;
};
