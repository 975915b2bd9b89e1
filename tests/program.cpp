#include "program.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace {

std::vector<std::string> environmentWith(const std::map<std::string, std::string>& changes) {
  std::vector<std::string> result;
  result.reserve(changes.size());
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text(*entry);
    if (changes.count(text.substr(0, text.find('='))) == 0) {
      result.push_back(text);
    }
  }
  for (const auto& [name, value] : changes) {
    if (!value.empty()) {
      result.push_back(std::string(name).append("=").append(value));
    }
  }
  return result;
}

std::vector<char*> pointers(std::vector<std::string>& words) {
  std::vector<char*> result;
  result.reserve(words.size() + 1);
  for (std::string& word : words) {
    result.push_back(word.data());
  }
  result.push_back(nullptr);
  return result;
}

}  // namespace

std::vector<std::string> mill(const std::vector<std::string>& args) {
  std::vector<std::string> command{MILL_BINARY};
  command.insert(command.end(), args.begin(), args.end());
  return command;
}

Program::Program(const std::vector<std::string>& command,
                 const std::map<std::string, std::string>& environment) {
  std::string pathTemplate = "/tmp/mill-output-XXXXXX";
  const int outputFd = mkstemp(pathTemplate.data());
  if (outputFd < 0) {
    throw std::runtime_error("cannot make an output file");
  }
  outputPath_ = pathTemplate;

  std::vector<std::string> argv = command;
  std::vector<std::string> envp = environmentWith(environment);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, outputFd, STDERR_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  const int failed = posix_spawnp(&pid_, argv[0].c_str(), &actions, nullptr, pointers(argv).data(),
                                  pointers(envp).data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(outputFd);
  if (failed != 0) {
    throw std::runtime_error("cannot start " + command[0]);
  }
}

Program::~Program() {
  if (!ended_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  unlink(outputPath_.c_str());
}

std::optional<int> Program::waitForExit(const std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  do {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      ended_ = true;
      return status;
    }
    std::this_thread::sleep_for(10ms);
  } while (std::chrono::steady_clock::now() < end);
  return std::nullopt;
}

std::string Program::output() const {
  std::ifstream file(outputPath_);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

std::chrono::milliseconds Program::cpuTime() const {
  std::ifstream file("/proc/" + std::to_string(pid_) + "/stat");
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  // Fields after the command name, which ends with the last ')': state is
  // field 3, user and system time are fields 14 and 15.
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string skip;
  for (int field = 3; field < 14; ++field) {
    fields >> skip;
  }
  long user = 0;
  long system = 0;
  fields >> user >> system;
  return std::chrono::milliseconds((user + system) * 1000 / sysconf(_SC_CLK_TCK));
}

long Program::residentKiB() const {
  std::ifstream file("/proc/" + std::to_string(pid_) + "/status");
  std::string line;
  while (std::getline(file, line)) {
    if (line.rfind("VmRSS:", 0) == 0) {
      return std::stol(line.substr(6));
    }
  }
  return -1;
}

// A window may go away between listing it and asking after it (Wine opens
// and closes its own while it starts): no reason for Xlib to end the test.
// Any other error still goes to Xlib's own handler.
TestDisplay::TestDisplay() : display_(XOpenDisplay(nullptr)) {
  if (display_ == nullptr) {
    throw std::runtime_error("cannot open the test display");
  }
  static const XErrorHandler xlibHandler =
      XSetErrorHandler([](Display* display, XErrorEvent* error) {
        return error->error_code == BadWindow ? 0 : xlibHandler(display, error);
      });
}

TestDisplay::~TestDisplay() { XCloseDisplay(display_); }

WindowId TestDisplay::waitForWindow(const std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count);
    Window found = 0;
    for (unsigned int i = 0; i < count && found == 0; ++i) {
      char* name = nullptr;
      XWindowAttributes attributes;
      if (XFetchName(display_, children[i], &name) != 0 && name != nullptr &&
          std::string(name) == "Mill" &&
          XGetWindowAttributes(display_, children[i], &attributes) != 0 &&
          attributes.map_state == IsViewable) {
        found = children[i];
      }
      XFree(name);
    }
    XFree(children);
    if (found != 0) {
      return found;
    }
    std::this_thread::sleep_for(20ms);
  }
  return 0;
}

