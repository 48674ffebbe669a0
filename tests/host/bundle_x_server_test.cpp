// The built bundle when the X server does not answer or goes away, each case in a child process with X servers of
// its own: a server that takes the connection and never answers (stopped, frozen, a forwarded display whose other
// end is gone) counts as no display, and so does one that went away while the plug-in was loaded, editor open or
// not (also when the host exits at once, its editor still open), or while the plug-in's connection to it was being
// opened: the host goes on and ends normally, no editor opens until a server answers again, and then one does. A
// server that froze holds up only the call that waits on it; a host that ends the process inside a call ends it
// normally; an instance closed while its own call waits for the display is closed after that call; openings the
// server ends cost nothing; editors opened at once all open; an instance without an editor never reaches the
// display; the X error handlers of a copy of the plug-in that was unloaded are never called, its unload waits for a
// call of them under way on another thread, two copies pass each host error on once, and closing a module's last
// instance ends its thread and closes its connection. Every form of display name Xlib reaches is checked so. And
// the tests' own help with servers and children: a child that crashes or ends through Xlib is reported with its
// last lines, one killed at its limit leaves no server or display file behind, a test without Xvfb skips saying so
// (fails in CI), and only free numbers of the range given are taken. Skips without Xvfb, except in CI.
#include <dlfcn.h>
#include <malloc.h>
#include <sys/socket.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include <gtest/gtest-spi.h>

#include "child_process.h"
#include "loaded_bundle.h"
#include "this_process.h"
#include "wait_for.h"

// Last: X defines macros (None, Bool) that the headers above would trip over.
#include <X11/Xlib.h>

#include "x11_children.h"
#include "x11_display.h"
#include "x11_test_server.h"

using hosttest::Instance;
using Size = std::pair<int, int>;

