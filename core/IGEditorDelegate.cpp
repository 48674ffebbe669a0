// The editor delegate of a graphics-framework editor: opening and closing the editor with its graphics context,
// forwarding values, messages, MIDI and keys to the controls, and the editor's size state.
#include <cmath>

#include "core/IEditorDelegate.h"
#include "graphics/context/IGraphics.h"

namespace plug {

void IEditorDelegate::SetSizeConstraints(int minW, int maxW, int minH, int maxH)
{
  mMinWidth = std::min(minW, maxW);
  mMaxWidth = std::max(minW, maxW);
  mMinHeight = std::min(minH, maxH);
  mMaxHeight = std::max(minH, maxH);
}

namespace igraphics {

IGEditorDelegate::IGEditorDelegate(int nParams) : IEditorDelegate(nParams) {}

IGEditorDelegate::~IGEditorDelegate()
{
  if (mGraphics)
  {
    // The window goes before the context it shows. The plug-in around this delegate is already gone, so the
    // context must not call back into it.
    mGraphics->CloseWindow();
    mGraphics->ForgetParamGestures();
    DeleteGraphics();
  }
}

void IGEditorDelegate::DeleteGraphics()
{
  IGraphics* graphics = mGraphics;
  mGraphics = nullptr;
  delete graphics;
}

void* IGEditorDelegate::OpenWindow(void* parent)
{
  if (!mGraphics)
  {
    mGraphics = CreateGraphics();
    if (mGraphics && mSavedWidth != 0 && mSavedHeight != 0 && mSavedScale != 0.f && mEditorReady)
      mGraphics->Resize(mSavedWidth, mSavedHeight, mSavedScale, true);
  }
  void* window = mGraphics ? mGraphics->OpenWindow(parent) : nullptr;
  if (!window)
    DeleteGraphics(); // a context with nothing to show it is not kept
  return window;
}

void IGEditorDelegate::CloseWindow()
{
  if (mClosing)
    return;
  mClosing = true;
  OnUIClose();
  if (mGraphics)
  {
    mSavedWidth = mGraphics->Width();
    mSavedHeight = mGraphics->Height();
    mSavedScale = mGraphics->GetDrawScale();
    mGraphics->CloseWindow();
    DeleteGraphics();
  }
  mClosing = false;
}

void IGEditorDelegate::SendParamValueToUI(int idx, double value, bool normalized)
{
  const IParam* p = GetParam(idx);
  if (!p)
    return;
  if (mGraphics)
  {
    if (!normalized)
      value = p->ToNormalized(value);
    mGraphics->VisitListedControls([&](IControl& c) {
      for (int v = 0; v < c.NValues(); ++v)
        if (c.GetParamIdx(v) == idx)
          c.SetValueFromDelegate(value, v);
    });
  }
  OnUIParamChange(idx, kDelegate);
}

void IGEditorDelegate::SendControlValueToUI(int ctrlTag, double normalized)
{
  if (IControl* c = mGraphics ? mGraphics->GetControlByTag(ctrlTag) : nullptr)
    c->SetValueFromDelegate(normalized, 0);
}

void IGEditorDelegate::SendControlMsgToUI(int ctrlTag, int msgTag, int dataSize, const void* data)
{
  if (IControl* c = mGraphics ? mGraphics->GetControlByTag(ctrlTag) : nullptr)
    c->OnMsgFromDelegate(msgTag, dataSize, data);
}

void IGEditorDelegate::SendMidiMsgToUI(const IMidiMsg& msg)
{
  if (mGraphics)
    mGraphics->VisitListedControls([&](IControl& c) {
      if (c.GetWantsMidi())
        c.OnMidi(msg);
    });
  OnUIMidiMsg(msg);
}

bool IGEditorDelegate::OnKeyDown(const IKeyPress& key)
{
  if (!mEditorReady || !mGraphics)
    return false;
  if (mGraphics->OnHostKey(key, false))
    return true;
  float x = 0.f, y = 0.f;
  mGraphics->GetMouseLocation(x, y);
  return mGraphics->OnKeyDown(x, y, key);
}

bool IGEditorDelegate::OnKeyUp(const IKeyPress& key)
{
  if (!mEditorReady || !mGraphics)
    return false;
  if (mGraphics->OnHostKey(key, true))
    return true;
  float x = 0.f, y = 0.f;
  mGraphics->GetMouseLocation(x, y);
  return mGraphics->OnKeyUp(x, y, key);
}

void IGEditorDelegate::SetScreenScale(double scale)
{
  if (mEditorReady && mGraphics && std::isfinite(scale) && scale >= 0.5 && scale < 1e6)
    mGraphics->SetScreenScale(static_cast<int>(std::round(scale)));
}

bool IGEditorDelegate::SerializeEditorState(IStateChunk& chunk) const
{
  int32_t width = mGraphics ? mGraphics->Width() : mSavedWidth;
  int32_t height = mGraphics ? mGraphics->Height() : mSavedHeight;
  float scale = mGraphics ? mGraphics->GetDrawScale() : mSavedScale;
  return chunk.Put(&width) > 0 && chunk.Put(&height) > 0 && chunk.Put(&scale) > 0;
}

int IGEditorDelegate::UnserializeEditorState(const IStateChunk& chunk, int startPos)
{
  int32_t width = 0, height = 0;
  float scale = 0.f;
  int pos = chunk.Get(&width, startPos);
  pos = chunk.Get(&height, pos);
  pos = chunk.Get(&scale, pos);
  if (pos < 0)
    return -1;
  if (!std::isfinite(scale) || scale < 0.f)
    return -1; // a scale no editor can take: nothing changes
  if (mEditorReady && mGraphics)
  {
    if (width != 0 && height != 0 && scale != 0.f)
      mGraphics->Resize(width, height, scale, true);
  }
  else
  {
    mSavedWidth = width;
    mSavedHeight = height;
    mSavedScale = scale;
  }
  return pos;
}

} // namespace igraphics
} // namespace plug
