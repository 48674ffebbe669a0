// The plug-in's face toward its editor: owns the parameter list and defines every message between the plug-in
// and its user interface (values and messages to the editor, values, gestures and messages from it, keys).
// IGEditorDelegate adds the slots where the product installs its graphics-context factory and layout function.
#pragma once

#include <atomic>
#include <functional>

#include "core/EditorContext.h"
#include "core/IParam.h"
#include "core/Messages.h"
#include "core/IStateChunk.h"
#include "core/LibPtrList.h"

namespace plug {

class IEditorDelegate
{
public:
  explicit IEditorDelegate(int nParams);
  virtual ~IEditorDelegate();
  IEditorDelegate(const IEditorDelegate&) = delete;
  IEditorDelegate& operator=(const IEditorDelegate&) = delete;

  /// Parameter idx, or null for an index out of range.
  IParam* GetParam(int idx) const { return mParams.Get(idx); }
  int NParams() const { return mParams.GetSize(); }

  /// The editor's size limits in points, which the graphics context clamps resizing to.
  int GetMinWidth() const { return mMinWidth; }
  int GetMaxWidth() const { return mMaxWidth; }
  int GetMinHeight() const { return mMinHeight; }
  int GetMaxHeight() const { return mMaxHeight; }
  /// Takes each pair in either order.
  void SetSizeConstraints(int minW, int maxW, int minH, int maxH);

  // [main thread]
  virtual void* OpenWindow(void* parent);
  virtual void CloseWindow();
  virtual void OnUIOpen();
  virtual void OnUIClose() {}
  /// Every changed value ends here. [any thread the change arrives on]
  virtual void OnParamChange(int idx, EParamChangeSource source, int sampleOffset = -1) { OnParamChangeIdx(idx); }
  virtual void OnParamChangeIdx(int idx) {}
  virtual void OnUIParamChange(int idx, EParamChangeSource source) {}
  /// OnParamChange and OnUIParamChange for every parameter in index order.
  virtual void NotifyAllParams(EParamChangeSource source);
  virtual void OnUIMidiMsg(const IMidiMsg& msg) {}
  virtual void OnUISysExMsg(const ISysExMsg& msg) {}
  virtual bool OnMessage(int msgTag, int ctrlTag, int dataSize, const void* data) { return false; }
  virtual void OnStateRestored();
  virtual bool OnKeyDown(const IKeyPress& key) { return false; }
  virtual bool OnKeyUp(const IKeyPress& key) { return false; }
  virtual void SendControlValueToUI(int ctrlTag, double normalized) {}
  virtual void SendControlMsgToUI(int ctrlTag, int msgTag, int dataSize, const void* data)
  {
    OnMessage(msgTag, ctrlTag, dataSize, data);
  }
  virtual void SendArbitraryMsgToUI(int msgTag, int dataSize, const void* data)
  {
    OnMessage(msgTag, -1, dataSize, data);
  }
  virtual void SendMidiMsgToUI(const IMidiMsg& msg) { OnUIMidiMsg(msg); }
  virtual void SendSysExMsgToUI(const ISysExMsg& msg) { OnUISysExMsg(msg); }
  virtual void SendParamValueToUI(int idx, double value, bool normalized) { OnUIParamChange(idx, kDelegate); }
  virtual void InformHostOfAllParams() {}
  virtual void BeginInformHostOfParamChangeFromUI(int idx) = 0;
  virtual void SendParamValueFromUI(int idx, double normalized);
  virtual void EndInformHostOfParamChangeFromUI(int idx) = 0;
  virtual bool EditorResizeFromUI(int width, int height, bool needsPlatformResize) { return false; }
  virtual void SendMidiMsgFromUI(const IMidiMsg& msg) {}
  virtual void SendSysExMsgFromUI(const ISysExMsg& msg) {}
  virtual void SendArbitraryMsgFromUI(int msgTag, int ctrlTag, int dataSize, const void* data) {}
  virtual void DeferMidiMsg(const IMidiMsg& msg) {}
  virtual void DeferSysExMsg(const ISysExMsg& msg) {}
  virtual bool SerializeEditorState(IStateChunk& chunk) const { return true; }
  virtual int UnserializeEditorState(const IStateChunk& chunk, int startPos) { return startPos; }
  virtual void SetScreenScale(double scale) {}

private:
  LibPtrList<IParam> mParams;
  int mMinWidth = 0;
  int mMaxWidth = 1 << 30;
  int mMinHeight = 0;
  int mMaxHeight = 1 << 30;
};

namespace igraphics {

/// The editor delegate of an editor drawn by the graphics framework: owns the graphics context while the editor
/// exists, creates it through the installed factory when the editor opens, fills it through the installed layout
/// function, keeps its size and scale across a close and reopen, and forwards values, messages, MIDI and keys to
/// its controls. Everything here runs on the main thread, except EditorWindowOpen.
class IGEditorDelegate : public IEditorDelegate
{
public:
  /// Makes the editor (a graphics context converts to its EditorContext).
  using MakeGraphicsFunc = std::function<EditorContext*()>;
  using LayoutFunc = std::function<void(IGraphics*)>;
  /// Units of the host's window in one point (pixels per point where hosts measure windows in pixels).
  using HostWindowScaleFunc = std::function<double()>;

