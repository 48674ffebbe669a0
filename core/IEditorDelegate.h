// The plug-in's face toward its editor: owns the parameter list and defines every message between the plug-in
// and its user interface (values and messages to the editor, values, gestures and messages from it, keys).
// IGEditorDelegate adds the slots where the product installs its graphics-context factory and layout function.
#pragma once

#include <functional>

#include "core/IParam.h"
#include "core/Messages.h"
#include "core/IStateChunk.h"
#include "core/LibPtrList.h"

namespace plug {

namespace igraphics {
class IGraphics;
}

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
};

namespace igraphics {

/// The editor delegate of an editor drawn by the graphics framework. The graphics context itself (its
/// creation on open, deletion on close, value forwarding to controls) is attached by the graphics layer.
class IGEditorDelegate : public IEditorDelegate
{
public:
  using MakeGraphicsFunc = std::function<IGraphics*()>;
  using LayoutFunc = std::function<void(IGraphics*)>;

  explicit IGEditorDelegate(int nParams) : IEditorDelegate(nParams) {}

  /// Calls the installed factory; null when none is installed.
  virtual IGraphics* CreateGraphics() { return mMakeGraphicsFunc ? mMakeGraphicsFunc() : nullptr; }
  /// Calls the installed layout function.
  virtual void LayoutUI(IGraphics* graphics)
  {
    if (mLayoutFunc)
      mLayoutFunc(graphics);
  }

  MakeGraphicsFunc mMakeGraphicsFunc;
  LayoutFunc mLayoutFunc;
};

} // namespace igraphics
} // namespace plug
