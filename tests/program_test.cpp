#include "program.h"

#include <sys/wait.h>

TEST(Program, OpensItsWindowShowsTheMillSaysNothingAndClosesCleanly) {
  TestDisplay screen;
  Program mill;
  const WindowId window = screen.waitForWindow();
  ASSERT_NE(window, 0U) << "no window captioned \"Mill\" appeared";

  const Geometry geometry = screen.geometry(window);
  EXPECT_EQ(geometry.x, 100);
  EXPECT_EQ(geometry.y, 100);
  EXPECT_EQ(geometry.width, 500);
  EXPECT_EQ(geometry.height, 500);

  // The window holds exactly what the drawing routines give in a window of its size.
  const Picture expected = window::draw(500, 500);
  EXPECT_TRUE(alike(screen.settledPicture(window), expected));

  screen.close(window);
  const std::optional<int> status = mill.waitForExit(5s);
  ASSERT_TRUE(status.has_value()) << "still running after the window was closed";
  EXPECT_TRUE(WIFEXITED(*status));
  EXPECT_EQ(WEXITSTATUS(*status), 0);
  EXPECT_EQ(mill.output(), "");
}