  explicit IGEditorDelegate(int nParams);
  /// Closes an open editor window, then deletes the graphics context.
  ~IGEditorDelegate() override;

  /// Creates the graphics context (re-applying a kept size and scale) and opens its window; null when there is
  /// no graphics context.
  void* OpenWindow(void* parent) override;
  /// Keeps the size and scale, closes the window and deletes the graphics context; a nested call does nothing.
  void CloseWindow() override;
  /// Sets every value slot bound to the parameter, on every control, from the value.
  void SendParamValueToUI(int idx, double value, bool normalized) override;
  void SendControlValueToUI(int ctrlTag, double normalized) override;
  void SendControlMsgToUI(int ctrlTag, int msgTag, int dataSize, const void* data) override;
  void SendMidiMsgToUI(const IMidiMsg& msg) override;
  bool OnKeyDown(const IKeyPress& key) override;
  bool OnKeyUp(const IKeyPress& key) override;
  void SetScreenScale(double scale) override;
  /// Width, height (ints) and draw scale (float): 12 bytes.
  bool SerializeEditorState(IStateChunk& chunk) const override;
  /// Reads the 12 bytes at startPos; returns the position after them, or -1 when they are not all there or
  /// the scale is not a number above 0 (nothing changes then).
  int UnserializeEditorState(const IStateChunk& chunk, int startPos) override;

  /// Calls the installed factory; null when none is installed.
  virtual EditorContext* CreateGraphics() { return mMakeGraphicsFunc ? mMakeGraphicsFunc() : nullptr; }
  /// Calls the installed layout function.
  virtual void LayoutUI(IGraphics* graphics)
  {
    if (mLayoutFunc)
      mLayoutFunc(graphics);
  }

  /// The graphics context while the editor exists, else null.
  IGraphics* GetUI() const { return mContext ? mContext->GetGraphics() : nullptr; }
  /// Set by the platform window when it opens: whether its drawing context was created.
  void SetEditorReady(bool ready) { mEditorReady = ready; }
  bool IsEditorReady() const { return mEditorReady; }
  /// Whether an editor window is open or opening: raised before the window opens and lays out its controls,
  /// lowered as it starts to close. The one thing about the editor that other threads (the host's parameter or
  /// audio thread) may ask, since the graphics context itself may go away under them. [any thread]
  virtual bool EditorWindowOpen() const { return mWindowOpen.load(std::memory_order_acquire); }
  int GetSavedWidth() const { return mSavedWidth; }
  int GetSavedHeight() const { return mSavedHeight; }
  float GetSavedScale() const { return mSavedScale; }

  /// Calls the installed function; 1 when none is installed.
  double HostWindowScale() const { return mHostWindowScaleFunc ? mHostWindowScaleFunc() : 1.0; }

  MakeGraphicsFunc mMakeGraphicsFunc;
  LayoutFunc mLayoutFunc;
  HostWindowScaleFunc mHostWindowScaleFunc;

  /// Bytes of the editor state.
  static constexpr int kEditorStateSize = 12;

private:
  void DeleteGraphics();

  EditorContext* mContext = nullptr;
  int mSavedWidth = 0;
  int mSavedHeight = 0;
  float mSavedScale = 0.f;
  bool mClosing = false;
  bool mEditorReady = false;
  std::atomic<bool> mWindowOpen{false};
};

} // namespace igraphics
} // namespace plug
