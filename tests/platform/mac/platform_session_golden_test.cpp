// Scripted sessions through the editor view at draw scales 1 and 2 and screen scales 1 and 2, recorded as text and
// compared line by line with a reference in golden/ (DROVIK_UPDATE_GOLDEN=1 rewrites it): what a control gets
// from each pointer, wheel and key event (place in graphics points, movement, buttons, modifiers, virtual key,
// characters) and whether the view took it; the cursor each cursor kind shows, the pointer's place and where the
// pointer is put; the value field a prompt opens (frame, font size, alignment, colours, text) and what keys do in
// it; the colour the colour panel starts from.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "golden_text.h"
#include "mac_test_support.h"

namespace mactest {
namespace {

using appkit::Event;
using appkit::EventType;

/// Positions and sizes to seven significant digits, nothing rounded to zero.
std::string Num(double v)
{
  return goldentext::Num(v, 0.0, 7);
}

std::string Mods(const IMouseMod& m)
{
  std::string out;
  out += m.mLeft ? 'L' : '-';
  out += m.mRight ? 'R' : '-';
  out += m.mShift ? 'S' : '-';
  out += m.mCtrl ? 'C' : '-';
  out += m.mAlt ? 'A' : '-';
  return out;
}

/// The bytes of a text in hexadecimal, "-" for none.
std::string Hex(const std::string& bytes)
{
  const std::string hex = goldentext::Hex(bytes);
  return hex.empty() ? "-" : hex;
}

/// Writes every input it gets as a line; takes no key.
class InputRecorder : public IControl
{
public:
  InputRecorder(const IRECT& r, std::vector<std::string>& log) : IControl(r, 0), mLog(log) {}
  void Draw(IGraphics&) override {}
  void OnMouseDown(float x, float y, const IMouseMod& m) override { Put("down", x, y, m); }
  void OnMouseUp(float x, float y, const IMouseMod& m) override { Put("up", x, y, m); }
  void OnMouseDblClick(float x, float y, const IMouseMod& m) override
  {
    Put("double", x, y, m);
    // Work posted while an event is handled runs once it is over.
    static_cast<appkit::HeadlessApplication&>(appkit::Application::Shared()).Post([this] {
      mLog.push_back("posted work ran");
    });
  }
  void OnMouseOver(float x, float y, const IMouseMod& m) override { Put("over", x, y, m); }
  void OnMouseOut() override { mLog.push_back("out"); }
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& m) override
  {
    Put("drag", x, y, m, " by " + Num(dX) + "," + Num(dY));
  }
  void OnMouseWheel(float x, float y, const IMouseMod& m, float d) override { Put("wheel", x, y, m, " " + Num(d)); }
  bool OnKeyDown(float x, float y, const plug::IKeyPress& k) override { return Key("key down", x, y, k); }
  bool OnKeyUp(float x, float y, const plug::IKeyPress& k) override { return Key("key up", x, y, k); }

private:
  void Put(const char* what, float x, float y, const IMouseMod& m, const std::string& more = "")
  {
    mLog.push_back(std::string(what) + " " + Num(x) + "," + Num(y) + " " + Mods(m) + more);
  }
  bool Key(const char* what, float x, float y, const plug::IKeyPress& k)
  {
    mLog.push_back(std::string(what) + " " + Num(x) + "," + Num(y) + " vk " + std::to_string(k.mVirtualKey) +
                   " text " + Hex(k.mUtf8) + " " + (k.mShift ? 'S' : '-') + (k.mCtrl ? 'C' : '-') +
                   (k.mAlt ? 'A' : '-'));
    return false;
  }
  std::vector<std::string>& mLog;
};

void CompareWithReference(const std::string& name, const std::vector<std::string>& lines)
{
  const std::string differences = goldentext::Compare(std::string(DROVIK_PLATFORM_GOLDEN_DIR) + "/" + name, goldentext::Joined(lines));
  EXPECT_TRUE(differences.empty()) << name << " differs from its reference:\n" << differences;
}

class Session : public MacTest
{
protected:
  void OpenAt(float drawScale, double screenScale)
  {
    mDelegate.CloseWindow();
    mDrawScale = drawScale;
    mApp.mBackingScale = screenScale;
    mDelegate.mLayoutFunc = [this](IGraphics* g) {
      g->EnableMouseOver(true);
      g->AttachControl(new InputRecorder(IRECT(), mLog)); // the background, never hovered
      g->AttachControl(new InputRecorder(IRECT(0, 0, 468, 450), mLog));
    };
    Open();
    Graphics()->Resize(468, 450, drawScale); // a context opened again keeps the scale it closed with
    mLog.push_back("== draw scale " + Num(drawScale) + ", screen scale " + Num(screenScale) + ", view " +
                   Num(View().Frame().size.width) + "x" + Num(View().Frame().size.height));
  }
  void Send(EventType type, double x, double y, uint32_t modifiers = 0, int clicks = 1, double deltaY = 0.0)
  {
    Event e;
    e.type = type;
    e.locationInView = {x, y};
    e.modifierFlags = modifiers;
    e.clickCount = clicks;
    e.deltaY = deltaY;
    if (!mApp.Deliver(View(), e))
      mLog.push_back("(not taken)");
  }
  void SendKey(bool down, uint16_t keyCode, std::u32string chars, uint32_t modifiers = 0)
  {
    Event e;
    e.type = down ? EventType::kKeyDown : EventType::kKeyUp;
    e.keyCode = keyCode;
    e.charactersIgnoringModifiers = std::move(chars);
    e.modifierFlags = modifiers;
    if (!mApp.Deliver(View(), e))
      mLog.push_back("(key not taken)");
  }

