#include "program.h"

#include <sys/wait.h>

#include <algorithm>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <tuple>
#include <utility>

namespace {

constexpr bool sanitized = MILL_SANITIZE;

// Ended by an exit of its own, not by a signal, with the status.
testing::AssertionResult exitedWith(const std::optional<int>& status, const int expected) {
  if (!status) {
    return testing::AssertionFailure() << "still running";
  }
  if (WIFEXITED(*status) && WEXITSTATUS(*status) == expected) {
    return testing::AssertionSuccess();
  }
  return testing::AssertionFailure()
         << (WIFSIGNALED(*status) ? "killed by signal " : "exit status ")
         << (WIFSIGNALED(*status) ? WTERMSIG(*status) : WEXITSTATUS(*status));
}

// A folder of the test's own, taken away with everything in it.
struct TemporaryFolder {
  TemporaryFolder() : folder((std::filesystem::temp_directory_path() / "mill-XXXXXX").string()) {
    if (mkdtemp(folder.data()) == nullptr) {
      throw std::runtime_error("cannot make a folder");
    }
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  std::string folder;
};

// The real program, started on the test's display, with its window up.
class RunningMill : public testing::Test {
 protected:
  void SetUp() override {
    // A program that cannot start fails the test at once, with what it said.
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (window == 0 && std::chrono::steady_clock::now() < end) {
      window = screen.waitForWindow(1s);
      ASSERT_FALSE(window == 0 && mill.waitForExit(0ms).has_value())
          << "the program ended before its window appeared: " << mill.output();
    }
    ASSERT_NE(window, 0U) << "no window captioned \"Mill\" appeared";
    screen.settledPicture(window);  // drawn, and still
  }