namespace {

/// Generous: only a call that never returns reaches it.
constexpr int kChildLimitSeconds = 20;
const Size kEditorAtScaleOne{468, 450};
/// Where this test looks for free display numbers: apart from the other tests that start X servers, and from other
/// runs of it.
int FirstDisplayNumber() { return testsupport::OwnDisplayNumbers(150); }

class BundleXServer : public ::testing::Test
{
protected:
  void SetUp() override { DROVIK_REQUIRE_XVFB(); }
};

Size EditorRect(const Instance& p)
{
  vst2::Rect* r = nullptr;
  if (p.Call(vst2::effEditGetRect, 0, 0, &r) != 1 || !r)
    return {0, 0};
  return {r->right - r->left, r->bottom - r->top};
}

/// The editor rectangle of a new instance: the screen scale of the display the plug-in has now (1 without one).
Size NewInstancesEditorRect()
{
  Instance p;
  return p.Get() ? EditorRect(p) : Size{0, 0};
}

/// A mapped window of the host's on the display, for the editor to open into.
Window MapHostWindow(Display* host)
{
  const Window w = XCreateSimpleWindow(host, DefaultRootWindow(host), 0, 0, 1000, 1000, 0, 0, 0);
  XMapWindow(host, w);
  XSync(host, False);
  return w;
}

void* AsParent(Window w) { return reinterpret_cast<void*>(w); }

// Each case waits a second for the server's answer at the first use of the display and again at the open.
TEST_F(BundleXServer, AServerThatNeverAnswersCountsAsNoDisplayUntilOneAnswers)
{
  using Place = testsupport::SilentXServer::Place;
  for (const Place place : {Place::kLocal, Place::kNetwork})
  {
    testsupport::ExpectInChildProcess(
      [place] {
        const auto listening = testsupport::SilentXServer::OnFreeNumber(FirstDisplayNumber(), place);
        ASSERT_TRUE(listening) << "no display number's place could be taken";
        const testsupport::SilentXServer& silent = *listening;
        const int number = silent.Number();
        setenv("DISPLAY", silent.Name().c_str(), 1);
        Instance p;
        ASSERT_NE(p.Get(), nullptr);
        p.Call(vst2::effOpen);
        EXPECT_EQ(EditorRect(p), kEditorAtScaleOne) << silent.Name(); // as without a display
        EXPECT_EQ(p.Call(vst2::effEditOpen, 0, 0, AsParent(1)), 0) << silent.Name();
        // Not on the silent server's number: a local display that is not there yet is looked for on its port too.
        testsupport::TestXServer server;
        Display* host = server.StartOnFreeNumber(number + 1);
        ASSERT_NE(host, nullptr);
        const Window parent = MapHostWindow(host);
        ASSERT_EQ(p.Call(vst2::effEditOpen, 0, 0, AsParent(parent)), 1) << silent.Name();
        EXPECT_EQ(testsupport::ChildWindows(host, parent).size(), 1u);
        EXPECT_EQ(p.Call(vst2::effEditClose), 1);
        XCloseDisplay(host);
      },
      kChildLimitSeconds);
  }
}

// Display names Xlib reaches in ways of their own: a local display named with its protocol and a host, a bracketed
// IPv6 address, and a number past the last port that wraps to a port of the loopback address. Each leads to a
// silent server; the editor opens as with no display, for every name in one child process.
TEST_F(BundleXServer, EveryFormOfDisplayNameLeadingToAServerThatNeverAnswersCountsAsNoDisplay)
{
  testsupport::ExpectInChildProcess(
    [] {
      using Place = testsupport::SilentXServer::Place;
      const struct
      {
        Place place;
        std::string (*name)(int number);
      } cases[] = {
        {Place::kLocal, [](int n) { return "unix/somehost:" + std::to_string(n) + ".0"; }},
        {Place::kNetworkIPv6, [](int n) { return "[::1]:" + std::to_string(n); }},
        {Place::kNetwork, [](int n) { return ":" + std::to_string(n + 65536); }}, // port 6000 + n, wrapped
      };
      for (const auto& c : cases)
      {
        if (c.place == Place::kNetworkIPv6 && !testsupport::HaveIPv6Loopback())
        {
          std::printf("no IPv6 loopback address here: the bracketed form is not tried\n");
          continue;
        }
        const auto listening = testsupport::SilentXServer::OnFreeNumber(FirstDisplayNumber(), c.place);
        ASSERT_TRUE(listening) << "no display number's place could be taken";
        const std::string name = c.name(listening->Number());
        setenv("DISPLAY", name.c_str(), 1);
        Instance p;
        ASSERT_NE(p.Get(), nullptr);
        p.Call(vst2::effOpen);
        EXPECT_EQ(p.Call(vst2::effEditOpen, 0, 0, AsParent(1)), 0) << name;
        EXPECT_EQ(EditorRect(p), kEditorAtScaleOne) << name;
      }
    },
    kChildLimitSeconds);
}

/// The host's own handling of lost X connections: counts them and goes on.
std::atomic<int> gHostConnectionsLost{0};
int CountHostConnectionLost(Display*)
{
  ++gHostConnectionsLost;
  return 0;
}
void GoOn(Display*, void*) {}
std::atomic<int> gHostConnectionsLetGo{0};
void CountAndGoOn(Display*, void*) { ++gHostConnectionsLetGo; }
/// The host's own handling of X errors: counts them.
std::atomic<int> gHostErrors{0};
int CountHostError(Display*, XErrorEvent*)
{
  ++gHostErrors;
  return 0;
}

/// Starts the host's X server and puts the host's counting handlers in place, as a host does before it loads
/// plug-ins; the host's connection, or null.
Display* StartHostCountingItsErrors(testsupport::TestXServer& server)
{
  Display* host = server.StartOnFreeNumber(FirstDisplayNumber());
  if (!host)
    return nullptr;
  XSetErrorHandler(CountHostError);
  XSetIOErrorHandler(CountHostConnectionLost);
  XSetIOErrorExitHandler(host, CountAndGoOn, nullptr);
  return host;
}

// The server dies (at screen scale 2) with the editor open, or with only the plug-in's connection to it open.
// Xlib's handling of a lost connection would end the process from the plug-in's own thread; instead the plug-in
// lets the connection go: new instances size their editor for no display, no editor opens until the server is
// back, and the process ends normally (through exit, its static objects destroyed). The host's handler of lost
// connections, in place before the plug-in's, hears of the host's own connections and never of the plug-in's.
TEST_F(BundleXServer, AServerThatGoesAwayEndsNeitherTheHostNorLaterEditors)
{
  for (const bool editorOpen : {true, false})
  {
    testsupport::ExpectInChildProcess(
      [editorOpen] {
        testsupport::TestXServer server;
        Display* host = server.StartOnFreeNumber(FirstDisplayNumber());
        ASSERT_NE(host, nullptr);
        XSetIOErrorHandler(CountHostConnectionLost);
        XSetIOErrorExitHandler(host, GoOn, nullptr);
        testsupport::SetScreenDpi(host, "192");
        const Window parent = MapHostWindow(host);
        {
          Instance p;
          ASSERT_NE(p.Get(), nullptr);
          p.Call(vst2::effOpen);
          ASSERT_EQ(EditorRect(p), Size(936, 900)); // the plug-in's connection is open
          if (editorOpen)
          {
            ASSERT_EQ(p.Call(vst2::effEditOpen, 0, 0, AsParent(parent)), 1);
          }
          server.Stop();
          EXPECT_TRUE(testsupport::WaitFor([] { return NewInstancesEditorRect() == kEditorAtScaleOne; }))
            << "editor open: " << editorOpen;
          EXPECT_EQ(gHostConnectionsLost.load(), 0); // the plug-in's loss is not the host's
          XSync(host, False);
          EXPECT_EQ(gHostConnectionsLost.load(), 1);
          EXPECT_EQ(p.Call(vst2::effEditOpen, 0, 0, AsParent(parent)), 0) << "editor open: " << editorOpen;
          // The same display number comes back.
          Display* again = server.Start();
          ASSERT_NE(again, nullptr);
          const Window newParent = MapHostWindow(again);
          ASSERT_EQ(p.Call(vst2::effEditOpen, 0, 0, AsParent(newParent)), 1) << "editor open: " << editorOpen;
          EXPECT_EQ(testsupport::ChildWindows(again, newParent).size(), 1u);
          EXPECT_EQ(p.Call(vst2::effEditClose), 1);
          // Gone again while the plug-in's connection to it is open: the host's own loss still reaches its handler.
          XSetIOErrorExitHandler(again, GoOn, nullptr);
          server.Stop();
          XSync(again, False);
          EXPECT_EQ(gHostConnectionsLost.load(), 2);
        }
        testsupport::ExitNormally();
      },
      kChildLimitSeconds);
  }
}

// The host ends the process (through exit, its static objects destroyed) right after the server went away with the
// editor open, without closing the instance: the plug-in's own thread, letting go of the lost editor meanwhile, is
// done before anything it uses is destroyed, and the process ends normally. Twice: the race is not always met.
TEST_F(BundleXServer, AHostThatExitsRightAfterItsServerWentAwayEndsNormally)
{
  for (int run = 0; run < 2; ++run)
  {
    testsupport::ExpectInChildProcess(
      [] {
        testsupport::TestXServer server;
        Display* host = server.StartOnFreeNumber(FirstDisplayNumber());
        ASSERT_NE(host, nullptr);
        XSetIOErrorExitHandler(host, GoOn, nullptr);
        Instance p; // never closed
        ASSERT_NE(p.Get(), nullptr);
        p.Call(vst2::effOpen);
        ASSERT_EQ(p.Call(vst2::effEditOpen, 0, 0, AsParent(MapHostWindow(host))), 1);
        server.Stop();
        testsupport::ExitNormally();
      },
      kChildLimitSeconds);
  }
}

// A server that answers the opening of the plug-in's connection, freezes while Xlib's opening waits on it, and is
// killed: effEditGetRect answers as without a display, and the host goes on and ends normally.
TEST_F(BundleXServer, AServerKilledWhileTheConnectionOpensCountsAsNoDisplay)
{
  testsupport::ExpectInChildProcess(
    [] {
      const auto frozen = testsupport::FrozenXServer::OnFreeNumber(FirstDisplayNumber(), true);
      ASSERT_TRUE(frozen) << "no display number's place could be taken";
      setenv("DISPLAY", frozen->Name().c_str(), 1);
      {
        Instance p;
        ASSERT_NE(p.Get(), nullptr);
        p.Call(vst2::effOpen);
        EXPECT_EQ(EditorRect(p), kEditorAtScaleOne);
        EXPECT_EQ(p.Call(vst2::effEditOpen, 0, 0, AsParent(1)), 0);
      }
      frozen->GoAway(); // its thread, ended, is waited for
      testsupport::ExitNormally();
    },
    kChildLimitSeconds);
}

/// While `call` on one instance waits on a frozen server, another instance's calls answer on a thread of their own
/// (the host can save its project, change that instance's state and close it meanwhile); `call` returns only once
/// the server goes away, and then answers as without a display (`call` says whether it did).
void ExpectAFrozenServerHoldsUpOnly(const std::function<bool(Instance&)>& call)
{
  testsupport::ExpectInChildProcess(
    [&call] {
      const auto frozen = testsupport::FrozenXServer::OnFreeNumber(FirstDisplayNumber(), false);
      ASSERT_TRUE(frozen) << "no display number's place could be taken";
      setenv("DISPLAY", frozen->Name().c_str(), 1);
      Instance waiting;
      auto other = std::make_unique<Instance>();
      ASSERT_NE(waiting.Get(), nullptr);
      ASSERT_NE(other->Get(), nullptr);
      waiting.Call(vst2::effOpen);
      other->Call(vst2::effOpen);
      std::atomic<bool> returned{false};
      bool answeredAsWithoutADisplay = false;
      std::thread waitingCall([&] {
        answeredAsWithoutADisplay = call(waiting);
        returned = true;
      });
      frozen->WaitUntilWaitedOn();
      // Held up by the frozen server, these would never end.
      std::atomic<bool> othersDone{false};
      bool chunk = false, name = false;
      std::thread others([&] {
        chunk = !other->GetChunk().empty();
        name = !other->Text(vst2::effGetParamName, 0).empty();
        other->Call(vst2::effMainsChanged, 0, 1);
        other->Call(vst2::effMainsChanged, 0, 0);
        other.reset(); // effClose
        othersDone = true;
      });
      EXPECT_TRUE(testsupport::WaitFor([&] { return othersDone.load(); }, 5))
        << "another instance's calls waited on the frozen server";
      EXPECT_FALSE(returned.load()) << "the waiting call had returned before the frozen server went away";
      frozen->GoAway();
      waitingCall.join();
      others.join();
      EXPECT_TRUE(chunk);
      EXPECT_TRUE(name);
      EXPECT_TRUE(answeredAsWithoutADisplay);
    },
    kChildLimitSeconds);
}

// The size call hosts make before they open the editor answers the size once the server goes away.
TEST_F(BundleXServer, AFrozenServerHoldsUpOnlyTheSizeCallThatWaitsOnIt)
{
  ExpectAFrozenServerHoldsUpOnly([](Instance& p) { return EditorRect(p) == kEditorAtScaleOne; });
}

// The opening answers that no editor opened once the server goes away.
TEST_F(BundleXServer, AFrozenServerHoldsUpOnlyTheCallThatWaitsOnIt)
{
  ExpectAFrozenServerHoldsUpOnly([](Instance& p) { return p.Call(vst2::effEditOpen, 0, 0, AsParent(1)) == 0; });
}

/// Whether the other end of an accepted connection has closed it (what it sent before is read and dropped).
bool PeerClosed(int fd)
{
  char bytes[64];
  ssize_t n;
  while ((n = recv(fd, bytes, sizeof(bytes), MSG_DONTWAIT)) > 0)
    ;
  return n == 0;
}

// A host thread closes an instance while another thread's effEditGetRect of it waits for a silent server's answer:
// the close waits for that call (its look at the server is over when the close returns); a close of another
// instance meanwhile answers at once.
TEST_F(BundleXServer, AnInstanceClosedWhileItsCallWaitsForTheDisplayIsClosedAfterThatCall)
{
  testsupport::ExpectInChildProcess(
    [] {
      const auto silent =
        testsupport::SilentXServer::OnFreeNumber(FirstDisplayNumber(), testsupport::SilentXServer::Place::kLocal);
      ASSERT_TRUE(silent) << "no display number's place could be taken";
      setenv("DISPLAY", silent->Name().c_str(), 1);
      auto closed = std::make_unique<Instance>();
      auto other = std::make_unique<Instance>();
      ASSERT_NE(closed->Get(), nullptr);
      ASSERT_NE(other->Get(), nullptr);
      closed->Call(vst2::effOpen);
      std::atomic<bool> answered{false};
      bool answeredWithARectangle = false;
      Instance& asked = *closed;
      std::thread asking([&] {
        // Only the answer is looked at: the rectangle lies in the instance, which the close below frees as soon as
        // this call is over.
        vst2::Rect* r = nullptr;
        answeredWithARectangle = asked.Call(vst2::effEditGetRect, 0, 0, &r) == 1 && r;
        answered = true;
      });
      int look = -1; // the plug-in's look at the server, waiting for its answer
      ASSERT_TRUE(testsupport::WaitFor([&] { return (look = silent->TakeConnection()) >= 0; }));
      other.reset();
      EXPECT_FALSE(answered.load()) << "the rectangle was answered before the other instance's close";
      closed.reset(); // effClose, from this host thread
      EXPECT_TRUE(PeerClosed(look)) << "the instance was closed under its call";
      asking.join();
      close(look);
      EXPECT_TRUE(answeredWithARectangle);
    },
    kChildLimitSeconds);
}

// A server that answers the opening of each connection and then ends it (one that crashes and is started again
// over and over): every effEditOpen fails as without a display, trying it once, and leaves no descriptor or memory
// behind.
TEST_F(BundleXServer, OpeningsThatTheServerEndsCostNothing)
{
  testsupport::ExpectInChildProcess(
    [] {
      constexpr int kOpenings = 10;
      constexpr size_t kMostHeapKept = 128 * 1024; // each lost connection kept would hold about 40 KB
      constexpr int kConnectionsPerOpening = 2;      // the look at the server, then Xlib's
      const auto looping = testsupport::FrozenXServer::OnFreeNumber(FirstDisplayNumber(), false, true);
      ASSERT_TRUE(looping) << "no display number's place could be taken";
      setenv("DISPLAY", looping->Name().c_str(), 1);
      Instance p;
      ASSERT_NE(p.Get(), nullptr);
      p.Call(vst2::effOpen);
      EXPECT_EQ(p.Call(vst2::effEditOpen, 0, 0, AsParent(1)), 0); // what the first use makes stays
      const int descriptors = testsupport::OpenDescriptors();
      const size_t heap = mallinfo2().uordblks;
      const int connections = looping->Connections();
      for (int i = 0; i < kOpenings; ++i)
        EXPECT_EQ(p.Call(vst2::effEditOpen, 0, 0, AsParent(1)), 0);
      EXPECT_EQ(testsupport::OpenDescriptors(), descriptors);
      EXPECT_LT(mallinfo2().uordblks, heap + kMostHeapKept);
      EXPECT_LE(looping->Connections() - connections, kOpenings * kConnectionsPerOpening);
    },
    kChildLimitSeconds);
}

// At the first use of the display, two host threads open two instances' editors at once, or one opens its editor
// while the other asks for its rectangle: a call that finds the other's opening under way waits for it and takes
// its result, so every editor opens. Each way three times, in fresh processes: which call opens is the race.
TEST_F(BundleXServer, EditorsOpenedAtOnceAtTheFirstUseAllOpen)
{
  constexpr int kRuns = 3;
  testsupport::TestXServer server;
  Display* started = server.StartOnFreeNumber(FirstDisplayNumber());
  ASSERT_NE(started, nullptr);
  XCloseDisplay(started); // the children open their own
  for (const bool bothOpen : {true, false})
    for (int run = 0; run < kRuns; ++run)
      testsupport::ExpectInChildProcess(
        [bothOpen] {
          Display* host = XOpenDisplay(nullptr);
          ASSERT_NE(host, nullptr);
          Instance first, second;
          ASSERT_NE(first.Get(), nullptr);
          ASSERT_NE(second.Get(), nullptr);
          first.Call(vst2::effOpen);
          second.Call(vst2::effOpen);
          const Window firstParent = MapHostWindow(host), secondParent = MapHostWindow(host);
          std::atomic<int> ready{0};
          auto startTogether = [&ready] {
            for (++ready; ready.load() < 2;)
              std::this_thread::yield();
          };
          intptr_t firstAnswer = 1, secondAnswer = 0;
          std::thread asking([&] {
            startTogether();
            if (bothOpen)
              firstAnswer = first.Call(vst2::effEditOpen, 0, 0, AsParent(firstParent));
            else
              EditorRect(first);
          });
          std::thread opening([&] {
            startTogether();
            secondAnswer = second.Call(vst2::effEditOpen, 0, 0, AsParent(secondParent));
          });
          asking.join();
          opening.join();
          EXPECT_EQ(firstAnswer, 1) << "both open: " << bothOpen;
          EXPECT_EQ(secondAnswer, 1) << "both open: " << bothOpen;
          first.Call(vst2::effEditClose);
          second.Call(vst2::effEditClose);
          XCloseDisplay(host);
        },
        kChildLimitSeconds);
}

// With its artwork missing (the module alone in a folder) the plug-in has no editor: asking for its rectangle and
// opening it answer no, and the display is never reached.
TEST_F(BundleXServer, AnInstanceWithoutAnEditorNeverReachesTheDisplay)
{
  testsupport::ExpectInChildProcess(
    [] {
      const auto server = testsupport::FrozenXServer::OnFreeNumber(FirstDisplayNumber(), false, true);
      ASSERT_TRUE(server) << "no display number's place could be taken";
      setenv("DISPLAY", server->Name().c_str(), 1);
      char folder[] = "/tmp/drovik-module-XXXXXX";
      ASSERT_NE(mkdtemp(folder), nullptr);
      const std::filesystem::path module = std::filesystem::path(folder) / "Drovik.so";
      std::filesystem::copy_file(hosttest::Bundle::Path(), module);
      void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
      ASSERT_NE(handle, nullptr);
      {
        Instance p(reinterpret_cast<vst2::EntryFn>(dlsym(handle, "VSTPluginMain")), hosttest::SilentHost);
        ASSERT_NE(p.Get(), nullptr);
        p.Call(vst2::effOpen);
        vst2::Rect* rect = nullptr;
        EXPECT_EQ(p.Call(vst2::effEditGetRect, 0, 0, &rect), 0);
        EXPECT_EQ(p.Call(vst2::effEditOpen, 0, 0, AsParent(1)), 0);
      }
      EXPECT_EQ(server->Connections(), 0);
      std::filesystem::remove_all(folder);
    },
    kChildLimitSeconds);
}

/// A host that ends the process from inside a call of the plug-in's (in the callback that effOpen makes), once the
/// plug-in's timers are due and wait for that call to end.
intptr_t ExitingHost(vst2::Effect*, int32_t opcode, int32_t, intptr_t, void*, float)
{
  if (opcode == vst2::audioMasterGetProductString)
  {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    testsupport::ExitNormally();
  }
  return 0;
}

// The process ends normally when the host ends it inside a call of the plug-in's.
TEST_F(BundleXServer, AHostThatEndsTheProcessInsideACallEndsNormally)
{
  testsupport::ExpectInChildProcess(
    [] {
      Instance p(ExitingHost);
      ASSERT_NE(p.Get(), nullptr);
      p.Call(vst2::effOpen);
      ADD_FAILURE() << "the host's callback did not end the process";
    },
    kChildLimitSeconds);
}

/// A copy of the built bundle in a folder of its own, loaded from there: a module of its own beside the first.
class BundleCopy
{
public:
  BundleCopy()
  {
    namespace fs = std::filesystem;
    char folder[] = "/tmp/drovik-bundle-XXXXXX";
    if (!mkdtemp(folder))
      return;
    mFolder = folder;
    const fs::path built = fs::path(hosttest::Bundle::Path()).parent_path().parent_path().parent_path();
    fs::copy(built, mFolder / built.filename(), fs::copy_options::recursive);
    mModulePath = (mFolder / built.filename() / "Contents" / "x86_64-linux" / "Drovik.so").string();
    Load();
  }
  ~BundleCopy()
  {
    Unload();
    std::error_code ignored;
    std::filesystem::remove_all(mFolder, ignored);
  }
  BundleCopy(const BundleCopy&) = delete;
  BundleCopy& operator=(const BundleCopy&) = delete;

