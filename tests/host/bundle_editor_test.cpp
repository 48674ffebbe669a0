// The built bundle's editor in a host's X window (Xvfb from the test script): opening into a window already gone
// answers 0; the host's X error handler gets the host's errors, and only those, while the editor is open, and is
// the host's again once it closes; a hundred openings and closings leave no window behind (and, under the
// sanitizers, nothing leaked); a paste the host hands a knob's value field lands before the Return the user typed
// while it waited for the clipboard; a burst of pastes, typed in the editor during that wait or handed on by a host
// that keeps the keyboard, asks the clipboard's owner once and acts in the order typed, and a paste after the burst
// asks again, as does one after another program took the clipboard. Skips without a display, except in CI.
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "loaded_bundle.h"

// Last: X defines macros (None, Bool) that the headers above would trip over.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "wait_for.h"
#include "x11_children.h"
#include "x11_clipboard_owner.h"
#include "x11_display.h"
#include "x11_typing.h"

using hosttest::Instance;
using testsupport::TypeKey;
using testsupport::WaitFor;

namespace {

std::atomic<int> gHostErrors{0};
int CountHostError(Display*, XErrorEvent*)
{
  ++gHostErrors;
  return 0;
}

TEST(BundleEditor, OpensOnlyIntoAWindowAndLeavesTheHostItsErrorHandler)
{
  Display* host = nullptr;
  DROVIK_OPEN_TEST_DISPLAY(host);
  XSetErrorHandler(CountHostError);
  const Window root = DefaultRootWindow(host);
  const Window parent = XCreateSimpleWindow(host, root, 0, 0, 1000, 1000, 0, 0, 0);
  XMapWindow(host, parent);
  const Window gone = XCreateSimpleWindow(host, root, 0, 0, 10, 10, 0, 0, 0);
  XDestroyWindow(host, gone);
  XSync(host, False);
  {
    Instance p;
    ASSERT_NE(p.Get(), nullptr);
    EXPECT_EQ(p.Call(vst2::effEditOpen, 0, 0, reinterpret_cast<void*>(gone)), 0);
    EXPECT_EQ(gHostErrors.load(), 0); // the errors of our own connection are ours
    ASSERT_EQ(p.Call(vst2::effEditOpen, 0, 0, reinterpret_cast<void*>(parent)), 1);
    XMapWindow(host, gone); // an error of the host's own while the editor is open
    XSync(host, False);
    EXPECT_EQ(gHostErrors.load(), 1);
    EXPECT_EQ(p.Call(vst2::effEditClose), 1);
  }
  EXPECT_EQ(XSetErrorHandler(CountHostError), CountHostError);
  XDestroyWindow(host, parent);
  XCloseDisplay(host);
}

/// A mapped top-level window of the host's for the editor to open into.
Window MapHostWindow(Display* host)
{
  const Window w = XCreateSimpleWindow(host, DefaultRootWindow(host), 0, 0, 1000, 1000, 0, 0, 0);
  XMapWindow(host, w);
  XSync(host, False);
  return w;
}

TEST(BundleEditor, AHundredOpeningsAndClosingsLeaveNoWindowBehind)
{
  Display* host = nullptr;
  DROVIK_OPEN_TEST_DISPLAY(host);
  const Window parent = MapHostWindow(host);
  auto children = [&] {
    Window rootOut = 0, parentOut = 0, *list = nullptr;
    unsigned int n = 0;
    XQueryTree(host, parent, &rootOut, &parentOut, &list, &n);
    if (list) XFree(list);
    return n;
  };
  {
    Instance p;
    ASSERT_NE(p.Get(), nullptr);
    for (int i = 0; i < 100; ++i)
    {
      ASSERT_EQ(p.Call(vst2::effEditOpen, 0, 0, reinterpret_cast<void*>(parent)), 1) << i;
      if (i == 0)
      {
        EXPECT_EQ(children(), 1u);
      }
      p.Call(vst2::effEditIdle);
      ASSERT_EQ(p.Call(vst2::effEditClose), 1) << i;
    }
  }
  XSync(host, False);
  EXPECT_EQ(children(), 0u);
  XDestroyWindow(host, parent);
  XCloseDisplay(host);
}

/// The editor open in a host's window, and the input trim knob's value field opened on demand.
class TrimField : public ::testing::Test
{
protected:
  void SetUp() override
  {
    DROVIK_OPEN_TEST_DISPLAY(mHost);
    mParent = MapHostWindow(mHost);
    mPlugin = std::make_unique<Instance>();
    Instance& p = *mPlugin;
    ASSERT_NE(p.Get(), nullptr);
    while (mTrim < p->numParams && p.Text(vst2::effGetParamName, mTrim).rfind("Input", 0) != 0)
      ++mTrim;
    ASSERT_LT(mTrim, p->numParams);
    ASSERT_EQ(p.Call(vst2::effEditOpen, 0, 0, reinterpret_cast<void*>(mParent)), 1);
    std::vector<Window> editor;
    ASSERT_TRUE(WaitFor([&] { return !(editor = testsupport::ChildWindows(mHost, mParent)).empty(); }));
    mEditor = editor[0];
  }
  void TearDown() override
  {
    if (mPlugin && mPlugin->Get())
      mPlugin->Call(vst2::effEditClose);
    mPlugin.reset();
    if (!mHost)
      return;
    XDestroyWindow(mHost, mParent);
    XCloseDisplay(mHost);
  }
  /// A double click on the knob (its face's corner is at 33, 192) opens its value field.
  bool OpenField()
  {
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(mHost, mEditor, DefaultRootWindow(mHost), 45, 204, &x, &y, &child);
    XTestFakeMotionEvent(mHost, -1, x, y, 0);
    for (int click = 0; click < 2; ++click)
    {
      XTestFakeButtonEvent(mHost, 1, True, 0);
      XTestFakeButtonEvent(mHost, 1, False, 0);
    }
    XSync(mHost, False);
    return WaitFor([&] { return FieldOpen(); });
  }
  bool FieldOpen() { return !testsupport::ChildWindows(mHost, mEditor).empty(); }

