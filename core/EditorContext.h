// What the editor delegate asks of the editor it owns: opening and closing the window, the editor's size and
// scales, and handing values, messages, MIDI and keys from the plug-in on to the controls. The graphics context
// (IGraphics) implements it; the framework knows the editor through this alone, so core/ builds and links
// without the graphics framework.
#pragma once

#include "core/Messages.h"

namespace plug {
namespace igraphics {

class IGraphics;

/// Everything here runs on the main thread.
class EditorContext
{
public:
  virtual ~EditorContext() = default;

  /// The graphics context this is; null for an editor that is not one.
  virtual IGraphics* GetGraphics() = 0;

  /// The platform window inside the parent, or null when it could not be made.
  virtual void* OpenWindow(void* parent) = 0;
  virtual void CloseWindow() = 0;
  /// Drops the open host gestures without telling the host (the plug-in is going away).
  virtual void ForgetParamGestures() = 0;

  /// Size in points and draw scale; the size is clamped to the delegate's limits.
  virtual void Resize(int w, int h, float scale, bool needsPlatformResize) = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual float GetDrawScale() const = 0;
  virtual void SetScreenScale(int scale) = 0;

  /// Sets every value slot bound to the parameter, on every listed control, from the normalised value.
  virtual void SetParamValueOnControls(int paramIdx, double normalized) = 0;
  /// Sets value 0 of the control with the tag; no such control, nothing happens.
  virtual void SetControlValueByTag(int ctrlTag, double normalized) = 0;
  virtual void SendMsgToControlByTag(int ctrlTag, int msgTag, int dataSize, const void* data) = 0;
  /// Hands the message to every listed control that wants MIDI, in list order.
  virtual void SendMidiMsgToControls(const IMidiMsg& msg) = 0;
  /// A key the host sent to the editor: first offered to the platform, then to the control under the pointer.
  /// True when it was taken.
  virtual bool OnKeyFromHost(const IKeyPress& key, bool isUp) = 0;
};

} // namespace igraphics
} // namespace plug
