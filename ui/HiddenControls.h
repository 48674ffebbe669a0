// Invisible controls of the editor: an area that sends an action id to the plug-in, an area that opens a web page,
// and a control with no area that only links a parameter to the editor.
#pragma once

#include "core/LibString.h"
#include "graphics/bases/IControl.h"

/// Sends its action id (source user interface, no sample offset) on every press; an id below 0 sends nothing.
class IVClickControlHiddenVQ : public plug::igraphics::IControl
{
public:
  IVClickControlHiddenVQ(const plug::igraphics::IRECT& bounds, int actionId);
  void OnMouseDown(float x, float y, const plug::igraphics::IMouseMod& mod) override; // [main thread]
  void OnMouseUp(float x, float y, const plug::igraphics::IMouseMod& mod) override {}
  void Draw(plug::igraphics::IGraphics& g) override {}
  int GetActionId() const { return mActionId; }

private:
  int mActionId;
};

/// Opens its address with the system's browser on every press.
class IVHiddenURLControl : public plug::igraphics::IControl
{
public:
  IVHiddenURLControl(const plug::igraphics::IRECT& bounds, const char* address);
  void OnMouseDown(float x, float y, const plug::igraphics::IMouseMod& mod) override; // [main thread]
  void Draw(plug::igraphics::IGraphics& g) override {}
  const char* GetAddress() const { return mAddress.Get(); }

private:
  plug::LibString mAddress;
};

/// Keeps a parameter linked to the editor (its value follows the host) without drawing or taking input.
class IVParameterControlHiddenVQ : public plug::igraphics::IControl
{
public:
  explicit IVParameterControlHiddenVQ(int paramIdx);
  void Draw(plug::igraphics::IGraphics& g) override {}
};