  Display* mHost = nullptr;
  Window mParent = 0, mEditor = 0;
  std::unique_ptr<Instance> mPlugin;
  int mTrim = 0;
};

TEST_F(TrimField, AHostsPasteLandsBeforeTheReturnTypedWhileTheClipboardAnswersLate)
{
  Instance& p = *mPlugin;
  ASSERT_TRUE(OpenField());
  {
    testsupport::ClipboardOwner owner("UTF8_STRING", 8, "6", std::chrono::milliseconds(80),
                                      [](Display* user) { TypeKey(user, XK_Return); });
    EXPECT_EQ(p.Call(vst2::effEditKeyDown, 'v', 0, nullptr, 8.f), 1); // Control+V
  }
  // The Return commits the pasted 6 dB (of -24..24) and closes the field.
  EXPECT_TRUE(WaitFor([&] { return !FieldOpen(); }));
  EXPECT_TRUE(WaitFor([&] { return std::abs(p.GetParam(mTrim) - 0.625f) < 1e-4f; }));
}

/// The trim in dB (of -24..24) once a Return has committed its field.
double TrimDecibels(const Instance& p, int trim) { return p.GetParam(trim) * 48.0 - 24.0; }

TEST_F(TrimField, ABurstOfPastesTypedWhileTheClipboardKeepsUsWaitingAsksItsOwnerOnce)
{
  using std::chrono::milliseconds;
  Instance& p = *mPlugin;
  // The host pastes; meanwhile the user pastes nineteen times more, types 2 and Return. The clipboard's owner
  // answers "6" late or never: it is asked once, and every key lands in order.
  const struct
  {
    const char* what;
    milliseconds delay;
    double committed; // dB
  } cases[] = {{"an owner that never answers", testsupport::ClipboardOwner::kNeverAnswers, 2.0},
               {"an owner answering after 300 ms", milliseconds(300), 24.0}}; // "66...62" dB: the range's top
  for (const auto& c : cases)
  {
    const std::string what = c.what;
    p.SetParam(mTrim, 0.5f);
    ASSERT_TRUE(OpenField()) << what;
    testsupport::ClipboardOwner owner("UTF8_STRING", 8, "6", c.delay, [](Display* user) {
      for (int paste = 0; paste < 19; ++paste)
        TypeKey(user, XK_v, XK_Control_L);
      TypeKey(user, XK_2);
      TypeKey(user, XK_Return);
    });
    EXPECT_EQ(p.Call(vst2::effEditKeyDown, 'v', 0, nullptr, 8.f), 1) << what; // Control+V
    // The host goes on calling while the held keys act.
    const bool committed = WaitFor([&] {
      p.Call(vst2::effEditIdle);
      return !FieldOpen() && std::abs(TrimDecibels(p, mTrim) - c.committed) < 5e-3;
    });
    EXPECT_TRUE(committed) << what << ": the field committed " << TrimDecibels(p, mTrim) << " dB";
    EXPECT_EQ(owner.Requests(), 1) << what;
    if (c.delay == testsupport::ClipboardOwner::kNeverAnswers)
      continue;
    // A paste typed once the burst is over asks the owner again.
    ASSERT_TRUE(OpenField()) << what;
    TypeKey(mHost, XK_v, XK_Control_L);
    TypeKey(mHost, XK_Return);
    EXPECT_TRUE(WaitFor([&] { return !FieldOpen() && std::abs(TrimDecibels(p, mTrim) - 6.0) < 5e-3; })) << what;
    EXPECT_EQ(owner.Requests(), 2) << what;
  }
}

TEST_F(TrimField, ABurstOfPastesTheHostHandsOnAsksTheClipboardsOwnerOnce)
{
  using std::chrono::milliseconds;
  Instance& p = *mPlugin;
  // The host keeps the keyboard and hands on Control+V, a point, nineteen Control+V more, 2 and Return, one after
  // another (as it does with the keys it queued while the first paste held it). The owner answers "1" late or
  // never: it is asked once, and the field takes the keys in the order typed.
  const auto forward = [&p](char character, int virtualKey = 0, float modifiers = 0.f) {
    return p.Call(vst2::effEditKeyDown, character, virtualKey, nullptr, modifiers);
  };
  constexpr int kReturn = 4;
  constexpr float kControl = 8.f;
  const struct
  {
    const char* what;
    milliseconds delay;
    double committed; // dB
  } cases[] = {{"an owner that never answers", testsupport::ClipboardOwner::kNeverAnswers, 0.2},  // ".2"
               {"an owner answering after 300 ms", milliseconds(300), 1.11}};                    // "1.11..."
  for (const auto& c : cases)
  {
    const std::string what = c.what;
    p.SetParam(mTrim, 0.5f);
    ASSERT_TRUE(OpenField()) << what;
    testsupport::ClipboardOwner owner("UTF8_STRING", 8, "1", c.delay);
    EXPECT_EQ(forward('v', 0, kControl), 1) << what;
    EXPECT_EQ(forward('.'), 1) << what;
    for (int paste = 0; paste < 19; ++paste)
      EXPECT_EQ(forward('v', 0, kControl), 1) << what;
    EXPECT_EQ(forward('2'), 1) << what;
    EXPECT_EQ(forward(0, kReturn), 1) << what;
    EXPECT_TRUE(WaitFor([&] { return !FieldOpen(); })) << what;
    EXPECT_NEAR(TrimDecibels(p, mTrim), c.committed, 0.02) << what;
    EXPECT_EQ(owner.Requests(), 1) << what;
    if (c.delay == testsupport::ClipboardOwner::kNeverAnswers)
      continue;
    // A paste handed on after input that reached the editor itself (the click that opens the field) asks again.
    ASSERT_TRUE(OpenField()) << what;
    EXPECT_EQ(forward('v', 0, kControl), 1) << what;
    EXPECT_EQ(owner.Requests(), 2) << what;
    EXPECT_EQ(forward(0, kReturn), 1) << what;
    EXPECT_NEAR(TrimDecibels(p, mTrim), 1.0, 0.02) << what;
  }
}

TEST_F(TrimField, APasteTheHostHandsOnAfterAnotherProgramTookTheClipboardAsksTheNewOwner)
{
  // A paste the host hands on waits for the clipboard's owner, which starts a burst. Then another program takes the
  // clipboard, the first owner still running or gone (a new owner's window then often has the gone one's id), and
  // the host hands on another paste within the burst: the new owner is asked and its text lands.
  Instance& p = *mPlugin;
  const auto forward = [&p](char character, int virtualKey = 0, float modifiers = 0.f) {
    return p.Call(vst2::effEditKeyDown, character, virtualKey, nullptr, modifiers);
  };
  constexpr int kReturn = 4;
  constexpr float kControl = 8.f;
  for (const bool firstQuits : {false, true})
  {
    const std::string what = firstQuits ? "the first owner gone" : "the first owner running";
    p.SetParam(mTrim, 0.5f);
    ASSERT_TRUE(OpenField()) << what;
    auto first = std::make_unique<testsupport::ClipboardOwner>("UTF8_STRING", 8, "1");
    EXPECT_EQ(forward('v', 0, kControl), 1) << what;
    if (firstQuits)
      first.reset();
    testsupport::ClipboardOwner second("UTF8_STRING", 8, firstQuits ? "3" : "2");
    EXPECT_EQ(forward('v', 0, kControl), 1) << what;
    EXPECT_EQ(second.Requests(), 1) << what;
    EXPECT_EQ(forward(0, kReturn), 1) << what;
    EXPECT_NEAR(TrimDecibels(p, mTrim), firstQuits ? 13.0 : 12.0, 0.02) << what; // "1", then the new owner's
  }
}

} // namespace
