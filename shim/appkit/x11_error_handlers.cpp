// The X error handlers the back end shares with the host and with other plug-ins. Xlib has one handler of X errors
// and one of lost connections per process, plain function pointers that modules put in place one after another,
// each passing on what is not its own to the one it replaced. Any of those modules may be unloaded while a pointer
// to its code is still kept by another, so:
// - a handler we replaced is called only while its module is still loaded where it was (the host's program, and
//   libX11's own handlers, stay); when it went, the error is reported here and the host goes on;
// - ours are put back to the replaced ones as soon as nothing of ours needs them; when another module's handler
//   came in after ours (and may pass errors on to ours), ours stays in that chain, and our module loaded, for the
//   rest of the process: it is never put in place a second time, on top of a handler that passes errors on to it
//   (another copy of this module, say), which would pass each error round between the two without end.
// Another thread may have read one of our handlers as the one in place just before it was put back, and still be
// running it (passing an error on to the host's handler, say) when the module is unloaded: the unload waits for
// such calls to end. The loss of one of our connections never ends the process: each has an exit handler that only
// marks it lost (looked up at run time: libX11 has it since 1.7; before, Xlib ends the process as it does for every
// program there), and an opening of ours that the server's loss interrupts jumps back out of Xlib.
#include <dlfcn.h>
#include <link.h>
#include <setjmp.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include "appkit/x11_backend.h"

namespace appkit {
namespace x11 {

namespace {

/// A handler put in place before ours, and where its code lives.
class ReplacedHandler
{
public:
  /// Records fn and its module. [main thread]
  void Set(void* fn)
  {
    mFunction = fn;
    mModulePath.clear();
    mModuleBase = 0;
    mLasting = true;
    Dl_info info{};
    link_map* module = nullptr;
    if (!fn || !dladdr1(fn, &info, reinterpret_cast<void**>(&module), RTLD_DL_LINKMAP) || !module)
      return; // no module holds it: code that stays
    if (!module->l_name || module->l_name[0] == '\0')
      return; // the program itself
    mModulePath = module->l_name;
    mModuleBase = module->l_addr;
    mLasting = false;
  }

  void* Function() const { return mFunction; }

  /// Runs call (which calls the handler) when the handler's module is still loaded where it was; false when it
  /// went. The module is looked for without the loader's lock, which an unload of this module holds while it waits
  /// for the calls of our handlers in progress: pinning the other module with dlopen here would wait for that
  /// unload, and return into code that went with it. A copy of this module that is being unloaded waits for a call
  /// in progress in the same way. [any thread]
  template <typename Call>
  bool CallWhileLoaded(Call call) const
  {
    if (!mFunction)
      return false;
    if (!mLasting && !ModuleLoaded())
      return false;
    call();
    return true;
  }

  /// The handler to put back: the one replaced while its module is loaded, else Xlib's own (null).
  void* ToPutBack() const
  {
    void* back = nullptr;
    CallWhileLoaded([&] { back = mFunction; });
    return back;
  }

private:
  bool ModuleLoaded() const
  {
    struct Sought
    {
      const std::string& path;
      ElfW(Addr) base;
      bool found;
    } sought{mModulePath, mModuleBase, false};
    dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* data) {
        auto* s = static_cast<Sought*>(data);
        s->found = info->dlpi_addr == s->base && info->dlpi_name && s->path == info->dlpi_name;
        return s->found ? 1 : 0;
      },
      &sought);
    return sought.found;
  }

