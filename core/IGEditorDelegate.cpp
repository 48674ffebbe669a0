// The editor delegate of a graphics-framework editor: opening and closing the editor with its graphics context,
// forwarding values, messages, MIDI and keys to the controls through the editor context, and the editor's size state.
#include <cmath>

#include "core/IEditorDelegate.h"

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
  if (mContext)
  {
    // The window goes before the context it shows. The plug-in around this delegate is already gone, so the
    // context must not call back into it.
    mContext->CloseWindow();
    mContext->ForgetParamGestures();
    DeleteGraphics();
  }
}

void IGEditorDelegate::DeleteGraphics()
{
  EditorContext* context = mContext;
  mContext = nullptr;
  delete context;
}

void* IGEditorDelegate::OpenWindow(void* parent)
{
  mWindowOpen.store(true, std::memory_order_release);
  if (!mContext)
  {
    mContext = CreateGraphics();
    if (mContext && mSavedWidth != 0 && mSavedHeight != 0 && mSavedScale != 0.f && mEditorReady)
      mContext->Resize(mSavedWidth, mSavedHeight, mSavedScale, true);
  }
  void* window = mContext ? mContext->OpenWindow(parent) : nullptr;
  if (!window)
  {
    DeleteGraphics(); // a context with nothing to show it is not kept
    mWindowOpen.store(false, std::memory_order_release);
  }
  return window;
}

void IGEditorDelegate::CloseWindow()
{
  if (mClosing)
    return;
  mClosing = true;
  mWindowOpen.store(false, std::memory_order_release);
  OnUIClose();
  if (mContext)
  {
    mSavedWidth = mContext->Width();
    mSavedHeight = mContext->Height();
    mSavedScale = mContext->GetDrawScale();
    mContext->CloseWindow();
    DeleteGraphics();
  }
  mClosing = false;
}

void IGEditorDelegate::SendParamValueToUI(int idx, double value, bool normalized)
{
  const IParam* p = GetParam(idx);
  if (!p)
    return;
  if (mContext)
  {
    if (!normalized)
      value = p->ToNormalized(value);
    mContext->SetParamValueOnControls(idx, value);
  }
  OnUIParamChange(idx, kDelegate);
}

void IGEditorDelegate::SendControlValueToUI(int ctrlTag, double normalized)
{
  if (mContext)
    mContext->SetControlValueByTag(ctrlTag, normalized);
}

void IGEditorDelegate::SendControlMsgToUI(int ctrlTag, int msgTag, int dataSize, const void* data)
{
  if (mContext)
    mContext->SendMsgToControlByTag(ctrlTag, msgTag, dataSize, data);
}

void IGEditorDelegate::SendMidiMsgToUI(const IMidiMsg& msg)
{
  if (mContext)
    mContext->SendMidiMsgToControls(msg);
  OnUIMidiMsg(msg);
}

bool IGEditorDelegate::OnKeyDown(const IKeyPress& key)
{
  if (!mEditorReady || !mContext)
    return false;
  return mContext->OnKeyFromHost(key, false);
}

bool IGEditorDelegate::OnKeyUp(const IKeyPress& key)
{
  if (!mEditorReady || !mContext)
    return false;
  return mContext->OnKeyFromHost(key, true);
}

void IGEditorDelegate::SetScreenScale(double scale)
{
  if (mEditorReady && mContext && std::isfinite(scale) && scale >= 0.5 && scale < 1e6)
    mContext->SetScreenScale(static_cast<int>(std::round(scale)));
}

bool IGEditorDelegate::SerializeEditorState(IStateChunk& chunk) const
{
  int32_t width = mContext ? mContext->Width() : mSavedWidth;
  int32_t height = mContext ? mContext->Height() : mSavedHeight;
  float scale = mContext ? mContext->GetDrawScale() : mSavedScale;
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
  if (mEditorReady && mContext)
  {
    if (width != 0 && height != 0 && scale != 0.f)
      mContext->Resize(width, height, scale, true);
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
