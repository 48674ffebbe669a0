// The editor's control list as data: every control of the 468 x 450 editor in attach order, with its kind, place,
// parameter or action, bitmap, tag, tooltip and the plug-in list that keeps its index. The layout function
// attaches controls by walking this list; the meter display and the control states find them by the kept indices.
#pragma once

#include <cstddef>
#include <vector>

#include "ui/EditorBitmaps.h"
#include "ui/EditorPlaces.h"

enum class EditorControlKind
{
  kParameterHidden, // IVParameterControlHiddenVQ
  kBitmap,          // IBBitmapControlVQ
  kPresetMenu,      // IBPresetMenuVQ
  kClickHidden,     // IVClickControlHiddenVQ
  kURLHidden,       // IVHiddenURLControl
  kInfoMenu,        // IBInfoMenuVQ
  kRadioButtons2,   // IBRadioButtonsControl2
  kRadioButtons5,   // IBRadioButtonsControl5
  kSwitch,          // IBSwitchControlVQ
  kKnob,            // IBKnobMultiControlVQ
  kText,            // IVTextControlVQ
  kTextPopup,       // IVPopupMenuVQ
  kBitmapPopup,     // IBPopupMenuVQ
};

/// Where the plug-in keeps a control's index.
enum class EditorKeep
{
  kNone,
  kKnobText, // appended to the knobs whose value overlay follows "Hide Knob Overlay Text"
  kClipLed,
  kMeterBase,
  kMeterOff,
  kMeterNeedle,
  kMeterNeedle1,
  kMeterLamp,
  kMeterLeftText,
  kMeterRefText,
  kMeterRightText,
};

/// Text styles of the layout's controls.
enum class EditorTextStyle
{
  kNone,
  kPreset,
  kKnob12,
  kKnob13,
  kMeterValue,
  kMeterReference,
  kMeterMode,
};

struct EditorControlEntry
{
  EditorControlKind kind;
  /// A bitmap control's top-left corner (its rectangle is that plus one frame of its bitmap); else its rectangle.
  EditorRect place;
  int param = -1;          // parameter index, -1 none
  int action = -1;         // action id sent, -1 none
  const char* bitmap = nullptr;
  int tag = -1;
  const char* tooltip = nullptr;
  EditorKeep keep = EditorKeep::kNone;
  int meter = -1;          // meter group (0 left, 1 right) of a kept meter index
  EditorTextStyle style = EditorTextStyle::kNone;
  const char* text = nullptr; // initial text of a text control
  bool toggle = false;     // radio buttons in toggle mode; wheel for drop-downs; real-unit wheel for knobs
  bool drawsText = true;   // a text drop-down that draws its value
  /// Radio-button rows: the buttons' top-left corners; a second bitmap for the second button when it differs.
  const EditorPoint* buttons = nullptr;
  int buttonCount = 0;
  const char* secondBitmap = nullptr;
};

/// Number of controls the layout attaches.
inline constexpr int kEditorControlCount = 56;
/// The first control of the panel: the corner resizer and the scale limits are set up before it, after the three
/// hidden parameter links.
inline constexpr size_t kFirstPanelControl = 3;

/// The controls in attach order. [any thread]
const std::vector<EditorControlEntry>& EditorControls();

/// A control's rectangle: a bitmap control's corner plus one frame of its bitmap, a row's union of its buttons,
/// else the rectangle given. [any thread]
EditorRect EditorControlRect(const EditorControlEntry& control);

/// Addresses the two hidden address areas and the changelog entry open.
inline constexpr const char* kAnnouncementAddress = "https://www.vesquin.com/forum/drovik";
inline constexpr const char* kHomeAddress = "https://www.vesquin.com/";
inline constexpr const char* kChangelogAddress = "https://www.vesquin.com/products/drovik/changelog";