  TestDisplay screen;
  Program mill;
  WindowId window = 0;
};

// The program's window comes up where and as large as given, showing the
// mill; closed, the program ends with status 0, having said nothing.
void expectTheMillUntilClosed(TestDisplay& screen, Program& mill, const int place = 100,
                              const int size = 500) {
  const WindowId window = screen.waitForWindow();
  ASSERT_NE(window, 0U) << mill.output();
  const Geometry seen = screen.geometry(window);
  EXPECT_EQ(std::tie(seen.x, seen.y, seen.width, seen.height), std::tie(place, place, size, size));
  EXPECT_TRUE(showsTheMill(screen.settledPicture(window)));
  screen.close(window);
  EXPECT_TRUE(exitedWith(mill.waitForExit(5s), 0));
  EXPECT_EQ(mill.output(), "");
}

// The environment changes, with the fault-injection shims (stand_ins.cpp)
// LD_PRELOADed into the program after whatever is preloaded already.
std::map<std::string, std::string> withStandIns(std::map<std::string, std::string> environment) {
  const char* preloaded = std::getenv("LD_PRELOAD");
  environment["LD_PRELOAD"] =
      (preloaded != nullptr ? std::string(preloaded) + " " : "") + MILL_STAND_INS;
  return environment;
}

}  // namespace

// The window, its picture, and its close, on Mesa's llvmpipe and softpipe
// (which crashes destroying a single-buffered context that has drawn). The
// atexit handlers run (a mark the shims leave, as a GL tracer writes its
// trace), and exit() is called once at most: a second call, from an atexit
// handler, is undefined behaviour, and some C libraries crash on it.
TEST(Mill, RunsAndClosesCleanlyOnBothRasterizers) {
  const TemporaryFolder marks;
  TestDisplay screen;
  for (const std::string driver : {"llvmpipe", "softpipe"}) {
    SCOPED_TRACE(driver);
    Program mill(::mill(), withStandIns({{"GALLIUM_DRIVER", driver},
                                         {"MILL_EXIT_MARK", marks.folder + "/" + driver}}));
    expectTheMillUntilClosed(screen, mill);
    int exits = -1;
    std::ifstream(marks.folder + "/" + driver) >> exits;
    EXPECT_TRUE(exits == 0 || exits == 1) << "exit() called " << exits << " times (-1: none)";
  }
}

// Under an Xft.dpi above 96, the window and its position take the DPI scale
// factor, with the mill in every pixel, as far as the EWMH work area (else
// the 1600 x 1600 screen) holds them; 96 DPI or below, or no DPI that makes
// sense, changes nothing.
TEST(ScaledScreen, WindowFollowsXftDpiWithinWorkArea) {
  TestDisplay screen;
  const std::vector<std::tuple<std::string, std::string, int>> densities{
      {"192", "", 1000},     {"144", "", 750}, {"50", "", 500},
      {"nonsense", "", 500}, {"481", "", 500}, {"192", "0, 24, 1024, 744", 531}};
  for (const auto& [dpi, workArea, size] : densities) {
    SCOPED_TRACE(testing::Message() << "Xft.dpi: " << dpi << ", work area: " << workArea);
    // Without the sanitizer build's preloads, whose leak check would fail xprop.
    for (const auto& [property, format, value] :
         {std::tuple{"RESOURCE_MANAGER", "8s", "Xft.dpi:\t" + dpi},
          {"_NET_WORKAREA", "32c", workArea}}) {
      Program xprop(value.empty() ? std::vector<std::string>{"xprop", "-root", "-remove", property}
                                  : std::vector<std::string>{"xprop", "-root", "-f", property,
                                                             format, "-set", property, value},
                    {{"LD_PRELOAD", ""}});
      ASSERT_TRUE(exitedWith(xprop.waitForExit(10s), 0)) << xprop.output();
    }
    Program mill(::mill());
    expectTheMillUntilClosed(screen, mill, size / 5, size);
  }
}

// What a window manager reads at the MapRequest: WM_CLASS, which ties the
// window to mill.desktop, _NET_WM_PID, and _NET_WM_ICON from data/icons at
// the sizes a desktop asks for most.
TEST(Desktop, MapRequestCarriesClassPidAndIcon) {
  TestDisplay manager;
  manager.redirectMaps();
  Program mill(::mill());
  const WindowId window = manager.mapRequest();
  ASSERT_NE(window, 0U) << mill.output();
  Program xprop({"xprop", "-id", std::to_string(window), "-notype", "WM_CLASS", "_NET_WM_PID",
                 "32x", "_NET_WM_ICON"},
                {{"LD_PRELOAD", ""}});
  ASSERT_TRUE(exitedWith(xprop.waitForExit(10s), 0)) << xprop.output();
  const std::string said = xprop.output();
  EXPECT_NE(said.find("WM_CLASS = \"mill\", \"Mill\"\n"), std::string::npos) << said;
  EXPECT_NE(said.find("_NET_WM_PID = " + std::to_string(mill.pid()) + "\n"), std::string::npos);
  std::ostringstream expected;
  for (const int size : {16, 32, 48}) {
    const std::string icon = MILL_SOURCE_DIR "/data/icons/" + std::to_string(size) + "/mill.png";
    Program rgba({"convert", icon, "-depth", "8", "rgba:-"});
    rgba.waitForExit(10s);
    expected << ", 0x" << std::hex << size << ", 0x" << size;
    const std::string bytes = rgba.output();
    for (std::size_t p = 0; p + 3 < bytes.size(); p += 4) {
      const auto byte = [&](const std::size_t i) {
        return std::uint32_t(std::uint8_t(bytes[p + i]));
      };
      expected << ", 0x" << ((byte(3) << 24U) | (byte(0) << 16U) | (byte(1) << 8U) | byte(2));
    }
  }
  const auto icon = said.find("_NET_WM_ICON = ");
  ASSERT_NE(icon, std::string::npos) << said;
  EXPECT_EQ(", " + said.substr(icon + 15, said.find('\n', icon) - icon - 15), expected.str());
}

TEST(Faults, NoDisplayFailsWithGlutsMessageOnly) {
  for (const std::string display : {"", ":4321"}) {
    Program mill(::mill(), {{"DISPLAY", display}});
    EXPECT_TRUE(exitedWith(mill.waitForExit(10s), 1)) << "DISPLAY=" << display;
    // One line, GLUT's own.
    EXPECT_TRUE(
        std::regex_match(mill.output(), std::regex("freeglut \\(.*failed to open display.*\n")))
        << mill.output();
  }
}

TEST(Faults, UnknownArgumentsChangeNothing) {
  const std::vector<std::vector<std::string>> commandLines{
      {"--help"},
      {"-x", "--unknown=1", "plain", ""},
      {std::string(100000, 'w')},
      {"\xff\xfe\xc3(", "\xed\xa0\x80"},
  };
  for (const auto& args : commandLines) {
    SCOPED_TRACE(args[0].substr(0, 20));
    TestDisplay screen;
    Program mill(::mill(args));
    expectTheMillUntilClosed(screen, mill);
  }
}

TEST_F(RunningMill, SurvivesResizeStorm) {
  // From a single pixel to wider than the 1600 x 1600 screen, faster than
  // the program can draw.
  for (int step = 0; step < 200; ++step) {
    screen.resize(window, 1 + (step * 10), 1 + ((step * 37) % 1500));
  }
  screen.resize(window, 500, 500);
  EXPECT_FALSE(mill.waitForExit(1s).has_value()) << "the program ended";
  EXPECT_TRUE(showsTheMill(screen.settledPicture(window)));
}

TEST_F(RunningMill, ExposeStormKeepsPictureAndMemory) {
  // Resident memory every 250 redraws. The least of a few samples rides out
  // the allocator's passing ups and downs; a one-off step (a pool or Xlib's
  // buffers growing once, under load) lands in one half of the storm, while
  // a leak grows both.
  std::vector<long> residentKiB;
  for (int redraw = 1; redraw <= 6000; ++redraw) {
    ASSERT_TRUE(screen.redraw(window)) << "redraw " << redraw;
    if (redraw % 250 == 0) {
      residentKiB.push_back(mill.residentKiB());
    }
  }
  const auto least = [&](const std::ptrdiff_t from) {
    return *std::min_element(residentKiB.begin() + from, residentKiB.begin() + from + 4);
  };
  const long early = least(2);
  const long middle = least(12);
  const long late = least(20);
  // Halves of some 2,250 redraws: a leak of 30 bytes a redraw shows in both.
  // The sanitizer's quarantine of freed blocks moves resident memory by
  // megabytes from one sample to the next: there only a gross leak can show.
  const long limitKiB = sanitized ? 16 * 1024 : 64;
  EXPECT_LE(std::min(middle - early, late - middle), limitKiB)
      << "KiB resident, early " << early << ", middle " << middle << ", late " << late;
  EXPECT_TRUE(showsTheMill(screen.settledPicture(window)));
}

// The test's own X server (tests/on-xvfb.sh), taken away under the program.
TEST(Faults, ExitsWhenXServerGoesAway) {
  Program mill(::mill());
  ASSERT_NE(TestDisplay().waitForWindow(), 0U) << mill.output();
  ASSERT_EQ(kill(std::stoi(std::getenv("XVFB_PID")), SIGTERM), 0);
  const int status = mill.waitForExit(5s).value_or(-1);
  ASSERT_NE(status, -1) << "still running without its X server";
  EXPECT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
}

TEST_F(RunningMill, IdlesAtZeroCpu) {
  const auto before = mill.cpuTime();
  std::this_thread::sleep_for(2s);
  EXPECT_LE((mill.cpuTime() - before).count(), 40) << "milliseconds of CPU in two idle seconds";
}

namespace {

// A Wine prefix of the test's own, made before the program starts and taken
// away, with every Wine process that used it, after it ends.
struct WinePrefix : TemporaryFolder {
  WinePrefix() : path(folder + "/prefix") {}
  ~WinePrefix() {
    if (std::filesystem::exists(path)) {
      Program({"wineserver", "-k"}, {{"WINEPREFIX", path}}).waitForExit(10s);
    }
  }
  WinePrefix(const WinePrefix&) = delete;
  WinePrefix& operator=(const WinePrefix&) = delete;

