// Reaching the X server when it does not accept a connection at once: the shared test helper and the editor's
// own connection keep trying for a short while, so a moment of refusals fails neither a test nor the editor. The
// places a display name leads to, read as Xlib reads it (found by watching where Xlib connects for each name). And
// what the X11 back end answers for the screen, the pointer and its shapes.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "appkit/headless.h"
#include "appkit/x11_backend.h"
#include "appkit/x11_application.h"
#include "appkit/x11_display_name.h"
#include "appkit/x11_server_probe.h"
#include "foundation/main_thread.h"
#include "child_process.h"
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
  DROVIK_REQUIRE_TEST_DISPLAY();
  DROVIK_REQUIRE_XVFB();
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

TEST_F(LateServer, ADisplayOpenedAheadIsTheOneTheNextApplicationTakesAndNoneIsOpenedWhenHeadlessIsAskedFor)
{
  DROVIK_REQUIRE_TEST_DISPLAY();
  struct AskedBackEnd
  {
    AskedBackEnd() { setenv("DROVIK_APPKIT", "headless", 1); }
    ~AskedBackEnd() { unsetenv("DROVIK_APPKIT"); }
  };
  const auto needed = [] { return true; };
  const auto applicationMade = [] {
    foundation::MainThreadScope main;
    return appkit::MakeX11Application() != nullptr;
  };
  const std::string display = std::getenv("DISPLAY");
  {
    const AskedBackEnd headless;
    appkit::OpenX11DisplayAhead(needed);
    EXPECT_FALSE(applicationMade());
  }
  unsetenv("DISPLAY"); // from here on only a display opened ahead can serve
  EXPECT_FALSE(applicationMade()) << "a display was opened ahead though headless was asked for";
  setenv("DISPLAY", display.c_str(), 1);
  appkit::OpenX11DisplayAhead(needed);
  unsetenv("DISPLAY");
  EXPECT_TRUE(applicationMade()) << "the display opened ahead was not taken";
  EXPECT_FALSE(applicationMade()) << "a display opened ahead was taken twice";
}

// A process whose back end was installed (a test's, say) never reaches for a display, not even ahead of a host's
// call: here DISPLAY names a server that would take the connection.
TEST_F(LateServer, AnInstalledBackEndLeavesTheDisplayAloneAtAHostsCall)
{
  const auto silent = testsupport::SilentXServer::OnFreeNumber(testsupport::OwnDisplayNumbers(100),
                                                               testsupport::SilentXServer::Place::kLocal);
  ASSERT_TRUE(silent);
  setenv("DISPLAY", silent->Name().c_str(), 1);
  appkit::HeadlessApplication installed;
  appkit::Application::Install(&installed);
  for (const bool mayOpenEditor : {true, false})
    foundation::RunUnlockedPreparation(mayOpenEditor);
  appkit::Application::Install(nullptr);
  appkit::CloseX11DisplayOpenedAhead();
  const int connection = silent->TakeConnection();
  EXPECT_LT(connection, 0) << "the display was opened ahead for an installed back end";
  if (connection >= 0)
    close(connection);
}

// The event pump reads what is queued and returns once nothing is pending, on its own and at each turn of a nested
// loop. Run in a fresh process with a bound: a pump that waited for an event that never comes fails the check
// instead of hanging the test.
TEST(X11Application, ThePumpAndANestedLoopReturnOnceNothingIsPending)
{
  DROVIK_REQUIRE_TEST_DISPLAY();
  testsupport::ExpectInFreshProcess([] {
    foundation::MainThreadScope main;
    const std::unique_ptr<appkit::Application> app = appkit::MakeX11Application();
    auto* x11 = dynamic_cast<appkit::x11::X11Application*>(app.get());
    if (x11 == nullptr)
      return false;
    x11->Pump();
    int looks = 0;
    x11->RunModal([&] { return ++looks >= 3; });
    return looks == 3 && !app->Lost() && app->Idle();
  }, 60);
}

