// Reaching the X server when it does not accept a connection at once: the shared test helper and the editor's
// own connection keep trying for a short while, so a moment of refusals fails neither a test nor the editor.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "appkit/x11_application.h"
#include "x11_display.h"
#include "x11_test_server.h"

namespace {

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
    mServer.reset();
    if (mOldDisplay.empty())
      unsetenv("DISPLAY");
    else
      setenv("DISPLAY", mOldDisplay.c_str(), 1);
  }
  /// Names a display nothing serves yet and starts Xvfb on it after the delay, from another thread.
  void StartServerAfter(std::chrono::milliseconds delay)
  {
    const int number = testsupport::FreeDisplayNumber();
    ASSERT_GE(number, 0);
    mServer = std::make_unique<testsupport::TestXServer>(number);
    setenv("DISPLAY", mServer->Name().c_str(), 1);
    mStarter = std::thread([this, delay] {
      std::this_thread::sleep_for(delay);
      mServer->Launch();
    });
  }

  std::string mOldDisplay;
  std::unique_ptr<testsupport::TestXServer> mServer;
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
