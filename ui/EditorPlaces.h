// Where the editor's controls sit on the 468 x 450 panel: top-left corners of the bitmap controls and the
// rectangles of the others, in points. The layout attaches its controls here and the artwork tool engraves the
// panel's labels and scales around the same places.
#pragma once

struct EditorPoint
{
  float x, y;
};

struct EditorRect
{
  float l, t, r, b;
};

namespace place {
inline constexpr float kWidth = 468, kHeight = 450;
inline constexpr EditorRect kPresetMenu{147, 5, 338, 28};
inline constexpr EditorRect kPresetName{151, 8, 319, 26};
inline constexpr EditorRect kHiddenClick{36, 4, 119, 28};
inline constexpr EditorRect kAnnouncementLink{368, 0, 468, 30};
inline constexpr EditorRect kMakerLink{400, 18, 468, 30};
inline constexpr EditorPoint kInfoMenu{7, 5};
inline constexpr EditorPoint kOversampling[2] = {{329, 257}, {329, 289}};
inline constexpr EditorPoint kBypass{403, 274};
inline constexpr EditorPoint kMonitorInPlace{217, 202};
inline constexpr EditorPoint kMonitorMode[5] = {{258, 179}, {281, 179}, {304, 179}, {327, 179}, {350, 179}};
inline constexpr EditorPoint kClipOnOff{242, 243};
inline constexpr EditorPoint kClipCeiling{247, 269};
inline constexpr EditorPoint kClipLed{293, 280};
inline constexpr EditorPoint kInputTrim{33, 192};
inline constexpr EditorPoint kOutputTrim{403, 192};
inline constexpr EditorPoint kMeterDisplay[2] = {{94, 180}, {133, 180}};
inline constexpr EditorPoint kCalibration{174, 200};
inline constexpr EditorPoint kSatOnOff{14, 259};
inline constexpr EditorPoint kSatPlacement{154, 263};
inline constexpr EditorPoint kSatMode{129, 310};
inline constexpr EditorPoint kSatStages{45, 362};
inline constexpr EditorPoint kSatFluctuation{137, 362};
inline constexpr EditorPoint kSatDriveOdd{269, 362};
inline constexpr EditorPoint kSatDriveEven{361, 362};

/// The two meter groups: the face's origin; the right group is the left one moved this far right.
inline constexpr EditorPoint kLeftMeter{25, 50};
inline constexpr float kRightMeterShift = 220;
/// Within a meter group, relative to its origin: value texts, reference text, mode menu and lamp.
inline constexpr EditorRect kMeterLeftText{18, 87, 54, 99};
inline constexpr EditorRect kMeterRefText{86, 89, 118, 101};
inline constexpr EditorRect kMeterModeMenu{81, 75, 121, 91};
inline constexpr EditorRect kMeterRightText{138, 87, 174, 99};
inline constexpr EditorPoint kMeterLamp{166, 18};
} // namespace place