// Every pointer shape is offered (a font cursor each); the screen's height and the pointer's place are in points
// at the screen scale, the pointer's with the origin at the bottom left.
TEST(X11Application, OffersEveryPointerShapeAndPlacesThePointerInPoints)
{
  DROVIK_REQUIRE_TEST_DISPLAY();
  Display* host = testsupport::OpenDisplayOrNull();
  ASSERT_NE(host, nullptr);
  {
    foundation::MainThreadScope main;
    const std::unique_ptr<appkit::Application> app = appkit::MakeX11Application();
    ASSERT_NE(app, nullptr);
    EXPECT_STREQ(app->Name(), "x11");
    EXPECT_FALSE(app->Lost());
    EXPECT_TRUE(app->Idle());
    for (int c = 0; c <= static_cast<int>(appkit::Cursor::kHelp); ++c)
      EXPECT_TRUE(app->HasCursor(static_cast<appkit::Cursor>(c))) << c;
    const double scale = app->MainScreenBackingScaleFactor();
    EXPECT_EQ(app->HostWindowScale(), scale);
    const double height = DisplayHeight(host, DefaultScreen(host)) / scale;
    EXPECT_EQ(app->MainScreenHeight(), height);
    for (const appkit::Point p : {appkit::Point{30, 40}, appkit::Point{0, 0}, appkit::Point{7, 211}})
    {
      app->WarpCursor(p);
      const appkit::Point at = app->MouseLocation(); // a round trip: the move is done
      EXPECT_EQ(at.x, p.x);
      EXPECT_EQ(at.y, height - p.y);
      Window root = 0, child = 0;
      int x = -1, y = -1, windowX = 0, windowY = 0;
      unsigned buttons = 0;
      XQueryPointer(host, DefaultRootWindow(host), &root, &child, &x, &y, &windowX, &windowY, &buttons);
      EXPECT_EQ(x, p.x * scale);
      EXPECT_EQ(y, p.y * scale);
    }
  }
  XCloseDisplay(host);
}

TEST(DisplayName, EveryFormXlibReachesIsReadAsItReadsItAndTheRestIsRefused)
{
  using Places = appkit::DisplayAddress::Places;
  const struct
  {
    const char* name;
    Places places;
    const char* host;
    bool ipv6Only;
    int number, screen, port;
  } cases[] = {
    {":0", Places::kLocalThenNetwork, "localhost", false, 0, 0, 6000},
    {":5.1", Places::kLocalThenNetwork, "localhost", false, 5, 1, 6005},
    {": +5.-1", Places::kLocalThenNetwork, "localhost", false, 5, -1, 6005}, // blanks and signs, as strtoul reads
    {":99999", Places::kLocalThenNetwork, "localhost", false, 99999, 0, 40463}, // the port wraps to 16 bits
    {":-1", Places::kLocalThenNetwork, "localhost", false, -1, 0, 5999},
    {":4294967301", Places::kLocalThenNetwork, "localhost", false, 5, 0, 6005}, // the number wraps to an int
    {":99999999999999999999", Places::kLocalThenNetwork, "localhost", false, -1, 0, 5999},
    {"unix:3", Places::kLocal, "", false, 3, 0, 6003},
    {"unix/:3.2", Places::kLocal, "", false, 3, 2, 6003},
    {"unix/somehost:3", Places::kLocal, "", false, 3, 0, 6003}, // the host is not looked at
    {"unix/[::1:3", Places::kLocal, "", false, 3, 0, 6003},
    {"unix/host::3", Places::kLocal, "", false, 3, 0, 6003},
    {"localhost:7", Places::kNetwork, "localhost", false, 7, 0, 6007},
    {"tcp/somehost:7.1", Places::kNetwork, "somehost", false, 7, 1, 6007},
    {"inet/127.0.0.1:7", Places::kNetwork, "127.0.0.1", false, 7, 0, 6007},
    {"inet6/localhost:7", Places::kNetwork, "localhost", false, 7, 0, 6007},
    {"host:70000", Places::kNetwork, "host", false, 70000, 0, 10464},
    {"[::1]:8", Places::kNetwork, "::1", true, 8, 0, 6008},
    {"tcp/[fe80::1%lo]:8.0", Places::kNetwork, "fe80::1%lo", true, 8, 0, 6008},
    {"::1:8", Places::kNetwork, "::1", false, 8, 0, 6008},
    {"::ffff:127.0.0.1:8", Places::kNetwork, "::ffff:127.0.0.1", false, 8, 0, 6008},
  };
  for (const auto& c : cases)
  {
    const appkit::DisplayAddress a = appkit::ParseDisplayName(c.name);
    EXPECT_EQ(a.places, c.places) << c.name;
    EXPECT_EQ(a.host, c.host) << c.name;
    EXPECT_EQ(a.ipv6Only, c.ipv6Only) << c.name;
    EXPECT_EQ(a.number, c.number) << c.name;
    EXPECT_EQ(a.screen, c.screen) << c.name;
    EXPECT_EQ(a.port, c.port) << c.name;
  }
  EXPECT_EQ(appkit::ParseDisplayName(":-1").SocketPath(), "/tmp/.X11-unix/X-1");
  EXPECT_EQ(appkit::ParseDisplayName("unix/:99999").SocketPath(), "/tmp/.X11-unix/X99999");
  // Malformed, DECnet ("host::number"), other protocols, a protocol with no host or a local one, a bracketed host
  // that is no IPv6 address, a path: Xlib reaches none of these, or not by the ways we check.
  for (const char* name : {"", "5", ":", "host:", ":5.", ":5x", ":0x5", ":5.0.1", ":5 ", "[::1]:", "host::5",
                           "::1::5", "::5", "tcp/:5", "inet/unix:5", "local/host:5", "TCP/host:5", "Unix/:5",
                           "decnet/host::5", "unix/a/b:5", "tcp//:5", "/tmp/socket:5", "[127.0.0.1]:5",
                           "[localhost]:5", "[]:5", "[::1:5", "[::1]5"})
    EXPECT_EQ(appkit::ParseDisplayName(name).places, Places::kRefused) << '"' << name << '"';
}