  std::string path;
};

// mill.exe, the Windows build, under Wine on the test's display, each case
// in a fresh prefix, Wine's offers of .NET and HTML engines declined. A build
// without the exe, or a machine without Wine, skips the case.
class MillUnderWine : public testing::Test, protected WinePrefix {
 protected:
  void SetUp() override {
    if (std::string(MILL_WINDOWS_EXE).empty()) {
      GTEST_SKIP() << "no mill.exe to run: ./scripts/build-windows.sh builds it";
    }
    if (sanitized) {
      GTEST_SKIP() << "the sanitizer build runs nothing under Wine: the plain build's case does";
    }
    if (!exitedWith(Program({"sh", "-c", "command -v wine"}).waitForExit(10s), 0)) {
      GTEST_SKIP() << "no Wine here that runs mill.exe";
    }
  }

  [[nodiscard]] std::unique_ptr<Program> wine(const std::vector<std::string>& args) const {
    std::vector<std::string> command{"wine"};
    command.insert(command.end(), args.begin(), args.end());
    return std::make_unique<Program>(
        command,
        std::map<std::string, std::string>{
            {"WINEPREFIX", path}, {"WINEDEBUG", "-all"}, {"WINEDLLOVERRIDES", "mscoree,mshtml="}});
  }

  TestDisplay screen;
};

}  // namespace

// Everything else, the C++ runtime and freeglut among it, is linked in.
TEST_F(MillUnderWine, ImportsOnlyWindowsSystemDlls) {
  Program objdump({"x86_64-w64-mingw32-objdump", "-p", MILL_WINDOWS_EXE});
  ASSERT_TRUE(exitedWith(objdump.waitForExit(10s), 0)) << objdump.output();
  const std::string imports = objdump.output();
  const std::regex windows(R"((advapi32|gdi32|glu32|kernel32|msvcrt|opengl32|user32|winmm)\.dll)",
                           std::regex::icase);
  const std::regex dll(R"(DLL Name: (\S+))");
  for (std::sregex_iterator name(imports.begin(), imports.end(), dll), end; name != end; ++name) {
    EXPECT_TRUE(std::regex_match((*name)[1].str(), windows)) << "imports " << (*name)[1];
  }
}

// Where apt has no Wine to install, as on Debian testing, the commands leave
// the Wine cases out, and say so in one line.
TEST_F(MillUnderWine, CommandsSayWhereAptHasNoWine) {
  Program check({"bash", "-c",
                 "apt-cache() { echo '  Candidate: (none)'; } && . \"$0\" && wine_runs_x86_64",
                 MILL_SOURCE_DIR "/scripts/common.sh"});
  EXPECT_TRUE(exitedWith(check.waitForExit(10s), 1));
  EXPECT_EQ(check.output(), "Left out: mill.exe under Wine, which apt has none of here\n");
}

// The zip is the same whoever builds it: no entry names an owner but root
// (user and group 0).
TEST_F(MillUnderWine, ZipEntriesAreOwnedByRoot) {
  Program zipinfo({"zipinfo", "-v", MILL_WINDOWS_ZIP});
  ASSERT_TRUE(exitedWith(zipinfo.waitForExit(10s), 0)) << zipinfo.output();
  const std::string entries = zipinfo.output();
  const std::regex owner(R"(UID/GID.*:\s+([0-9a-f ]+)\.)");
  for (std::sregex_iterator id(entries.begin(), entries.end(), owner), end; id != end; ++id) {
    EXPECT_EQ((*id)[1], "01 04 00 00 00 00 04 00 00 00 00") << "an entry owned by another";
  }
}

TEST_F(MillUnderWine, DrawsTheMillWithItsIconAndExitsOnClose) {
  const auto mill = wine({MILL_WINDOWS_EXE});
  const WindowId window = screen.waitForWindow(120s);
  ASSERT_NE(window, 0U) << mill->output();
  const Geometry geometry = screen.geometry(window);
  EXPECT_EQ(geometry.width, 500);
  EXPECT_EQ(geometry.height, 500);
  EXPECT_TRUE(showsTheMill(screen.settledPicture(window)));

  // The window takes the exe's own icon, as a taskbar shows it: a transparent
  // corner (after width and height) and roof red, not Wine's default icon.
  Program icon({"xprop", "-id", std::to_string(window), "-notype", "32x", "_NET_WM_ICON"});
  icon.waitForExit(10s);
  EXPECT_TRUE(std::regex_search(icon.output(), std::regex("= 0x[0-9a-f]+, 0x[0-9a-f]+, 0x0,")))
      << "opaque corner: " << icon.output().substr(0, 80);
  EXPECT_NE(icon.output().find("0xffde0a00"), std::string::npos) << "no roof red in the icon";

  screen.close(window);
  EXPECT_TRUE(exitedWith(mill->waitForExit(30s), 0));
}

// On WM_DPICHANGED the window takes the rectangle Windows suggests.
TEST_F(MillUnderWine, TakesSuggestedRectOnDpiChange) {
  const auto changed = std::filesystem::path(MILL_WINDOWS_EXE).parent_path() / "dpi_changed.exe";
  const auto rescaled = wine({changed.string()});
  EXPECT_TRUE(exitedWith(rescaled->waitForExit(60s), 0)) << rescaled->output();
}

// Resized by the window system, the window shows the mill stretched; at 192
// DPI (200 %) it covers twice the pixels each way, with the mill in all of
// them. Wine 10 reports 96 DPI for the monitor whatever the system DPI, so
// the window takes its monitor's size, and shows a GL window's stale front
// buffer, cut, once resized (as a dozen-line GLUT program does): the
// pictures are left to Wine 8.
TEST_F(MillUnderWine, ShowsTheMillStretchedAndAtTwiceTheScale) {
  const auto version = wine({"--version"});
  version->waitForExit(10s);
  std::smatch wine10;
  const std::string said = version->output();
  const bool showsResized = !std::regex_search(said, wine10, std::regex(R"(wine-10\.\S*)"));
  if (showsResized) {
    const auto mill = wine({MILL_WINDOWS_EXE});
    const WindowId window = screen.waitForWindow(120s);
    ASSERT_NE(window, 0U) << mill->output();
    screen.settledPicture(window);
    screen.resize(window, 800, 300);
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (!isTheMill(screen.grab(window)) && std::chrono::steady_clock::now() < end) {
      std::this_thread::sleep_for(50ms);
    }
    EXPECT_TRUE(showsTheMill(screen.settledPicture(window)));
    screen.close(window);
    EXPECT_TRUE(exitedWith(mill->waitForExit(30s), 0));
  }

  const int scaledSize = showsResized ? 1000 : 500;
  const auto scale = wine({"reg", "add", R"(HKCU\Control Panel\Desktop)", "/v", "LogPixels", "/t",
                           "REG_DWORD", "/d", "192", "/f"});
  ASSERT_TRUE(exitedWith(scale->waitForExit(60s), 0)) << scale->output();
  const auto scaled = wine({MILL_WINDOWS_EXE});
  const WindowId large = screen.waitForWindow(60s);
  ASSERT_NE(large, 0U) << scaled->output();
  // Wine 8 shows the inside of the window as an X window of its own. Wine 10,
  // at any scale but 100 %, shows the whole window, with the frame it draws:
  // a border as wide all round, and the caption above.
  const Picture whole = screen.settledPicture(large);
  const int border = (whole.width - scaledSize) / 2;
  EXPECT_TRUE(border >= 0 && border <= 1 && whole.height >= scaledSize + border)
      << "a window of " << whole.width << " x " << whole.height;
  EXPECT_TRUE(!showsResized || showsTheMill(whole));
  screen.close(large);
  EXPECT_TRUE(exitedWith(scaled->waitForExit(30s), 0));
  if (!showsResized) {
    GTEST_SKIP() << "the pictures of a resized window, which " << wine10.str()
                 << " does not show (the window's size at 200 % held)";
  }
}

namespace {

// The run command with no display, in an empty folder of the case's own.
class RunCommand : public testing::Test {
 protected:
  void SetUp() override {
    if (sanitized) {
      GTEST_SKIP() << "the run command builds a program of its own, without the sanitizers: "
                      "the plain build's case runs it";
    }
  }

