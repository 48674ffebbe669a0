// Reaching the X server when it does not accept a connection at once: the shared test helper and the editor's
// own connection keep trying for a short while, so a moment of refusals fails neither a test nor the editor.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "appkit/x11_application.h"
#include "x11_display.h"

extern char** environ;

namespace {

/// A display number nothing uses yet: no lock file and no socket.
int FreeDisplayNumber()
{
  struct stat st{};
  for (int n = 150; n < 250; ++n)
    if (stat(("/tmp/.X" + std::to_string(n) + "-lock").c_str(), &st) != 0 &&
        stat(("/tmp/.X11-unix/X" + std::to_string(n)).c_str(), &st) != 0)
      return n;
  return -1;
}

/// DISPLAY names a server that starts only a moment after the first attempt to reach it.
class LateServer : public ::testing::Test
{
protected:
  void SetUp() override
  {
    const char* before = std::getenv("DISPLAY");
    mOldDisplay = before ? before : "";
  }
  void TearDown() override
  {
    if (mStarter.joinable())
      mStarter.join();
    if (mServer > 0)
    {
      kill(mServer, SIGTERM);
      waitpid(mServer, nullptr, 0);
    }
    if (mOldDisplay.empty())
      unsetenv("DISPLAY");
    else
      setenv("DISPLAY", mOldDisplay.c_str(), 1);
  }
  /// Names a display nothing serves yet and starts Xvfb on it after the delay, from another thread.
  void StartServerAfter(std::chrono::milliseconds delay)
  {
    mNumber = FreeDisplayNumber();
    ASSERT_GE(mNumber, 0);
    setenv("DISPLAY", (":" + std::to_string(mNumber)).c_str(), 1);
    mStarter = std::thread([this, delay] {
      std::this_thread::sleep_for(delay);
      const std::string name = ":" + std::to_string(mNumber);
      const char* argv[] = {"Xvfb", name.c_str(), "-screen", "0", "64x64x24", "-nolisten", "tcp", nullptr};
      posix_spawn_file_actions_t quiet;
      posix_spawn_file_actions_init(&quiet);
      posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
      if (posix_spawnp(&mServer, "Xvfb", &quiet, nullptr, const_cast<char**>(argv), environ) != 0)
        mServer = -1;
      posix_spawn_file_actions_destroy(&quiet);
    });
  }

  std::string mOldDisplay;
  int mNumber = -1;
  pid_t mServer = -1;
  std::thread mStarter;
};

TEST_F(LateServer, TheTestHelperWaitsForAServerThatRefusesAtFirst)
{
  DROVIK_REQUIRE_TEST_DISPLAY(); // Xvfb is there, as the editor tests need it
  StartServerAfter(std::chrono::milliseconds(200));
  Display* display = testsupport::OpenDisplayOrNull();
  ASSERT_NE(display, nullptr) << "the server on " << std::getenv("DISPLAY") << " was not waited for";
  EXPECT_EQ(DisplayString(display), std::string(std::getenv("DISPLAY")));
  XCloseDisplay(display);
}

TEST_F(LateServer, NoDisplayNamedMeansNoDisplay)
{
  unsetenv("DISPLAY");
  EXPECT_EQ(testsupport::OpenDisplayOrNull(), nullptr);
  EXPECT_EQ(appkit::MakeX11Application(), nullptr);
}

} // namespace
