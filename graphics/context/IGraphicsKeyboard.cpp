// The computer-keyboard MIDI handler (two rows of letter keys play an octave and a bit, Z and X move the octave)
// and gesture recognition by control and by screen region.
#include <algorithm>
#include <array>

#include "core/IEditorDelegate.h"
#include "graphics/context/IGraphics.h"

namespace plug {
namespace igraphics {

namespace {

/// The keys that play notes, in semitones above the base note.
constexpr char kNoteKeys[] = "AWSEDFTGYHUJKOL";
constexpr int kOctaveDownKey = 'Z';
constexpr int kOctaveUpKey = 'X';
constexpr int kInitialBaseNote = 48;
constexpr int kLowestBaseNote = 24;
constexpr int kHighestBaseNote = 96;
constexpr int kOctave = 12;
constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kNoteOff = 0x80;
constexpr uint8_t kFullVelocity = 127;

/// Which notes the keyboard holds and where its octave is: one set for the process, as there is one keyboard.
struct QwertyKeyboardState
{
  int mBaseNote = kInitialBaseNote;
  std::array<bool, 128> mHeld{};
};
QwertyKeyboardState sKeyboard;

/// Semitones above the base note of a note key, -1 for any other key.
int SemitonesOf(int virtualKey)
{
  for (int i = 0; kNoteKeys[i]; ++i)
    if (kNoteKeys[i] == virtualKey)
      return i;
  return -1;
}

/// Plays the keyboard: sends note-ons and note-offs to the delegate and to func. Takes every key.
class QwertyMidiKeyHandler
{
public:
  QwertyMidiKeyHandler(IGraphics& graphics, std::function<void(const IMidiMsg&)> func)
    : mGraphics(graphics), mFunc(std::move(func))
  {
  }

  bool operator()(const IKeyPress& key, bool isUp) const
  {
    const int semitones = SemitonesOf(key.mVirtualKey);
    if (semitones >= 0)
      PlayKey(sKeyboard.mBaseNote + semitones, isUp);
    else if (!isUp && (key.mVirtualKey == kOctaveDownKey || key.mVirtualKey == kOctaveUpKey))
      MoveOctave(key.mVirtualKey == kOctaveUpKey);
    return true;
  }

private:
  void PlayKey(int note, bool isUp) const
  {
    if (note < 0 || note > 127)
      return;
    bool& held = sKeyboard.mHeld[static_cast<size_t>(note)];
    if (held != isUp)
      return; // a repeated press, or the release of a note an octave change already ended
    held = !isUp;
    Send(isUp ? kNoteOff : kNoteOn, note, isUp ? 0 : kFullVelocity);
  }

  void MoveOctave(bool up) const
  {
    int& base = sKeyboard.mBaseNote;
    base = up ? std::min(std::max(base, kLowestBaseNote - kOctave), kHighestBaseNote - kOctave) + kOctave
              : std::min(std::max(base, kLowestBaseNote + kOctave), kHighestBaseNote + kOctave) - kOctave;
    for (int note = 0; note < 128; ++note)
      if (sKeyboard.mHeld[static_cast<size_t>(note)])
      {
        sKeyboard.mHeld[static_cast<size_t>(note)] = false;
        Send(kNoteOff, note, 0);
      }
  }

  void Send(uint8_t status, int note, int velocity) const
  {
    IMidiMsg msg;
    msg.mStatus = status;
    msg.mData1 = static_cast<uint8_t>(note);
    msg.mData2 = static_cast<uint8_t>(velocity);
    if (IGEditorDelegate* delegate = mGraphics.GetDelegate())
      delegate->SendMidiMsgFromUI(msg);
    if (mFunc)
      mFunc(msg);
  }

  IGraphics& mGraphics;
  std::function<void(const IMidiMsg&)> mFunc;
};

} // namespace

void IGraphics::SetQwertyMidiKeyHandlerFunc(std::function<void(const IMidiMsg&)> func)
{
  SetKeyHandlerFunc(QwertyMidiKeyHandler(*this, std::move(func)));
}

void IGraphics::AttachGestureRecognizerToRegion(const IRECT& bounds, EGestureType type, GestureRegionFunc func)
{
  mGestureRegions.Add(bounds);
  mGestureRegionFuncs[mGestureRegions.Size() - 1] = std::move(func);
}

void IGraphics::ClearGestureRegions()
{
  mGestureRegions.Clear();
  mGestureRegionFuncs.clear();
}

bool IGraphics::RespondsToGesture(float x, float y)
{
  const IControl* c = HitTestControl(x, y, false, false, 0);
  if (c && c->HasGestureFns() && !c->HasAnimation())
    return true;
  for (int i = 0; i < mGestureRegions.Size(); ++i)
    if (mGestureRegions.Get(i).Contains(x, y))
      return true;
  return false;
}

void IGraphics::OnGestureRecognized(const IGestureInfo& info)
{
  IControl* c = HitTestControl(info.x, info.y, false, false, 0);
  if (c && c->HasGestureFns() && !c->HasAnimation())
  {
    c->OnGesture(info.x, info.y, info);
    return;
  }
  for (int i = 0; i < mGestureRegions.Size(); ++i)
    if (mGestureRegions.Get(i).Contains(info.x, info.y))
    {
      const auto it = mGestureRegionFuncs.find(i);
      if (it != mGestureRegionFuncs.end() && it->second)
        it->second(c, info);
      return;
    }
}

void IGraphics::AddGestureType(EGestureType type)
{
  // Each kind is registered once, so the platform is asked to recognise it once.
  if (std::find(mGestureKinds.begin(), mGestureKinds.end(), type) == mGestureKinds.end())
    mGestureKinds.push_back(type);
}

} // namespace igraphics
} // namespace plug