  void* mFunction = nullptr;
  std::string mModulePath;
  ElfW(Addr) mModuleBase = 0;
  bool mLasting = true;
};

/// Calls of our handlers in progress: on every thread, and on this one.
std::atomic<int> gHandlerCalls{0};
thread_local int tHandlerCalls = 0;

/// Counts a call of one of our handlers for its lifetime.
class HandlerCall
{
public:
  HandlerCall()
  {
    ++gHandlerCalls;
    ++tHandlerCalls;
  }
  ~HandlerCall()
  {
    --tHandlerCalls;
    --gHandlerCalls;
  }
  HandlerCall(const HandlerCall&) = delete;
  HandlerCall& operator=(const HandlerCall&) = delete;
};

std::mutex gHandlerMutex;
std::vector<Display*> gOurConnections;
ReplacedHandler gReplacedErrorHandler;
ReplacedHandler gReplacedLossHandler;
int gErrorHolds = 0; // ErrorTraps alive
int gLossHolds = 0;  // our connections and openings under way
bool gErrorHandlerInChain = false; // put in place and not put back: other handlers may pass errors on to it
bool gLossHandlerInChain = false;
bool gModuleEnding = false;

/// Destroyed after every object that puts our handlers back (made later, at first use) and before what the
/// handlers use: waits for the calls of them still in progress on other threads before the module's code goes. Not
/// for long: a thread held up in the host's handler (one that ends the process, say) is let be.
struct HandlerCallsAwaiter
{
  ~HandlerCallsAwaiter()
  {
    constexpr auto kLongestWait = std::chrono::seconds(2);
    const auto limit = std::chrono::steady_clock::now() + kLongestWait;
    while (gHandlerCalls.load() > tHandlerCalls && std::chrono::steady_clock::now() < limit)
      std::this_thread::yield();
  }
} gHandlerCallsAwaiter;

/// An opening of ours under way on this thread, or the closing of one that the server's loss interrupted: where a
/// loss jumps back to.
thread_local sigjmp_buf* tEscape = nullptr;
thread_local Display* tEscapeFrom = nullptr; // the connection being closed; null during an opening (not known yet)
thread_local Display* tEscaped = nullptr;    // the connection whose loss jumped back

bool IsOurConnectionLocked(Display* display)
{
  return std::find(gOurConnections.begin(), gOurConnections.end(), display) != gOurConnections.end();
}

/// Keeps this module loaded until the process ends: a handler of another module's, in place after ours, may pass
/// errors on to ours. Not while the module is being unloaded already. [main thread, gHandlerMutex held]
void KeepModuleLoadedLocked()
{
  static bool kept = false;
  if (kept || gModuleEnding)
    return;
  Dl_info info{};
  link_map* module = nullptr;
  if (dladdr1(reinterpret_cast<void*>(&KeepModuleLoadedLocked), &info, reinterpret_cast<void**>(&module),
              RTLD_DL_LINKMAP) &&
      module && module->l_name && module->l_name[0] != '\0')
    kept = dlopen(module->l_name, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE) != nullptr;
}

/// The handler ours replaced, read under the lock, for an event of `display`; false for our own connections, whose
/// events stay ours.
bool HandlerToPassOn(Display* display, const ReplacedHandler& installed, ReplacedHandler& out)
{
  std::lock_guard<std::mutex> lock(gHandlerMutex);
  if (IsOurConnectionLocked(display))
    return false;
  out = installed;
  return true;
}

int OnXError(Display* display, XErrorEvent* e)
{
  const HandlerCall call;
  ReplacedHandler replaced;
  if (!HandlerToPassOn(display, gReplacedErrorHandler, replaced))
    return 0;
  int result = 0;
  const auto handler = reinterpret_cast<XErrorHandler>(replaced.Function());
  if (replaced.CallWhileLoaded([&] { result = handler(display, e); }))
    return result;
  char text[160] = {};
  XGetErrorText(display, e->error_code, text, sizeof(text));
  std::fprintf(stderr, "X error %d (%s), request %d.%d, resource 0x%lx: the handler it was meant for was unloaded\n",
               e->error_code, text, e->request_code, e->minor_code, e->resourceid);
  return 0;
}

int OnConnectionLoss(Display* display)
{
  if (tEscape && (!tEscapeFrom || tEscapeFrom == display))
  {
    sigjmp_buf* escape = tEscape;
    tEscape = nullptr;
    tEscaped = display;
    siglongjmp(*escape, 1);
  }
  const HandlerCall call; // not over the jump above: it leaves no call of ours behind
  ReplacedHandler replaced;
  if (!HandlerToPassOn(display, gReplacedLossHandler, replaced))
    return 0;
  // When the host's handler went with its module, Xlib goes on to the connection's exit handler, the host's choice.
  int result = 0;
  const auto handler = reinterpret_cast<XIOErrorHandler>(replaced.Function());
  replaced.CallWhileLoaded([&] { result = handler(display); });
  return result;
}

/// The exit handler of our connections. Xlib holds the connection locked for the thread that found the loss
/// (expecting it to end the process): we let go of that lock, or every later call from another thread, closing
/// the connection included, would wait for it for good.
void OnConnectionLost(Display* display, void* app)
{
  static_cast<X11Application*>(app)->MarkLost();
  XUnlockDisplay(display);
}

using ConnectionExitHandler = void (*)(Display*, void*);
using ExitHandlerSetter = void (*)(Display*, ConnectionExitHandler, void*);

/// libX11's XSetIOErrorExitHandler, or null (before libX11 1.7).
ExitHandlerSetter FindExitHandlerSetter()
{
  static const ExitHandlerSetter setter = [] {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&XOpenDisplay), &info) || !info.dli_fname)
      return ExitHandlerSetter(nullptr);
    void* libX11 = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
    if (!libX11)
      return ExitHandlerSetter(nullptr);
    const auto found = reinterpret_cast<ExitHandlerSetter>(dlsym(libX11, "XSetIOErrorExitHandler"));
    dlclose(libX11); // loaded still: this module needs it
    return found;
  }();
  return setter;
}

