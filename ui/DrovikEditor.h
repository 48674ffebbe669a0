// The saturation effect's editor as the plug-in sees it: makes the graphics context, lays out the 468 x 450
// bitmap interface and drives it afterwards (control states, meters, about box, version check, resizing).
#pragma once

#include <memory>

#include "effect/DrovikEditorLink.h"

namespace plug {
namespace igraphics {
class IGraphics;
class IGEditorDelegate;

/// The platform graphics context for an editor delegate, with the product's bundle identifier and plug-in name
/// set. [main thread]
IGraphics* MakeGraphicsContext(IGEditorDelegate& delegate, int width, int height, int fps, float scale);
} // namespace igraphics
} // namespace plug

class DrovikEditor : public DrovikEditorLink
{
public:
  static constexpr const char* kVersionCheckCaption = "Version check";

  void Install(Drovik& plugin) override;
  void UpdateControlStates(Drovik& plugin) override;
  void UpdateMeterDisplay(Drovik& plugin) override;
  void ShowAbout(Drovik& plugin) override;
  void VersionCheckText(Drovik& plugin, const char* product, const char* version) override;
  void ShowMessage(Drovik& plugin, const char* text, const char* caption) override;
  void ResizeEditor(Drovik& plugin, double scale) override;
  double EditorDrawScale(const Drovik& plugin) const override;
  int ParamUnderMouse(const Drovik& plugin) const override;
  std::string ChosenPresetPath(const Drovik& plugin) const override;
  bool KnobShowsValue(const Drovik& plugin, int controlIdx) const override;

  /// The make-graphics function: a platform graphics context at 468 x 450, 60 frames per second, at the plug-in's
  /// GUI scale, that finds its bitmaps in the plug-in's bundle. [main thread]
  static plug::igraphics::IGraphics* MakeGraphics(Drovik& plugin);
  /// The layout function: fonts, the in-editor popup menu, the corner resizer and the 56 controls in their order,
  /// their positions recorded in the plug-in; runs once per context. [main thread]
  static void Layout(Drovik& plugin, plug::igraphics::IGraphics* g);

  /// The address the version check asks; tests point it at a server of their own.
  const char* mVersionCheckAddress = nullptr;
};

/// A new editor for a plug-in. [any thread]
std::unique_ptr<DrovikEditorLink> MakeDrovikEditor();