Picture TestDisplay::settledPicture(const WindowId window) {
  Picture last = grab(window);
  for (int tries = 0; tries < 100; ++tries) {
    std::this_thread::sleep_for(50ms);
    Picture now = grab(window);
    const bool blank = std::all_of(now.rgb.begin(), now.rgb.end(),
                                   [&](std::uint8_t value) { return value == now.rgb[0]; });
    if (now == last && !blank) {
      return now;
    }
    last = std::move(now);
  }
  return last;
}

Picture TestDisplay::grab(const WindowId window) {
  const Geometry size = geometry(window);
  Picture picture{size.width, size.height, {}};
  XImage* image =
      XGetImage(display_, window, 0, 0, picture.width, picture.height, AllPlanes, ZPixmap);
  if (image == nullptr) {
    return picture;
  }
  picture.rgb.reserve(3 * static_cast<std::size_t>(picture.width) * picture.height);
  for (int y = picture.height - 1; y >= 0; --y) {
    for (int x = 0; x < picture.width; ++x) {
      const unsigned long pixel = XGetPixel(image, x, y);
      picture.rgb.push_back(static_cast<std::uint8_t>((pixel & image->red_mask) >> 16));
      picture.rgb.push_back(static_cast<std::uint8_t>((pixel & image->green_mask) >> 8));
      picture.rgb.push_back(static_cast<std::uint8_t>(pixel & image->blue_mask));
    }
  }
  XDestroyImage(image);
  return picture;
}

Geometry TestDisplay::geometry(const WindowId window) {
  XWindowAttributes attributes;
  XGetWindowAttributes(display_, window, &attributes);
  Window child = 0;
  Geometry result{0, 0, attributes.width, attributes.height};
  XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &result.x, &result.y,
                        &child);
  return result;
}

void TestDisplay::close(const WindowId window) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display_, window, False, NoEventMask, &event);
  XFlush(display_);
}

void TestDisplay::resize(const WindowId window, const int width, const int height) {
  XResizeWindow(display_, window, width, height);
  XFlush(display_);
}

void TestDisplay::redirectMaps() {
  XSelectInput(display_, DefaultRootWindow(display_), SubstructureRedirectMask);
  XSync(display_, False);
}

WindowId TestDisplay::mapRequest(const std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  for (XEvent event{}; std::chrono::steady_clock::now() < end;) {
    if (XCheckTypedEvent(display_, MapRequest, &event) != 0) {
      return event.xmaprequest.window;
    }
    std::this_thread::sleep_for(10ms);
  }
  return 0;
}

bool TestDisplay::redraw(const WindowId window) {
  GC gc = XCreateGC(display_, window, 0, nullptr);
  XSetForeground(display_, gc, BlackPixel(display_, DefaultScreen(display_)));
  XDrawPoint(display_, window, gc, 0, 0);
  XFreeGC(display_, gc);
  XClearArea(display_, window, 0, 0, 1, 1, True);
  XSync(display_, False);
  const auto end = std::chrono::steady_clock::now() + 1s;
  while (std::chrono::steady_clock::now() < end) {
    XImage* image = XGetImage(display_, window, 0, 0, 1, 1, AllPlanes, ZPixmap);
    const bool drawn =
        image != nullptr && XGetPixel(image, 0, 0) != BlackPixel(display_, DefaultScreen(display_));
    if (image != nullptr) {
      XDestroyImage(image);
    }
    if (drawn) {
      return true;
    }
    // Each look is a round trip to the X server; between looks the program
    // gets the CPU to redraw, rather than a spinning test.
    std::this_thread::sleep_for(100us);
  }
  return false;
}
