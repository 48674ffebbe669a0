// What the editor delegate hands on to an open editor: parameter values, control values and messages by tag,
// MIDI, and the keys the host sends.
#include "graphics/context/IGraphics.h"

namespace plug {
namespace igraphics {

void IGraphics::SetParamValueOnControls(int paramIdx, double normalized)
{
  VisitListedControls([&](IControl& c) {
    for (int v = 0; v < c.NValues(); ++v)
      if (c.GetParamIdx(v) == paramIdx)
        c.SetValueFromDelegate(normalized, v);
  });
}

void IGraphics::SetControlValueByTag(int ctrlTag, double normalized)
{
  if (IControl* c = GetControlByTag(ctrlTag))
    c->SetValueFromDelegate(normalized, 0);
}

void IGraphics::SendMsgToControlByTag(int ctrlTag, int msgTag, int dataSize, const void* data)
{
  if (IControl* c = GetControlByTag(ctrlTag))
    c->OnMsgFromDelegate(msgTag, dataSize, data);
}

void IGraphics::SendMidiMsgToControls(const IMidiMsg& msg)
{
  VisitListedControls([&](IControl& c) {
    if (c.GetWantsMidi())
      c.OnMidi(msg);
  });
}

bool IGraphics::OnKeyFromHost(const IKeyPress& key, bool isUp)
{
  if (OnHostKey(key, isUp))
    return true;
  float x = 0.f, y = 0.f;
  GetMouseLocation(x, y);
  return isUp ? OnKeyUp(x, y, key) : OnKeyDown(x, y, key);
}

} // namespace igraphics
} // namespace plug