// What the probe finds behind a display name, in each place Xlib tries: a server that answers; a socket that takes
// connections and never answers (the abstract local one, the file, or the TCP port, the last not for "unix:");
// nothing; a name we do not reach; a server with no room for another connection.
TEST(ServerProbe, FindsTheServerOfANameInEachPlaceXlibTriesForIt)
{
  DROVIK_REQUIRE_TEST_DISPLAY();
  using appkit::ServerProbe;
  using Silent = testsupport::SilentXServer;
  const auto probe = [](const std::string& name, int patienceMilliseconds = 50) {
    return appkit::ProbeServer(name, std::chrono::steady_clock::now() + std::chrono::milliseconds(patienceMilliseconds));
  };
  EXPECT_EQ(probe(std::getenv("DISPLAY"), 10000), ServerProbe::kAnswered);
  const auto file = Silent::OnFreeNumber(testsupport::OwnDisplayNumbers(60), Silent::Place::kLocal);
  const auto port = Silent::OnFreeNumber(testsupport::OwnDisplayNumbers(70), Silent::Place::kNetwork);
  ASSERT_TRUE(file && port);
  const int abstract = testsupport::FreeDisplayNumber(testsupport::OwnDisplayNumbers(80));
  ASSERT_GE(abstract, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string path = testsupport::DisplaySocketPath(abstract);
  std::memcpy(address.sun_path + 1, path.data(), path.size());
  const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&address),
                 static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + path.size())), 0);
  ASSERT_EQ(listen(listener, 16), 0);
  const int nothing = testsupport::FreeDisplayNumber(testsupport::OwnDisplayNumbers(90));
  const std::string a = std::to_string(abstract), f = std::to_string(file->Number()), p = std::to_string(port->Number());
  const std::vector<std::pair<std::string, ServerProbe>> cases = {
    {":" + a, ServerProbe::kSilent},  {"unix:" + a, ServerProbe::kSilent},
    {":" + f, ServerProbe::kSilent},  {"unix:" + f, ServerProbe::kSilent},
    {":" + p, ServerProbe::kSilent},  {"unix:" + p, ServerProbe::kNoServer}, {"localhost:" + p, ServerProbe::kSilent},
    {":" + std::to_string(nothing), ServerProbe::kNoServer}, {"host::5", ServerProbe::kRefused},
  };
  // Connections left waiting (the probe's own, or another test run's looking for a free number) are taken off the
  // queues first, so that a full queue is not read as a busy server.
  const auto drain = [&] {
    for (const int fd : {listener, file->Descriptor(), port->Descriptor()})
      for (pollfd p{fd, POLLIN, 0}; poll(&p, 1, 0) > 0; p.revents = 0)
        if (const int taken = accept4(fd, nullptr, nullptr, SOCK_CLOEXEC); taken >= 0)
          close(taken);
        else
          break;
  };
  for (const auto& [name, expected] : cases)
  {
    drain();
    EXPECT_EQ(probe(name), expected) << name;
  }
  // A server whose queue of waiting connections is full is busy, not absent: fill the socket file's queue.
  drain();
  sockaddr_un fileAddress{};
  fileAddress.sun_family = AF_UNIX;
  const std::string filePath = testsupport::DisplaySocketPath(file->Number());
  std::memcpy(fileAddress.sun_path, filePath.data(), filePath.size());
  std::vector<int> waiting;
  for (int i = 0; i < 1000; ++i)
  {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const bool queued = connect(fd, reinterpret_cast<const sockaddr*>(&fileAddress), sizeof(fileAddress)) == 0;
    waiting.push_back(fd);
    if (!queued)
      break;
  }
  EXPECT_EQ(probe(":" + f), ServerProbe::kBusy);
  for (const int fd : waiting)
    close(fd);
  close(listener);
}

} // namespace
