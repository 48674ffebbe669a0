// The editor delegate drives its editor only through EditorContext: this test links the framework alone, with
// an editor that writes down every request.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/IEditorDelegate.h"

namespace {

using Log = std::vector<std::string>;

class LoggingEditor : public plug::igraphics::EditorContext
{
public:
  explicit LoggingEditor(Log& log) : mLog(log) {}
  ~LoggingEditor() override { mLog.push_back("delete"); }

  plug::igraphics::IGraphics* GetGraphics() override { return nullptr; }
  void* OpenWindow(void* parent) override { return Add("open", parent); }
  void CloseWindow() override { Add("close"); }
  void ForgetParamGestures() override { Add("forget gestures"); }
  void Resize(int w, int h, float scale, bool platform) override
  {
    Add("resize " + std::to_string(w) + "x" + std::to_string(h) + " " + Num(scale) + " " + Num(platform));
    mWidth = w, mHeight = h, mScale = scale;
  }
  int Width() const override { return mWidth; }
  int Height() const override { return mHeight; }
  float GetDrawScale() const override { return mScale; }
  void SetScreenScale(int scale) override { Add("screen scale " + Num(scale)); }
  void SetParamValueOnControls(int idx, double v) override { Add("param " + Num(idx) + " " + Num(v)); }
  void SetControlValueByTag(int tag, double v) override { Add("value " + Num(tag) + " " + Num(v)); }
  void SendMsgToControlByTag(int tag, int msgTag, int, const void*) override
  {
    Add("msg " + Num(tag) + " " + Num(msgTag));
  }
  void SendMidiMsgToControls(const plug::IMidiMsg& msg) override { Add("midi " + Num(int(msg.mStatus))); }
  bool OnKeyFromHost(const plug::IKeyPress& key, bool isUp) override
  {
    Add(std::string("key ") + key.mUtf8 + (isUp ? " up" : " down"));
    return true;
  }

private:
  template <class T> static std::string Num(T v)
  {
    std::ostringstream s;
    s << v;
    return s.str();
  }
  void* Add(const std::string& entry, void* result = nullptr)
  {
    mLog.push_back(entry);
    return result;
  }
  Log& mLog;
  int mWidth = 468, mHeight = 450;
  float mScale = 1.f;
};

struct Delegate : plug::igraphics::IGEditorDelegate
{
  Delegate() : IGEditorDelegate(2) { GetParam(1)->InitDouble("wide", 0.0, 0.0, 10.0, 0.01); }
  void BeginInformHostOfParamChangeFromUI(int) override {}
  void EndInformHostOfParamChangeFromUI(int) override {}
};

} // namespace

TEST(EditorContext, TheDelegateForwardsToItsEditorAndKeepsTheSizeAcrossAReopen)
{
  Log log;
  auto delegate = std::make_unique<Delegate>();
  delegate->mMakeGraphicsFunc = [&log] { return new LoggingEditor(log); };
  int parent = 0;
  delegate->SendParamValueToUI(1, 5.0, false); // no editor yet: nothing to tell
  EXPECT_FALSE(delegate->EditorWindowOpen());
  ASSERT_EQ(delegate->OpenWindow(&parent), &parent);
  EXPECT_TRUE(delegate->EditorWindowOpen());
  delegate->SetEditorReady(true);
  delegate->SendParamValueToUI(1, 5.0, false);
  delegate->SendControlValueToUI(7, 0.25);
  delegate->SendControlMsgToUI(7, 3, 0, nullptr);
  delegate->SendMidiMsgToUI(plug::IMidiMsg{0, 0x90, 60, 100, 0});
  EXPECT_TRUE(delegate->OnKeyDown(plug::IKeyPress("a", 'A')));
  EXPECT_TRUE(delegate->OnKeyUp(plug::IKeyPress("a", 'A')));
  delegate->SetScreenScale(1.6);
  EXPECT_EQ(log, (Log{"open", "param 1 0.5", "value 7 0.25", "msg 7 3", "midi 144", "key a down", "key a up",
                      "screen scale 2"}));

  // A restored editor state resizes the open editor; closing keeps that size and scale, and the next editor is
  // given them before its window opens.
  log.clear();
  EXPECT_EQ(delegate->GetUI(), nullptr); // an editor that is not a graphics context
  plug::IStateChunk state;
  const int32_t w = 700, h = 600;
  const float scale = 1.5f;
  state.Put(&w), state.Put(&h), state.Put(&scale);
  EXPECT_EQ(delegate->UnserializeEditorState(state, 0), 12);
  delegate->CloseWindow();
  EXPECT_FALSE(delegate->EditorWindowOpen());
  EXPECT_EQ(delegate->GetSavedScale(), 1.5f);
  delegate->OpenWindow(&parent);
  EXPECT_EQ(log, (Log{"resize 700x600 1.5 1", "close", "delete", "resize 700x600 1.5 1", "open"}));

  // The delegate going with its editor open: the window first, the host gestures forgotten, then the editor.
  log.clear();
  delegate.reset();
  EXPECT_EQ(log, (Log{"close", "forget gestures", "delete"}));
}