  std::vector<std::string> mLog;
};

constexpr uint32_t kS = appkit::kModifierShift, kC = appkit::kModifierControl, kO = appkit::kModifierOption,
                   kM = appkit::kModifierCommand;

TEST_F(Session, PointerKeysCursorsAndValueFieldAtBothScales)
{
  for (const auto& [drawScale, screenScale] : {std::pair{1.f, 1.0}, {2.f, 1.0}, {1.f, 2.0}, {1.5f, 2.0}})
  {
    OpenAt(drawScale, screenScale);
    // The pointer.
    Send(EventType::kMouseEntered, 5, 5);
    Send(EventType::kMouseMoved, 10.5, 20.25);
    Send(EventType::kMouseMoved, 30, 40, kS | kO);
    for (uint32_t mods : {0u, kS, kC, kO, kM, kS | kC | kO | kM})
    {
      Send(EventType::kLeftMouseDown, 100, 50, mods);
      Send(EventType::kLeftMouseDragged, 120.5, 41, mods);
      Send(EventType::kLeftMouseDragged, 90, 60.75, mods);
      Send(EventType::kLeftMouseUp, 90, 60.75, mods);
    }
    Send(EventType::kLeftMouseDown, 200, 100, 0, 2);
    Send(EventType::kLeftMouseUp, 200, 100, 0, 2);
    Send(EventType::kLeftMouseDown, 200, 100, 0, 3);
    Send(EventType::kLeftMouseUp, 200, 100, 0, 3);
    Send(EventType::kRightMouseDown, 150, 70, kS);
    Send(EventType::kRightMouseDragged, 160, 60, kS);
    Send(EventType::kRightMouseUp, 160, 60);
    for (double d : {1.0, -1.0, 0.0, 2.5})
      Send(EventType::kScrollWheel, 50, 25, d > 2 ? kC : 0, 1, d);
    Send(EventType::kLeftMouseDown, 10, 10);
    Send(EventType::kMouseExited, 500, 10); // while the button is held: the control hears of it on release
    Send(EventType::kLeftMouseUp, 500, 10);
    Send(EventType::kMouseEntered, 12, 12);
    Send(EventType::kMouseExited, 500, 12);

    // Keys (code, characters, modifiers) with the pointer over the recorder.
    Send(EventType::kMouseMoved, 60, 70);
    const struct
    {
      uint16_t code;
      std::u32string chars;
      uint32_t mods;
    } keys[] = {
      {0, U"a", 0},       {0, U"A", kS},      {0, U"a", kC},      {0, U"a", kM},      {0, U"a", kO},
      {18, U"1", 0},      {18, U"!", kS},     {36, U"\r", 0},     {48, U"\t", 0},     {48, U"\x19", kS},
      {48, U"\x19", kS | kM}, {53, U"\x1b", 0}, {49, U" ", 0},    {51, U"\x7f", 0},   {117, U"\xF728", 0},
      {123, U"\xF702", kS}, {124, U"\xF703", 0}, {125, U"\xF701", 0}, {126, U"\xF700", 0}, {115, U"\xF729", 0},
      {119, U"\xF72B", 0}, {116, U"\xF72C", 0}, {121, U"\xF72D", 0}, {114, U"\xF727", 0}, {122, U"\xF704", 0},
      {120, U"\xF705", 0}, {111, U"\xF70F", 0}, {105, U"\xF710", 0}, {300, U"\xF71B", 0}, {300, U"\xF71C", 0},
      {76, U"\x03", 0},   {65, U".", 0},      {67, U"*", 0},      {69, U"+", 0},      {75, U"/", 0},
      {78, U"-", 0},      {81, U"=", 0},      {82, U"0", 0},      {92, U"9", 0},      {71, U"", 0},
      {300, U"", 0},      {301, U"\xE9", 0},  {302, U"\x4E2D", kS}, {303, U"\x1F600", 0}, {27, U"-", kS}, {50, U"`", 0},
      {42, U"\\", kC},    {0, U"ab", 0},
    };
    for (const auto& k : keys)
    {
      SendKey(true, k.code, k.chars, k.mods);
      SendKey(false, k.code, k.chars, k.mods);
    }
    mLog.push_back("keys passed on " + std::to_string(View().mKeysPassedOn.size()));
    View().mKeysPassedOn.clear();

    // Cursors and the pointer's place.
    for (int kind = 0; kind <= 12; ++kind)
    {
      const int before = Graphics()->SetMouseCursor(kind);
      mLog.push_back("cursor " + std::to_string(kind) + " shows " + std::to_string(int(View().mCursor)) +
                     " (was " + std::to_string(before) + ")");
    }
    mApp.mMouse = View().ConvertToScreen({100.5, 50.25});
    float x = 0, y = 0;
    Graphics()->GetMouseLocation(x, y);
    mLog.push_back("pointer at " + Num(x) + "," + Num(y));
    Graphics()->MoveMouseCursor(20.5f, 10.25f);
    Graphics()->HideMouseCursor(true, true);
    Graphics()->HideMouseCursor(false, true);
    for (const appkit::Point& p : mApp.mWarps)
      mLog.push_back("warped to " + Num(p.x) + "," + Num(p.y));
    mApp.mWarps.clear();

    // The value field of the recorder's parameter, in a text style of its own.
    IText text(20.f, IColor(255, 10, 20, 30), "Roboto-Regular", kAlignFar, kVAlignTop);
    text.mEntryBackColor = IColor(128, 200, 100, 50);
    text.mEntryTextColor = IColor(255, 1, 2, 255);
    Graphics()->CreateTextEntry(*Graphics()->GetControl(1), text, IRECT(40.5f, 30.f, 140.f, 52.5f), "0.5");
    if (const appkit::TextField* f = View().mTextField)
    {
      const auto colour = [](const appkit::DeviceColor& c) {
        return Num(c.red) + "/" + Num(c.green) + "/" + Num(c.blue) + "/" + Num(c.alpha);
      };
      mLog.push_back("field " + Num(f->frame.origin.x) + "," + Num(f->frame.origin.y) + " " +
                     Num(f->frame.size.width) + "x" + Num(f->frame.size.height) + " size " + Num(f->fontSize) +
                     " align " + std::to_string(int(f->alignment)) + " centred " + std::to_string(f->centreVertically) +
                     " text " + colour(f->textColor) + " back " + colour(f->backgroundColor) + " \"" +
                     f->StringValueUTF8() + "\"");
      const struct
      {
        uint16_t code;
        std::u32string chars;
        uint32_t mods;
      } edits[] = {{119, U"\xF72B", 0}, {123, U"\xF702", kS}, {51, U"\x7f", 0}, {0, U"7", 0},
                   {115, U"\xF729", 0}, {124, U"\xF703", kS}, {117, U"\xF728", 0}, {0, U"a", kC},
                   {0, U"c", kM},       {119, U"\xF72B", 0},  {0, U"v", kM},      {0, U"x", 0},
                   {0, U"-", 0},        {36, U"\r", 0}};
      for (const auto& k : edits)
      {
        // Keys reach the field through the host, which hands them on as the view would make them.
        Event e;
        e.type = EventType::kKeyDown;
        e.keyCode = k.code;
        e.charactersIgnoringModifiers = k.chars;
        e.modifierFlags = k.mods;
        const plug::IKeyPress key = KeyPressFromEvent(e);
        Graphics()->OnHostKey(key, false);
        Graphics()->OnHostKey(key, true);
        const appkit::TextField* open = View().mTextField;
        mLog.push_back("field after " + std::to_string(k.code) + ": " +
                       (open ? "\"" + open->StringValueUTF8() + "\" caret " + std::to_string(open->Caret()) +
                                 " anchor " + std::to_string(open->Anchor())
                             : std::string("closed")));
      }
    }
    else
      mLog.push_back("no field");
    mLog.push_back("parameter " + Num(mDelegate.GetParam(0)->GetNormalized()));

    // The colour panel starts from the colour asked with.
    // The colour panel starts from the colour asked with, and what is picked in it comes back.
    IColor start(200, 255, 128, 0);
    Graphics()->PromptForColor(start, "", [this](const IColor& c) {
      mLog.push_back("picked " + std::to_string(c.mAlpha) + "/" + std::to_string(c.mRed) + "/" +
                     std::to_string(c.mGreen) + "/" + std::to_string(c.mBlue));
    });
    mLog.push_back("colour panel " + Num(mApp.mColorShown.red) + "/" + Num(mApp.mColorShown.green) + "/" +
                   Num(mApp.mColorShown.blue) + "/" + Num(mApp.mColorShown.alpha));
    if (mApp.mColorCallback)
      mApp.mColorCallback(appkit::DeviceColor{0.2, 0.4, 0.6, 0.8});
    mApp.CloseColorPanel();
    mApp.mHasColorPanel = false; // a system without one
    mLog.push_back(std::string("without a colour panel: ") +
                   (Graphics()->PromptForColor(start, "", [](const IColor&) {}) ? "shown" : "not shown"));
    mApp.mHasColorPanel = true;
  }
  CompareWithReference("platform_session.txt", mLog);
}

} // namespace
} // namespace mactest