  vst2::EntryFn Entry() const
  {
    return mHandle ? reinterpret_cast<vst2::EntryFn>(dlsym(mHandle, "VSTPluginMain")) : nullptr;
  }
  void Load() { mHandle = mHandle ? mHandle : dlopen(mModulePath.c_str(), RTLD_NOW | RTLD_LOCAL); }
  void Unload()
  {
    if (mHandle)
      dlclose(mHandle);
    mHandle = nullptr;
  }
  bool Loaded() const
  {
    void* handle = dlopen(mModulePath.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle)
      dlclose(handle);
    return handle != nullptr;
  }

private:
  std::filesystem::path mFolder;
  std::string mModulePath;
  void* mHandle = nullptr;
};

/// An X error on the host's own connection: mapping a window that is gone.
void ProvokeHostError(Display* host)
{
  const Window gone = XCreateSimpleWindow(host, DefaultRootWindow(host), 0, 0, 10, 10, 0, 0, 0);
  XDestroyWindow(host, gone);
  XMapWindow(host, gone);
  XSync(host, False);
}

// Two copies of the plug-in at two paths, each a module of its own, with their editors open or with only their
// connections to the display open: the first copy's instance is closed and its module unloaded (with only a
// connection open, the instance is left open, as by a host that unloads first: the connection goes with the
// module). The host's later X errors and the loss of its server reach the host's own handlers (through the second
// copy's, which keeps the errors of its own connections) and end nothing; no handler of a module that went is
// called.
TEST_F(BundleXServer, HandlersOfAnUnloadedCopyAreNeverCalled)
{
  for (const bool editorsOpen : {true, false})
  {
    testsupport::ExpectInChildProcess(
      [editorsOpen] {
        testsupport::TestXServer server;
        Display* host = StartHostCountingItsErrors(server);
        ASSERT_NE(host, nullptr);
        BundleCopy first, second;
        auto unloaded = std::make_unique<Instance>(first.Entry(), hosttest::SilentHost);
        auto kept = std::make_unique<Instance>(second.Entry(), hosttest::SilentHost);
        ASSERT_NE(unloaded->Get(), nullptr);
        ASSERT_NE(kept->Get(), nullptr);
        for (const Instance* p : {unloaded.get(), kept.get()})
        {
          p->Call(vst2::effOpen);
          ASSERT_EQ(EditorRect(*p), kEditorAtScaleOne); // each copy's connection is open
          if (editorsOpen)
          {
            ASSERT_EQ(p->Call(vst2::effEditOpen, 0, 0, AsParent(MapHostWindow(host))), 1);
          }
        }
        if (editorsOpen)
        {
          unloaded->Call(vst2::effEditClose);
          unloaded.reset();
        }
        else // never closed, as by a host that unloads the module first: its connection goes with the module
          unloaded.release();
        first.Unload();
        if (!editorsOpen)
        {
          ASSERT_FALSE(first.Loaded()) << "the first copy stayed loaded: nothing to try";
        }
        ProvokeHostError(host);
        EXPECT_EQ(gHostErrors.load(), 1) << "editors open: " << editorsOpen;
        server.Stop();
        XSync(host, False);
        EXPECT_EQ(gHostConnectionsLetGo.load(), 1) << "editors open: " << editorsOpen;
        if (editorsOpen) // the chain of handlers to the host's is whole
        {
          EXPECT_EQ(gHostConnectionsLost.load(), 1);
        }
        kept->Call(vst2::effEditClose);
        kept.reset();
      }, // and the second copy is unloaded
      kChildLimitSeconds);
  }
}

// Two copies of the plug-in at two paths: the first copy's editor opens, the second's, the first's closes with its
// instance (and its connection), and a new instance of the first copy opens its editor again. The host's next X
// error and the loss of its server each reach the host's own handler once: the handlers of the copies never pass
// them on to each other without end.
TEST_F(BundleXServer, CopiesOpeningAndClosingInTurnPassEachHostErrorOnOnce)
{
  testsupport::ExpectInChildProcess(
    [] {
      testsupport::TestXServer server;
      Display* host = StartHostCountingItsErrors(server);
      ASSERT_NE(host, nullptr);
      BundleCopy first, second;
      auto openEditor = [host](const BundleCopy& copy) {
        auto p = std::make_unique<Instance>(copy.Entry(), hosttest::SilentHost);
        EXPECT_NE(p->Get(), nullptr);
        if (p->Get())
        {
          p->Call(vst2::effOpen);
          EXPECT_EQ(p->Call(vst2::effEditOpen, 0, 0, AsParent(MapHostWindow(host))), 1);
        }
        return p;
      };
      auto firsts = openEditor(first);
      const auto seconds = openEditor(second);
      ASSERT_TRUE(firsts->Get() && seconds->Get());
      firsts->Call(vst2::effEditClose);
      firsts.reset(); // the first copy's last instance: its connection closes too
      firsts = openEditor(first);
      ProvokeHostError(host);
      EXPECT_EQ(gHostErrors.load(), 1);
      server.Stop();
      XSync(host, False);
      EXPECT_EQ(gHostConnectionsLost.load(), 1);
      EXPECT_EQ(gHostConnectionsLetGo.load(), 1);
      for (const Instance* p : {firsts.get(), seconds.get()})
        p->Call(vst2::effEditClose);
    },
    kChildLimitSeconds);
}

/// The host's handling of lost X connections that stays inside the call until the test lets it go.
struct HeldHostHandler
{
  std::mutex lock;
  std::condition_variable changed;
  int calls = 0;
  bool released = false;
} gHeldHostHandler;
int HoldHostConnectionLost(Display*)
{
  std::unique_lock<std::mutex> hold(gHeldHostHandler.lock);
  ++gHeldHostHandler.calls;
  gHeldHostHandler.changed.notify_all();
  gHeldHostHandler.changed.wait(hold, [] { return gHeldHostHandler.released; });
  return 0;
}

// A thread of the host's finds the host's connection lost (to a server of its own) while a copy of the plug-in has
// its handler of lost connections in place, which passes the loss on to the host's handler; that one stays inside
// the call. Meanwhile the copy's last instance is closed and its module unloaded on another thread: the unload does
// not end while the call is under way, and ends once the host's handler has returned, into code still loaded.
TEST_F(BundleXServer, AnUnloadWaitsForACallOfItsHandlersUnderWayOnAnotherThread)
{
  testsupport::ExpectInChildProcess(
    [] {
      testsupport::TestXServer hostServer, pluginServer;
      Display* host = hostServer.StartOnFreeNumber(FirstDisplayNumber());
      ASSERT_NE(host, nullptr);
      XSetIOErrorHandler(HoldHostConnectionLost);
      XSetIOErrorExitHandler(host, GoOn, nullptr);
      ASSERT_NE(pluginServer.StartOnFreeNumber(FirstDisplayNumber()), nullptr); // the plug-in's display
      BundleCopy copy;
      auto p = std::make_unique<Instance>(copy.Entry(), hosttest::SilentHost);
      ASSERT_NE(p->Get(), nullptr);
      p->Call(vst2::effOpen);
      ASSERT_EQ(EditorRect(*p), kEditorAtScaleOne); // its connection is open, and its handler in place
      hostServer.Stop();
      std::thread lost([host] { XSync(host, False); });
      std::unique_lock<std::mutex> hold(gHeldHostHandler.lock);
      gHeldHostHandler.changed.wait(hold, [] { return gHeldHostHandler.calls > 0; });
      hold.unlock();
      p.reset();
      auto unload = std::async(std::launch::async, [&copy] { copy.Unload(); });
      EXPECT_EQ(unload.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout)
        << "the unload ended while a call of its handler was under way";
      hold.lock();
      gHeldHostHandler.released = true;
      gHeldHostHandler.changed.notify_all();
      hold.unlock();
      lost.join();
      unload.wait();
      EXPECT_FALSE(copy.Loaded());
      EXPECT_EQ(gHeldHostHandler.calls, 1);
    },
    kChildLimitSeconds);
}

int Threads() { return testsupport::EntriesOfThisProcess("task"); }

/// The sockets this process has open.
int Sockets()
{
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
  {
    std::error_code error;
    count += std::filesystem::read_symlink(entry.path(), error).string().rfind("socket:", 0) == 0 ? 1 : 0;
  }
  return count;
}

// Once the module's last instance is closed, the plug-in's own thread ends and its connection to the display is
// closed, also in a copy that stays loaded after the host unloaded it; a new instance opens its editor again.
TEST_F(BundleXServer, ClosingTheLastInstanceEndsTheThreadAndClosesTheConnection)
{
  testsupport::ExpectInChildProcess(
    [] {
      testsupport::TestXServer server;
      Display* host = server.StartOnFreeNumber(FirstDisplayNumber());
      ASSERT_NE(host, nullptr);
      std::thread([] {}).join(); // a sanitizer's own thread, started with the first, is counted from here
      const int threads = Threads(), sockets = Sockets();
      BundleCopy first, second;
      auto openAndClose = [host](const BundleCopy& copy, bool closeEditor) {
        auto p = std::make_unique<Instance>(copy.Entry(), hosttest::SilentHost);
        EXPECT_NE(p->Get(), nullptr);
        p->Call(vst2::effOpen);
        EXPECT_EQ(p->Call(vst2::effEditOpen, 0, 0, AsParent(MapHostWindow(host))), 1);
        if (closeEditor)
          p->Call(vst2::effEditClose);
        return p;
      };
      // The first copy's error handler comes in under the second's: the first copy stays loaded.
      auto firsts = openAndClose(first, false);
      auto seconds = openAndClose(second, false);
      firsts->Call(vst2::effEditClose);
      firsts.reset();
      seconds->Call(vst2::effEditClose);
      seconds.reset();
      EXPECT_TRUE(testsupport::WaitFor([&] { return Threads() == threads; })) << Threads() - threads << " more";
      EXPECT_EQ(Sockets(), sockets);
      first.Unload();
      second.Unload();
      ASSERT_TRUE(first.Loaded()) << "the first copy was unloaded: nothing to try";
      first.Load();
      openAndClose(first, true); // and the instance is closed
      EXPECT_TRUE(testsupport::WaitFor([&] { return Threads() == threads; })) << Threads() - threads << " more";
      EXPECT_EQ(Sockets(), sockets);
    },
    kChildLimitSeconds);
}

// ---- The tests' own servers and children ----

/// Sets an environment variable for a scope, restoring it after.
class ScopedVariable
{
public:
  ScopedVariable(const char* name, const char* value) : mName(name)
  {
    const char* before = std::getenv(name);
    mHad = before != nullptr;
    mBefore = before ? before : "";
    value ? setenv(name, value, 1) : unsetenv(name);
  }
  ~ScopedVariable() { mHad ? setenv(mName, mBefore.c_str(), 1) : unsetenv(mName); }

private:
  const char* mName;
  bool mHad;
  std::string mBefore;
};

/// The failures and skips `run` reports; none reach the test itself.
template <typename Run>
std::vector<testing::TestPartResult> ResultsOf(Run run)
{
  testing::TestPartResultArray results;
  {
    testing::ScopedFakeTestPartResultReporter reporter(
      testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &results);
    run();
  }
  std::vector<testing::TestPartResult> out;
  for (int i = 0; i < results.size(); ++i)
    out.push_back(results.GetTestPartResult(i));
  return out;
}

/// The failures `run` reports, as messages; none reach the test itself.
template <typename Run>
std::vector<std::string> FailuresOf(Run run)
{
  std::vector<std::string> messages;
  for (const testing::TestPartResult& r : ResultsOf(run))
    if (r.failed())
      messages.push_back(r.message());
  return messages;
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A child that crashes, or that Xlib ends when its server goes, fails the test with how it ended and the last
// lines it wrote, the earlier ones left out.
TEST_F(BundleXServer, AChildThatCrashesOrEndsThroughXlibIsReportedWithItsLastLines)
{
  std::vector<std::string> crashed = FailuresOf([] {
    testsupport::ExpectInChildProcess([] {
      for (int i = 1; i <= 20; ++i)
        std::printf("line %d\n", i);
      std::fflush(stdout);
      signal(SIGSEGV, SIG_DFL); // as without a sanitizer's handler
      raise(SIGSEGV);
    });
  });
  ASSERT_EQ(crashed.size(), 1u);
  EXPECT_TRUE(Has(crashed[0], "killed by signal 11 (Segmentation fault)")) << crashed[0];
  EXPECT_TRUE(Has(crashed[0], "line 9\n") && Has(crashed[0], "line 20\n")) << crashed[0];
  EXPECT_FALSE(Has(crashed[0], "line 8\n")) << crashed[0];

  std::vector<std::string> lost = FailuresOf([] {
    testsupport::ExpectInChildProcess([] {
      testsupport::TestXServer server;
      Display* display = server.StartOnFreeNumber(FirstDisplayNumber());
      ASSERT_NE(display, nullptr);
      server.Stop();
      XSync(display, False); // Xlib's own handler says so and ends the process
    });
  });
  ASSERT_EQ(lost.size(), 1u);
  EXPECT_TRUE(Has(lost[0], "exited with status 1")) << lost[0];
  EXPECT_TRUE(Has(lost[0], "X connection to :")) << lost[0];
}

// A child killed at its time limit takes the X servers it started with it, and their sockets and lock files go.
TEST_F(BundleXServer, AChildKilledAtItsLimitLeavesNoServerNorDisplayFileBehind)
{
  std::vector<std::string> failures = FailuresOf([&] {
    testsupport::ExpectInChildProcess(
      [&] {
        testsupport::TestXServer server;
        server.StartOnFreeNumber(FirstDisplayNumber());
        const auto silent =
          testsupport::SilentXServer::OnFreeNumber(FirstDisplayNumber(), testsupport::SilentXServer::Place::kLocal);
        std::printf("serving %d and %d\n", server.Number(), silent ? silent->Number() : -1);
        std::fflush(stdout);
        for (;;)
          pause();
      },
      1);
  });
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_TRUE(Has(failures[0], "still running after 1 s")) << failures[0];
  int xvfb = -1, silent = -1;
  ASSERT_EQ(std::sscanf(failures[0].substr(failures[0].find("serving")).c_str(), "serving %d and %d", &xvfb, &silent),
            2) << failures[0];
  for (const int n : {xvfb, silent})
  {
    ASSERT_GE(n, 0);
    EXPECT_FALSE(testsupport::PathExists(testsupport::DisplaySocketPath(n))) << n;
    EXPECT_FALSE(testsupport::PathExists(testsupport::DisplayLockPath(n))) << n;
  }
}

void NeedsXvfb() { DROVIK_REQUIRE_XVFB(); }

// A test that starts X servers of its own skips, saying why, where Xvfb cannot be run, but fails in CI.
TEST(TestServers, WithoutXvfbATestThatNeedsItSkipsSayingWhyExceptInCI)
{
  const ScopedVariable path("PATH", "/nonexistent"); // where the tests look for Xvfb
  for (const bool ci : {false, true})
  {
    const ScopedVariable inCI("CI", ci ? "true" : nullptr);
    const std::vector<testing::TestPartResult> results = ResultsOf(NeedsXvfb);
    ASSERT_EQ(results.size(), 1u) << "CI: " << ci;
    EXPECT_EQ(results[0].skipped(), !ci);
    EXPECT_EQ(results[0].fatally_failed(), ci);
    EXPECT_TRUE(Has(results[0].message(), "no Xvfb program on PATH")) << results[0].message();
  }
}

TEST(TestDisplayNumbers, OnlyNumbersOfTheRangeGivenAreTakenAndOnlyFreeOnes)
{
  const struct
  {
    const char* text;
    int first, last;
  } ranges[] = {{"740-799", 740, 799}, {"5-5", 5, 5},       {"799-740", 0, -1}, {"740", 0, -1},
                {"740-", 0, -1},       {"a-b", 0, -1},      {" 1-2", 0, -1},    {"1-2x", 0, -1},
                {"-3-4", 0, -1},       {"0-70000", 0, -1}};
  for (const auto& r : ranges)
  {
    const testsupport::DisplayNumberRange got = testsupport::ParseDisplayNumberRange(r.text);
    EXPECT_EQ(got.first, r.first) << r.text;
    EXPECT_EQ(got.last, r.last) << r.text;
  }
  // Four free numbers side by side, from those this program may use.
  int first = testsupport::FreeDisplayNumber();
  while (first >= 0 && !(testsupport::DisplayNumberFree(first + 1) && testsupport::DisplayNumberFree(first + 2) &&
                         testsupport::DisplayNumberFree(first + 3)))
    first = testsupport::FreeDisplayNumber(first + 1);
  ASSERT_GE(first, 0);
  const std::string range = std::to_string(first) + "-" + std::to_string(first + 3);
  ScopedVariable confined(testsupport::kTestDisplaysVariable, range.c_str());
  for (int i = 0; i < 8; ++i)
  {
    const int n = testsupport::OwnDisplayNumbers(i * 150);
    EXPECT_TRUE(n >= first && n <= first + 3) << n;
  }
  EXPECT_EQ(testsupport::FreeDisplayNumber(first + 2), first + 2);
  EXPECT_EQ(testsupport::FreeDisplayNumber(first + 7), first + 3) << "counted on round the range";
  // Held: a local socket, a lock file, the TCP port.
  testsupport::SilentXServer socketHeld(first, testsupport::SilentXServer::Place::kLocal);
  ASSERT_TRUE(socketHeld.Listening());
  const std::string lock = testsupport::DisplayLockPath(first + 1);
  FILE* made = std::fopen(lock.c_str(), "wx");
  ASSERT_NE(made, nullptr);
  std::fclose(made);
  struct Removed
  {
    std::string path;
    ~Removed() { std::remove(path.c_str()); }
  } lockGoes{lock};
  testsupport::SilentXServer portHeld(first + 2, testsupport::SilentXServer::Place::kNetwork);
  ASSERT_TRUE(portHeld.Listening());
  EXPECT_EQ(testsupport::FreeDisplayNumber(first), first + 3);
  EXPECT_EQ(testsupport::FreeDisplayNumber(first + 3), first + 3);
  {
    testsupport::SilentXServer lastHeld(first + 3, testsupport::SilentXServer::Place::kLocal);
    EXPECT_EQ(testsupport::FreeDisplayNumber(first), -1) << "none of the range is free";
    testsupport::TestXServer server;
    EXPECT_EQ(server.StartOnFreeNumber(first), nullptr);
  }
  testsupport::TestXServer server;
  Display* display = server.StartOnFreeNumber(first);
  EXPECT_NE(display, nullptr);
  EXPECT_EQ(server.Number(), first + 3);
  if (display)
    XCloseDisplay(display);

  ScopedVariable unreadable(testsupport::kTestDisplaysVariable, "740 to 799");
  EXPECT_EQ(testsupport::FreeDisplayNumber(), -1);
}

} // namespace
