// What the effect asks of its editor. The editor's library supplies it when the plug-in module is built with the
// editor; a plug-in without one (the effect's own tests, benchmarks) has no editor and every request is a no-op.
// The effect itself never touches the graphics context: it asks through this link.
#pragma once

#include <string>

class Drovik;

class DrovikEditorLink
{
public:
  virtual ~DrovikEditorLink() = default;

  /// Installs the make-graphics and layout functions in the plug-in's editor delegate. [main thread]
  virtual void Install(Drovik& plugin) = 0;

  // [main thread, editor open]
  /// Tooltips, value overlays, the calibration knob of the meter mode, the meter faces, the saturation knobs.
  virtual void UpdateControlStates(Drovik& plugin) = 0;
  /// Needles, lamps, number fields and the clip LED from the level meters.
  virtual void UpdateMeterDisplay(Drovik& plugin) = 0;
  /// Builds the about text and shows it in a message box.
  virtual void ShowAbout(Drovik& plugin) = 0;
  /// Asks the maker's site whether this product's version is the latest and shows the answer (blocks for one web
  /// request).
  virtual void VersionCheckText(Drovik& plugin, const char* product, const char* version) = 0;
  /// A message box with one button.
  virtual void ShowMessage(Drovik& plugin, const char* text, const char* caption) = 0;
  /// Resizes the editor to 468 x 450 at the draw scale.
  virtual void ResizeEditor(Drovik& plugin, double scale) = 0;
  /// The editor's draw scale.
  virtual double EditorDrawScale(const Drovik& plugin) const = 0;
  /// The parameter of the control under the pointer, -1 for none.
  virtual int ParamUnderMouse(const Drovik& plugin) const = 0;
  /// The file chosen in the preset menu, "" for none.
  virtual std::string ChosenPresetPath(const Drovik& plugin) const = 0;
  /// Whether the knob at a control index shows its value overlay (false for another kind of control).
  virtual bool KnobShowsValue(const Drovik& plugin, int controlIdx) const = 0;
};