// The editor state is the size and scale; one that no editor can take changes nothing, a zero size resizes
// nothing; screen scales outside what a screen has, and keys before the editor is ready, are not passed on.
TEST(EditorContext, EditorStateAndScreenScalesAtTheirEdges)
{
  Log log;
  Delegate delegate;
  delegate.mMakeGraphicsFunc = [&log] { return new LoggingEditor(log); };
  plug::IStateChunk closed;
  auto stateOf = [](int32_t w, int32_t h, float scale) {
    plug::IStateChunk c;
    c.Put(&w), c.Put(&h), c.Put(&scale);
    return c;
  };
  plug::IStateChunk fresh; // a delegate that never had an editor keeps no size or scale
  ASSERT_TRUE(delegate.SerializeEditorState(fresh));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(fresh.GetData()), size_t(fresh.Size())), std::string(12, '\0'));
  EXPECT_FALSE(delegate.IsEditorReady());
  EXPECT_EQ(delegate.UnserializeEditorState(stateOf(300, 200, 2.f), 0), 12);
  ASSERT_TRUE(delegate.SerializeEditorState(closed));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(closed.GetData()), 12),
            std::string(reinterpret_cast<const char*>(stateOf(300, 200, 2.f).GetData()), 12));
  EXPECT_EQ(delegate.UnserializeEditorState(stateOf(300, 200, -1.f), 0), -1);
  EXPECT_EQ(delegate.UnserializeEditorState(stateOf(300, 200, NAN), 0), -1);
  EXPECT_EQ(delegate.UnserializeEditorState(stateOf(300, 200, 2.f), 4), -1);
  EXPECT_EQ(delegate.GetSavedScale(), 2.f);

  int parent = 0;
  ASSERT_EQ(delegate.OpenWindow(&parent), &parent);
  EXPECT_FALSE(delegate.OnKeyDown(plug::IKeyPress("a", 'A')));
  EXPECT_FALSE(delegate.OnKeyUp(plug::IKeyPress("a", 'A')));
  delegate.SetScreenScale(2.0);
  delegate.SetEditorReady(true);
  for (double scale : {0.49, double(NAN), 1e6, 0.5, 2.6})
    delegate.SetScreenScale(scale);
  EXPECT_EQ(delegate.UnserializeEditorState(stateOf(0, 200, 1.f), 0), 12);
  EXPECT_EQ(delegate.UnserializeEditorState(stateOf(300, 0, 1.f), 0), 12);
  EXPECT_EQ(delegate.UnserializeEditorState(stateOf(300, 200, 0.f), 0), 12);
  EXPECT_EQ(log, (Log{"open", "screen scale 1", "screen scale 3"})); // an editor not ready is not resized
  plug::IStateChunk open;
  ASSERT_TRUE(delegate.SerializeEditorState(open));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(open.GetData()), 12),
            std::string(reinterpret_cast<const char*>(stateOf(468, 450, 1.f).GetData()), 12));
}

// A delegate without a graphics editor: its size limits start unbounded; opening sends each parameter's value to the
// UI, which by default reaches its own UI callbacks, as do control and other messages, MIDI and SysEx; closing tells
// it the UI closed.
TEST(EditorDelegate, WithoutAnEditorWhatIsSentToTheUIReachesItsOwnCallbacks)
{
  struct Plain : plug::IEditorDelegate
  {
    Plain() : IEditorDelegate(2) {}
    void BeginInformHostOfParamChangeFromUI(int) override {}
    void EndInformHostOfParamChangeFromUI(int) override {}
    void OnUIClose() override { log.push_back("closed"); }
    void OnUIParamChange(int idx, plug::EParamChangeSource source) override
    {
      log.push_back("param " + std::to_string(idx) + " from " + std::to_string(int(source)));
    }
    bool OnMessage(int msgTag, int ctrlTag, int dataSize, const void* data) override
    {
      log.push_back("message " + std::to_string(msgTag) + " to " + std::to_string(ctrlTag) + " " +
                    std::string(static_cast<const char*>(data), size_t(dataSize)));
      return true;
    }
    void OnUIMidiMsg(const plug::IMidiMsg& msg) override { log.push_back("midi " + std::to_string(msg.mData1)); }
    void OnUISysExMsg(const plug::ISysExMsg& msg) override { log.push_back("sysex " + std::to_string(msg.mSize)); }
    Log log;
  } delegate;
  auto limits = [&delegate] {
    return std::vector<int>{delegate.GetMinWidth(), delegate.GetMaxWidth(), delegate.GetMinHeight(),
                            delegate.GetMaxHeight()};
  };
  EXPECT_EQ(limits(), (std::vector<int>{0, 1 << 30, 0, 1 << 30}));
  delegate.SetSizeConstraints(800, 200, 600, 150); // each pair in either order
  EXPECT_EQ(limits(), (std::vector<int>{200, 800, 150, 600}));
  int parent = 0;
  EXPECT_EQ(delegate.OpenWindow(&parent), nullptr);
  delegate.SendControlMsgToUI(7, 3, 2, "ab");
  delegate.SendArbitraryMsgToUI(4, 1, "c");
  plug::IMidiMsg note;
  note.mData1 = 60;
  delegate.SendMidiMsgToUI(note);
  const uint8_t dump[3] = {0xF0, 0x01, 0xF7};
  delegate.SendSysExMsgToUI(plug::ISysExMsg{0, 3, dump});
  delegate.CloseWindow();
  const std::string fromDelegate = std::to_string(int(plug::kDelegate));
  EXPECT_EQ(delegate.log, (Log{"param 0 from " + fromDelegate, "param 1 from " + fromDelegate, "message 3 to 7 ab",
                               "message 4 to -1 c", "midi 60", "sysex 3", "closed"}));
}