  [[nodiscard]] std::unique_ptr<Program> run(
      const std::vector<std::string>& args,
      const std::map<std::string, std::string>& environment) const {
    std::vector<std::string> command{"sh", "-c", R"(cd "$0" && exec "$@")", empty.folder,
                                     MILL_RUN_COMMAND};
    command.insert(command.end(), args.begin(), args.end());
    return std::make_unique<Program>(command, withStandIns(environment));
  }

  const TemporaryFolder empty;
};

}  // namespace

// Its first frame held back as a slow renderer holds it, the run command
// saves what the program draws, not a blank window.
TEST_F(RunCommand, SavesALateFirstFrame) {
  const auto drawn = run({}, {{"DISPLAY", ""}, {"MILL_HOLD_FIRST_FRAME", "5"}});
  ASSERT_TRUE(exitedWith(drawn->waitForExit(240s), 0)) << drawn->output();
  EXPECT_TRUE(showsTheMill(readImage(empty.folder + "/mill.png")));
}

// A program that ends at once, or dies once its window is up, fails the run
// command at once, saying why, saving nothing and leaving nothing behind.
TEST_F(RunCommand, SaysWhyWhenNoPictureComes) {
  const std::string scratch = empty.folder + "/tmp";
  std::filesystem::create_directory(scratch);
  using Environment = std::map<std::string, std::string>;
  const std::vector<std::tuple<std::vector<std::string>, Environment, std::string>> failures{
      {{"-display", ":4321"}, {}, "the program ended with status 1"},
      {{},
       {{"MILL_KILL_AT_FIRST_FRAME", "1"}},
       "the program ended with status 137|the Mill window went away"}};
  for (const auto& [args, hook, why] : failures) {
    SCOPED_TRACE(why);
    Environment environment{{"DISPLAY", ""}, {"TMPDIR", scratch}};
    environment.insert(hook.begin(), hook.end());
    const auto failed = run(args, environment);
    ASSERT_TRUE(exitedWith(failed->waitForExit(120s), 1)) << failed->output();
    EXPECT_TRUE(std::regex_search(failed->output(), std::regex("No picture saved: (" + why + ")")))
        << failed->output();
    EXPECT_FALSE(std::filesystem::exists(empty.folder + "/mill.png"));
    EXPECT_TRUE(std::filesystem::is_empty(scratch)) << "left behind in " << scratch;
  }
}

// The web page, copied alone into an empty folder and opened from file:// in
// headless Chromium with software WebGL, as a visitor opens it: at a
// devicePixelRatio of 1 and of 2, with WebGL turned off, and where WebAssembly
// is compiled on the main thread only up to 4 KB.
TEST(MillInABrowser, MatchesReferenceOrSaysItNeedsWebGL) {
  if (std::string(MILL_WEB_PAGE).empty()) {
    GTEST_SKIP() << "no web page to open: ./scripts/build-web.sh builds it";
  }
  if (sanitized) {
    GTEST_SKIP() << "the sanitizer build opens no page, which Chromium hangs on under its "
                    "preloads: the plain build's case does";
  }
  const std::vector<std::tuple<std::string, std::string, std::string>> runs{
      {"1", "--enable-webgl", ""},
      {"2", "--enable-webgl", ""},
      {"1", "--disable-webgl", ""},
      {"1", "--enable-webgl", "--sync-compile-limit=4096"}};
  for (const auto& [ratio, webgl, limit] : runs) {
    SCOPED_TRACE(testing::Message() << webgl << " " << limit << " at device pixel ratio " << ratio);
    const TemporaryFolder empty;
    const std::string& folder = empty.folder;
    std::filesystem::copy_file(MILL_WEB_PAGE, folder + "/mill.html");
    Program browser(
        {"node", MILL_BROWSER_DRIVER, folder + "/mill.html", folder, ratio, webgl, limit});
    ASSERT_TRUE(exitedWith(browser.waitForExit(60s), 0)) << browser.output();
    const std::string report = browser.output();
    EXPECT_NE(report.find(R"("title":"Mill")"), std::string::npos) << report;
    EXPECT_NE(report.find(R"("exceptions":[])"), std::string::npos) << report;
    // With WebGL nothing but the picture, as shown and as read back.
    // Without, what the page needs.
    const bool drawn = webgl == "--enable-webgl";
    EXPECT_NE(report.find(drawn ? R"("text":"")" : "To turn WebGL on"), std::string::npos)
        << report;
    if (drawn) {
      EXPECT_NE(report.find(R"("lost":"The mill will be back)"), std::string::npos) << report;
      // The frame in three WebGL draws: the boards, the spokes, the hub and house.
      EXPECT_NE(report.find(R"("draws":3)"), std::string::npos) << report;
      for (const std::string name : {"screenshot.png", "canvas.png", "restored.png"}) {
        const Picture picture = readImage((std::filesystem::path(folder) / name).string());
        EXPECT_EQ(picture.width * picture.height, 250000 * std::stoi(ratio) * std::stoi(ratio))
            << name;
        EXPECT_TRUE(showsTheMill(picture)) << name;
      }
    }
  }
}