void HoldLossHandlerLocked()
{
  if (gLossHolds++ > 0 || std::exchange(gLossHandlerInChain, true))
    return;
  const XIOErrorHandler replaced = XSetIOErrorHandler(OnConnectionLoss);
  if (replaced != OnConnectionLoss)
    gReplacedLossHandler.Set(reinterpret_cast<void*>(replaced));
}

void ReleaseLossHandlerLocked()
{
  if (--gLossHolds > 0)
    return;
  const XIOErrorHandler current =
    XSetIOErrorHandler(reinterpret_cast<XIOErrorHandler>(gReplacedLossHandler.ToPutBack()));
  if (current == OnConnectionLoss)
  {
    gLossHandlerInChain = false;
    return;
  }
  XSetIOErrorHandler(current); // whoever put a handler in after ours keeps theirs
  KeepModuleLoadedLocked();
}

/// Closes a connection whose server went away while Xlib was opening it. Xlib held it locked for this thread, as
/// for the exit handler it expected to run. The closing's first part asks the server to free what it made, finds
/// the loss again and jumps back here, holding the lock again; it is then marked as under way, and the second
/// closing goes straight to its last part: the socket closed and the memory freed. A libX11 without exit handlers,
/// whose locks at that point we do not know, leaves the connection as it is.
void CloseLostOpening(Display* display)
{
  if (!FindExitHandlerSetter())
    return;
  constexpr int kClosings = 2;
  bool closed = false;
  for (int i = 0; i < kClosings && !closed; ++i)
  {
    XUnlockDisplay(display);
    sigjmp_buf escape;
    if (sigsetjmp(escape, 0) == 0)
    {
      tEscapeFrom = display;
      tEscape = &escape;
      XCloseDisplay(display);
      closed = true;
    }
    tEscape = nullptr;
    tEscaped = nullptr;
  }
}

} // namespace

ErrorTrap::ErrorTrap(Display* display) : mDisplay(display) // [main thread]
{
  std::lock_guard<std::mutex> lock(gHandlerMutex);
  if (gErrorHolds++ > 0 || std::exchange(gErrorHandlerInChain, true))
    return;
  const XErrorHandler replaced = XSetErrorHandler(OnXError);
  if (replaced != OnXError)
    gReplacedErrorHandler.Set(reinterpret_cast<void*>(replaced));
}

ErrorTrap::~ErrorTrap()
{
  XSync(mDisplay, False);
  std::lock_guard<std::mutex> lock(gHandlerMutex);
  if (--gErrorHolds > 0)
    return;
  const XErrorHandler current = XSetErrorHandler(reinterpret_cast<XErrorHandler>(gReplacedErrorHandler.ToPutBack()));
  if (current == OnXError)
  {
    gErrorHandlerInChain = false;
    return;
  }
  XSetErrorHandler(current); // whoever put a handler in after ours keeps theirs
  KeepModuleLoadedLocked();
}

void WatchOurConnection(Display* display, X11Application& app)
{
  {
    std::lock_guard<std::mutex> lock(gHandlerMutex);
    HoldLossHandlerLocked();
    gOurConnections.push_back(display);
  }
  if (const ExitHandlerSetter setExitHandler = FindExitHandlerSetter())
    setExitHandler(display, OnConnectionLost, &app);
}

void ForgetOurConnection(Display* display)
{
  std::lock_guard<std::mutex> lock(gHandlerMutex);
  gOurConnections.erase(std::remove(gOurConnections.begin(), gOurConnections.end(), display), gOurConnections.end());
  ReleaseLossHandlerLocked();
}

Display* OpenDisplayEscapingLoss(const char* name, bool& lost)
{
  {
    std::lock_guard<std::mutex> lock(gHandlerMutex);
    HoldLossHandlerLocked();
  }
  Display* display = nullptr;
  sigjmp_buf escape;
  if (sigsetjmp(escape, 0) == 0)
  {
    tEscapeFrom = nullptr;
    tEscape = &escape;
    display = XOpenDisplay(name);
    tEscape = nullptr;
  }
  else if (Display* lostDisplay = std::exchange(tEscaped, nullptr))
  {
    lost = true;
    CloseLostOpening(lostDisplay);
  }
  std::lock_guard<std::mutex> lock(gHandlerMutex);
  ReleaseLossHandlerLocked();
  return display;
}

void NoteModuleEnding()
{
  std::lock_guard<std::mutex> lock(gHandlerMutex);
  gModuleEnding = true;
}

} // namespace x11
} // namespace appkit
